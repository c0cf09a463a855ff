#pragma once
// Which VeneerCore.dll a Windows test gives the skinned-control binding: the real engine beside
// the programs in bin/, or the recording stand-in copied under the engine's name into a folder of
// its own. Either is found through the search path, as in the program's run directory or as an
// engine installed beside other programs would be. Header-only.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "skin/VeneerLibrary.h"
#include "tests/support/TestFolders.h"

namespace testsupport {

// The build tree's bin/ (beside tests/) first on the search path. The tests' own folder holds
// the recording stand-in, which must not be found.
inline void UseBuiltEngine()
{
    std::string tests = TestsFolder();
    PrependToSearchPath(tests.substr(0, tests.find_last_of('\\')) + "\\bin");
}

// Fails the test when the binding loaded an engine other than the one in bin/.
inline void ExpectBuiltEngineLoaded()
{
    char name[MAX_PATH] = {};
    GetModuleFileNameA(static_cast<HMODULE>(skin::VeneerEngineModule()), name, sizeof name);
    ASSERT_NE(std::string(name).find("\\bin\\VeneerCore.dll"), std::string::npos) << name;
}

// Copies the recording stand-in as VeneerCore.dll into a folder of its own under the temporary
// directory and puts that folder first on the search path. Returns the folder, or the empty text
// when the copy failed.
inline std::string InstallRecordingEngine(const std::string& name)
{
    std::string folder = MakeTempFolder(name);
    if (!CopyFileA((TestsFolder() + "\\RecordingEngine.dll").c_str(),
                   (folder + "\\VeneerCore.dll").c_str(), FALSE)) {
        return {};
    }
    PrependToSearchPath(folder);
    return folder;
}

// The binding never unloads the engine; Wine lets its file go all the same, and where a system
// would not, the folder stays behind in the temporary directory.
inline void RemoveRecordingEngine(const std::string& folder)
{
    if (folder.empty()) {
        return;
    }
    DeleteFileA((folder + "\\VeneerCore.dll").c_str());
    RemoveDirectoryA(folder.c_str());
}

// Points `slot` at the stand-in's export `name`; fails the test when it has none.
template <typename F> void HookEngine(HMODULE module, const char* name, F& slot)
{
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    ASSERT_NE(slot, nullptr) << name;
}

} // namespace testsupport
