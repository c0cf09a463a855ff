#include "skin/VeneerLibrary.h"

#include <windows.h>

#include <cstring>

#include "engine/EngineInterface.h"
#include "skin/EngineExports.h"
#include "skin/VeneerTypes.h"

namespace skin {
namespace {

using framework::PtrWord;
using framework::Word;

constexpr int kPathBufferSize = 256;
constexpr DWORD kCurrentDirectoryLength = 254;
constexpr DWORD kEnginePathFileLimit = 255;

// Set once by the start-up notify; cleared again only when the engine refuses its start call.
HMODULE g_engineModule = nullptr;
framework::NotifyRoutine g_frameworkNotify = nullptr;

// The current directory with `tail` appended, or false when the two do not fit the buffer:
// such a candidate is skipped rather than cut short into a path that names something else.
bool CurrentDirectoryWith(const char* tail, char (&path)[kPathBufferSize])
{
    DWORD length = GetCurrentDirectoryA(kCurrentDirectoryLength, path);
    if (length == 0 || length >= kCurrentDirectoryLength) {
        return false;
    }
    std::size_t tailLength = std::strlen(tail);
    if (length + tailLength >= kPathBufferSize) {
        return false;
    }
    std::memcpy(path + length, tail, tailLength + 1);
    return true;
}

HMODULE LoadFromCurrentDirectory(const char* tail)
{
    char path[kPathBufferSize] = {};
    if (!CurrentDirectoryWith(tail, path)) {
        return nullptr;
    }
    return LoadLibraryA(path);
}

// The engine-path files hold a path as it was written, line break and all: the content goes to
// LoadLibraryA untouched.
HMODULE LoadFromEnginePathFile()
{
    HANDLE file = CreateFileA("C:\\VeneerCore.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        file = CreateFileA("D:\\VeneerCore.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    char path[kPathBufferSize] = {};
    DWORD read = 0;
    HMODULE module = nullptr;
    if (ReadFile(file, path, kEnginePathFileLimit, &read, nullptr)) {
        path[read] = '\0';
        module = LoadLibraryA(path);
    }
    CloseHandle(file);
    return module;
}

HMODULE FindEngine()
{
    HMODULE module = LoadFromCurrentDirectory("\\VeneerCore.dll");
    if (module == nullptr) {
        module = LoadFromCurrentDirectory("\\lib\\VeneerCore\\VeneerCore.dll");
    }
    if (module == nullptr) {
        module = LoadLibraryA("VeneerCore.dll");
    }
    if (module == nullptr) {
        module = LoadLibraryA("lib\\VeneerCore\\VeneerCore.dll");
    }
    if (module == nullptr) {
        module = LoadFromEnginePathFile();
    }
    return module;
}

} // namespace

const framework::LibraryInfo VeneerLibraryInfo = {
    framework::kLibraryMagic,
    "8C3E1A5B07D94f2cB6A0E4F19D27C3A8",
    2021,
    6,
    12,
    3,
    0,
    3,
    0,
    "VENEER++20210612",
    1,
    {},
    kVeneerTypeSlots,
    VeneerTypeTable,
    {},
    &VeneerProcessNotifyLib,
    {},
};

bool LoadVeneerKernel()
{
    if (g_engineModule != nullptr) {
        return true;
    }
    HMODULE module = FindEngine();
    if (module == nullptr) {
        return false;
    }
    g_engineModule = module;
    BindEngineExports(module);

    static const int kStartSlot = EngineExportIndex("CallInternalFunction_Ex");
    auto start = reinterpret_cast<engine::CallInternalFunctionRoutine>(EngineEntry(kStartSlot));
    if (start == nullptr) {
        return true;
    }
    Word answer =
        start(engine::kStartFunction, reinterpret_cast<PtrWord>(module), 0, 0, engine::kStartStamp);
    // A refusal only drops the mark; the bound entries stay, so the controls still reach the
    // engine, and the next load attempt searches again.
    if (answer == 0) {
        g_engineModule = nullptr;
        return false;
    }
    return true;
}

PtrWord FRAMEWORK_CALL VeneerProcessNotifyLib(Word message, PtrWord argument1, PtrWord)
{
    if (message != framework::kLibraryStart) {
        return -1;
    }
    LoadVeneerKernel();
    g_frameworkNotify = reinterpret_cast<framework::NotifyRoutine>(argument1);
    return 0;
}

PtrWord VeneerNotifySys(Word code, PtrWord argument1, PtrWord argument2)
{
    if (g_frameworkNotify == nullptr) {
        return 0;
    }
    return g_frameworkNotify(code, argument1, argument2);
}

void* VeneerEngineModule()
{
    return g_engineModule;
}

} // namespace skin
