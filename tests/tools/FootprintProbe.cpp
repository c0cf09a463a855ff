// What the weather program costs while it sits idle: its private memory after the first full
// refresh, once the alarm notice that refresh brings up is gone, beside that of a bare Win32
// window started the same way; then it leaves the program idle for 20 seconds more, over which
// tools/footprint.sh, which runs it, reads the processor time the program takes.
//
//   FootprintProbe.exe PROGRAM.exe   measures PROGRAM.exe (started in its own directory)
//   FootprintProbe.exe --bare        is the bare window itself
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr char kBareClass[] = "SkyvaneFootprintBareWindow";
constexpr int kIdleSeconds = 20;
// The alarm notice's client size; no other window of the program has it.
constexpr int kNoticeWidth = 349;
constexpr int kNoticeHeight = 114;

LRESULT CALLBACK BareProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int RunBareWindow()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BareProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kBareClass;
    RegisterClassA(&windowClass);
    HWND hwnd = CreateWindowExA(0, kBareClass, "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                775, 413, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (hwnd == nullptr) {
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

struct WindowsSeen {
    DWORD processId = 0;
    bool main = false;
    bool notice = false;
};

BOOL CALLBACK NoteWindow(HWND hwnd, LPARAM parameter)
{
    auto* seen = reinterpret_cast<WindowsSeen*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != seen->processId || !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    if (client.right == kNoticeWidth && client.bottom == kNoticeHeight) {
        seen->notice = true;
    } else {
        seen->main = true;
    }
    return TRUE;
}

WindowsSeen Look(DWORD processId)
{
    WindowsSeen seen;
    seen.processId = processId;
    EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

// Polls until `done` holds or the time runs out; whether it held.
template <class Done> bool WaitFor(Done done, int seconds)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

double PrivateMegabytes(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        return -1;
    }
    // The private bytes; Wine leaves PrivateUsage at 0 for another process but gives the same
    // figure (its anonymous resident and swapped memory) as PagefileUsage, as Windows does.
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

bool Start(const std::string& command, const char* directory, PROCESS_INFORMATION& process)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = command;
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                          &startup, &process) != FALSE;
}

void End(PROCESS_INFORMATION& process)
{
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--bare") == 0) {
        return RunBareWindow();
    }
    if (argc != 2) {
        std::printf("usage: FootprintProbe.exe PROGRAM.exe | --bare\n");
        return 2;
    }

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    PROCESS_INFORMATION bare{};
    if (!Start("\"" + std::string(self) + "\" --bare", nullptr, bare)) {
        std::printf("the bare window did not start\n");
        return 1;
    }
    WaitFor([&] { return Look(bare.dwProcessId).main; }, 30);
    // Given the same settling time as the program has after its refresh.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    double bareMemory = PrivateMegabytes(bare.hProcess);
    End(bare);

    std::string program = argv[1];
    std::string directory = program.substr(0, program.find_last_of('\\'));
    PROCESS_INFORMATION skyvane{};
    if (!Start("\"" + program + "\"", directory.c_str(), skyvane)) {
        std::printf("%s did not start\n", program.c_str());
        return 1;
    }
    bool shown = WaitFor([&] { return Look(skyvane.dwProcessId).main; }, 60);
    bool noticed = shown && WaitFor([&] { return Look(skyvane.dwProcessId).notice; }, 60);
    bool gone = noticed && WaitFor([&] { return !Look(skyvane.dwProcessId).notice; }, 60);
    if (!gone) {
        std::printf("note: %s\n", !shown     ? "no main window"
                                  : !noticed ? "no alarm notice came up"
                                             : "the alarm notice stayed");
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    double memory = PrivateMegabytes(skyvane.hProcess);
    std::printf("private memory, Skyvane:       %5.1f MB\n", memory);
    std::printf("private memory, bare window:   %5.1f MB\n", bareMemory);
    std::printf("Skyvane above the bare window: %5.1f MB\n", memory - bareMemory);
    // Wine keeps no processor times of another process: the script reads them from the system
    // while the program idles on.
    std::printf("idle for %d s\n", kIdleSeconds);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds + 5));
    End(skyvane);
    return 0;
}
