// Runs the binding's start-up once in a fresh process, as the framework does, and prints what
// came of it; the engine loading keeps its state for the whole run, so each search case of the
// tests needs a process of its own. With the argument "twice" the start-up notify is sent a
// second time with another notify function.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/EngineInterface.h"
#include "skin/EngineExports.h"
#include "skin/VeneerLibrary.h"
#include "skin/VeneerTypes.h"

namespace {

framework::PtrWord FRAMEWORK_CALL FirstNotify(framework::Word, framework::PtrWord,
                                              framework::PtrWord)
{
    return 1;
}

framework::PtrWord FRAMEWORK_CALL SecondNotify(framework::Word, framework::PtrWord,
                                               framework::PtrWord)
{
    return 2;
}

void PrintModule(const char* label, HMODULE module)
{
    char path[MAX_PATH * 2] = "none";
    if (module != nullptr) {
        GetModuleFileNameA(module, path, sizeof path);
    }
    std::printf("%s=%s\n", label, path);
}

BOOL CALLBACK FindOwnMessageBox(HWND window, LPARAM found)
{
    char className[16] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && GetClassNameA(window, className, sizeof className) &&
        std::strcmp(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Finds the message box the binding shows, reports its caption and text, and answers it.
DWORD WINAPI AnswerMessageBox(void*)
{
    for (int attempt = 0; attempt < 500; ++attempt) {
        HWND box = nullptr;
        EnumWindows(FindOwnMessageBox, reinterpret_cast<LPARAM>(&box));
        if (box != nullptr) {
            char caption[64] = {};
            char text[256] = {};
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            std::printf("box caption=%s\nbox text=%s\n", caption, text);
            std::fflush(stdout);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(10);
    }
    std::printf("box none\n");
    std::fflush(stdout);
    // Without an answer the box would hold the probe, and the test with it, for good.
    ExitProcess(3);
}

// Creates one label as the framework would and reports what became of it.
void CreateLabel()
{
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                                  nullptr, nullptr, nullptr, nullptr);
    HANDLE watcher = CreateThread(nullptr, 0, AnswerMessageBox, nullptr, 0, nullptr);
    framework::UnitHandle unit = skin::CreateUnitLabelEx(
        nullptr, 0, WS_VISIBLE, reinterpret_cast<framework::PtrWord>(parent), 100, 0, 1, 2, 30, 40,
        7, 3, 0, 0);
    WaitForSingleObject(watcher, 10000);
    CloseHandle(watcher);
    std::printf("unit=%d\n", static_cast<int>(unit));
    HWND host = GetWindow(parent, GW_CHILD);
    char className[64] = "none";
    if (host != nullptr) {
        GetClassNameA(host, className, sizeof className);
    }
    std::printf("host=%s control=%s\n", className,
                host != nullptr && GetPropA(host, "Tab_Control") != nullptr ? "bound" : "none");
    DestroyWindow(parent);
}

} // namespace

int main(int argc, char** argv)
{
    std::printf("before=%d\n", static_cast<int>(skin::VeneerNotifySys(5, 0, 0)));
    framework::PtrWord answer =
        skin::VeneerProcessNotifyLib(1, reinterpret_cast<framework::PtrWord>(&FirstNotify), 0);
    if (argc > 1 && std::strcmp(argv[1], "twice") == 0) {
        skin::VeneerProcessNotifyLib(1, reinterpret_cast<framework::PtrWord>(&SecondNotify), 0);
    }
    std::printf("answer=%d\n", static_cast<int>(answer));
    std::printf("other=%d\n", static_cast<int>(skin::VeneerProcessNotifyLib(2, 0, 0)));
    std::printf("notify=%d\n", static_cast<int>(skin::VeneerNotifySys(5, 0, 0)));
    PrintModule("module", static_cast<HMODULE>(skin::VeneerEngineModule()));

    // The entries stay bound even when the engine refused its start call.
    void* entry = skin::EngineEntry(skin::EngineExportIndex("CreateControl_LabelEx"));
    HMODULE bound = nullptr;
    if (entry != nullptr) {
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(entry), &bound);
    }
    PrintModule("bound", bound);
    int filled = 0;
    for (int slot = 0; slot < skin::kEngineExportCount; ++slot) {
        filled += skin::EngineEntry(slot) != nullptr ? 1 : 0;
    }
    std::printf("filled=%d\n", filled);
    if (bound != nullptr) {
        using LogRoutine = const char*(ENGINE_CALL*)();
        auto log = reinterpret_cast<LogRoutine>(
            reinterpret_cast<void*>(GetProcAddress(bound, "Recording_Log")));
        if (log != nullptr) {
            std::printf("log:\n%s", log());
        }
    }
    if (argc > 1 && std::strcmp(argv[1], "create") == 0) {
        CreateLabel();
    }
    std::fflush(stdout);
    return 0;
}
