#pragma once
// The folders a Windows test works in: its own executable's folder, folders of its own under the
// temporary directory, and tests\artifacts for what a person should look at afterwards.
// Header-only.
#include <windows.h>

#include <string>

namespace testsupport {

// The folder holding the running test executable (build/<tree>/tests), without a trailing
// backslash.
inline std::string TestsFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string self(path, length);
    return self.substr(0, self.find_last_of('\\'));
}

// A folder of its own under the temporary directory, without a trailing backslash. The process
// id keeps two test trees run side by side apart.
inline std::string MakeTempFolder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// tests\artifacts\<name>, made when missing, where screenshots are left for a person.
inline std::string ArtifactsFolder(const std::string& name)
{
    std::string folder = TestsFolder() + "\\artifacts";
    CreateDirectoryA(folder.c_str(), nullptr);
    folder += "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Puts `folder` first on this process's search path, where the binding looks for its engine.
inline void PrependToSearchPath(const std::string& folder)
{
    char oldPath[8192] = {};
    GetEnvironmentVariableA("PATH", oldPath, sizeof oldPath);
    SetEnvironmentVariableA("PATH", (folder + ";" + oldPath).c_str());
}

} // namespace testsupport
