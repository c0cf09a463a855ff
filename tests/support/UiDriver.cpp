#include "tests/support/UiDriver.h"

#include <tlhelp32.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "toolkit/NoCase.h"

namespace testsupport {
namespace {

struct Search {
    DWORD process;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (search->className != nullptr) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpiA(name, search->className) != 0) {
            return TRUE;
        }
    }
    if (search->title != nullptr) {
        // A box that has just been answered is still listed while its thread tears it down, and
        // reading its text then fails and reads as empty: it must not pass for an untitled box
        // (and steal the answer meant for the next one).
        char text[4096] = {};
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                SMTO_ABORTIFHUNG, 5000, &copied) == 0 ||
            !IsWindowVisible(window) || std::string(text) != search->title) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM lParam)
{
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0) {
        std::string text = WindowText(child);
        if (!text.empty()) {
            auto* joined = reinterpret_cast<std::string*>(lParam);
            if (!joined->empty()) {
                *joined += "\n";
            }
            *joined += text;
        }
    }
    return TRUE;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM lParam)
{
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Edit") == 0) {
        *reinterpret_cast<HWND*>(lParam) = child;
        return FALSE;
    }
    return TRUE;
}

// The window a queue mark is posted to; posted messages of one thread are handled in the order
// they were posted, whichever loop (a box's, a menu's) takes them.
constexpr char kMarkClass[] = "SkyvaneTestQueueMark";

LRESULT CALLBACK MarkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        *reinterpret_cast<bool*>(GetWindowLongPtrA(window, GWLP_USERDATA)) = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct ShownWindows {
    DWORD process;
    std::vector<HWND> topDown;
};

BOOL CALLBACK CollectShown(HWND window, LPARAM lParam)
{
    auto* shown = reinterpret_cast<ShownWindows*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == shown->process && IsWindowVisible(window) && !IsIconic(window)) {
        shown->topDown.push_back(window);
    }
    return TRUE;
}

RECT ClientOnScreen(HWND window)
{
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Covered(const std::vector<RECT>& covers, POINT point)
{
    for (const RECT& cover : covers) {
        if (PtInRect(&cover, point)) {
            return true;
        }
    }
    return false;
}

// Whether the display shows the part of the window's client area that lies on the screen as the
// window's own device context holds it, where none of `above` covers it. A window's DC reads the
// picture Wine keeps for it in the process; the display gets that picture only when the thread
// finds its queue empty, and loses it while the window is not yet mapped.
bool PartShowsAsPainted(HWND window, const RECT& screen, const std::vector<RECT>& above)
{
    const RECT client = ClientOnScreen(window);
    RECT part{};
    if (!IntersectRect(&part, &client, &screen)) {
        return true;
    }
    const int width = part.right - part.left;
    const int height = part.bottom - part.top;
    HDC display = GetDC(nullptr);
    std::vector<std::uint32_t> shown = Pixels(display, part.left, part.top, width, height);
    ReleaseDC(nullptr, display);
    // Not DCX_USESTYLE, as GetDC is: a DC that leaves out the child windows reads nothing where
    // they lie.
    HDC own = GetDCEx(window, nullptr, DCX_CACHE);
    if (own == nullptr) {
        return false;
    }
    std::vector<std::uint32_t> painted =
        Pixels(own, part.left - client.left, part.top - client.top, width, height);
    ReleaseDC(window, own);
    if (shown.empty() || shown.size() != painted.size()) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            if (shown[index] != painted[index] &&
                !Covered(above, POINT{part.left + x, part.top + y})) {
                return false;
            }
        }
    }
    return true;
}

// Whether the window lies wholly on the screen and it, and every shown window of this process
// over the same place, shows as painted where no window above it lies.
bool ShowsAsPainted(HWND window)
{
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT target = ClientOnScreen(window);
    RECT inside{};
    if (!IsWindowVisible(window) || IsRectEmpty(&target) ||
        !IntersectRect(&inside, &target, &screen) || !EqualRect(&inside, &target)) {
        return false;
    }
    ShownWindows shown{GetCurrentProcessId(), {}};
    EnumWindows(CollectShown, reinterpret_cast<LPARAM>(&shown));
    std::vector<RECT> above;
    for (HWND other : shown.topDown) {
        RECT outer{};
        GetWindowRect(other, &outer);
        RECT overlap{};
        const bool overlaps = other == window || IntersectRect(&overlap, &outer, &target);
        if (overlaps && !PartShowsAsPainted(other, screen, above)) {
            return false;
        }
        above.push_back(outer);
    }
    return true;
}

} // namespace

std::vector<std::uint32_t> Pixels(HDC source, int left, int top, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    toolkit::ScopedBitmap bitmap(
        CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    toolkit::ScopedMemoryDc memory(CreateCompatibleDC(source));
    if (!bitmap || !memory) {
        return {};
    }
    {
        toolkit::ScopedSelectObject selected(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width, height, source, left, top, SRCCOPY);
        GdiFlush();
    }
    const auto* words = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(words, words + static_cast<std::size_t>(width) * height);
    for (std::uint32_t& pixel : pixels) {
        pixel &= 0x00FFFFFFu;
    }
    return pixels;
}

HWND WaitForTopWindow(const char* className, const char* title, std::chrono::milliseconds timeout)
{
    return WaitForProcessWindow(GetCurrentProcessId(), className, title, timeout);
}

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title,
                          std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    do {
        Search search{processId, className, title, nullptr};
        EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(20);
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

std::string WindowText(HWND window)
{
    char text[4096] = {};
    // WM_GETTEXT rather than GetWindowText: the latter does not read another thread's controls.
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string StaticTexts(HWND box)
{
    std::string joined;
    EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&joined));
    return joined;
}

bool PressButton(HWND box, int controlId)
{
    HWND button = GetDlgItem(box, controlId);
    if (button == nullptr) {
        return false;
    }
    // Posted, as a click is: the box's own thread handles it in its modal loop.
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

bool TypeIntoEdit(HWND box, const std::string& text)
{
    HWND edit = nullptr;
    EnumChildWindows(box, FindEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit == nullptr) {
        return false;
    }
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return true;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

void PumpFor(std::chrono::milliseconds duration)
{
    auto end = std::chrono::steady_clock::now() + duration;
    PumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, duration * 2);
}

void HandleWaitingMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpPostedMessages(std::chrono::milliseconds timeout)
{
    static const ATOM markClass = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = MarkProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kMarkClass;
        return RegisterClassA(&windowClass);
    }();
    if (markClass == 0) {
        return false;
    }
    HWND mark = CreateWindowExA(0, kMarkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (mark == nullptr) {
        return false;
    }
    bool reached = false;
    SetWindowLongPtrA(mark, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reached));
    PostMessageA(mark, WM_APP, 0, 0);
    const bool handled = PumpUntil([&] { return reached; }, timeout);
    DestroyWindow(mark);
    return handled;
}

bool PumpUntilOnScreen(HWND window, std::chrono::milliseconds timeout)
{
    return PumpUntil(
        [window] {
            HandleWaitingMessages();
            return ShowsAsPainted(window);
        },
        timeout);
}

void EndProgramsIn(const std::string& directory)
{
    const std::string prefix = directory + "\\";
    for (int sweep = 0; sweep < 20; ++sweep) {
        toolkit::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) {
            return;
        }
        bool found = false;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot.Get(), &entry); more;
             more = Process32Next(snapshot.Get(), &entry)) {
            toolkit::ScopedHandle process(
                OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                            FALSE, entry.th32ProcessID));
            char image[MAX_PATH * 2] = {};
            DWORD length = sizeof image;
            if (process && QueryFullProcessImageNameA(process.Get(), 0, image, &length) &&
                toolkit::StartsWithNoCase(std::string(image, length), prefix)) {
                found = true;
                TerminateProcess(process.Get(), 1);
                WaitForSingleObject(process.Get(), 10000);
            }
        }
        if (!found) {
            return;
        }
    }
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

bool WaitUntilGone(HWND window, std::chrono::milliseconds timeout)
{
    return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
}

BoxAnswerer::BoxAnswerer(const char* title, int buttonId, std::string typed)
    : m_thread([this, title = std::string(title), buttonId, typed = std::move(typed)] {
          // Generous: the box may come behind slow requests on a loaded machine, and a box
          // that comes after its answerer gave up would wait for a user forever.
          HWND box = WaitForTopWindow("#32770", title.c_str(), std::chrono::seconds(60));
          if (box == nullptr) {
              return;
          }
          m_seen.found = true;
          m_seen.title = WindowText(box);
          m_seen.text = StaticTexts(box);
          m_seen.style = GetWindowLongPtrA(box, GWL_STYLE);
          m_seen.owner = GetWindow(box, GW_OWNER);
          if (!typed.empty()) {
              TypeIntoEdit(box, typed);
          }
          PressButton(box, buttonId);
      })
{
}

BoxAnswerer::~BoxAnswerer()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

const BoxSeen& BoxAnswerer::Join()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return m_seen;
}

BoxWatcher::BoxWatcher(std::function<int(HWND box)> answer)
    : m_answer(std::move(answer)), m_thread([this] {
          while (!m_stop) {
              // A short look each round, so that a stop is seen soon.
              HWND box = WaitForTopWindow("#32770", nullptr, std::chrono::milliseconds(50));
              if (box == nullptr) {
                  continue;
              }
              if (!PressButton(box, m_answer(box))) {
                  PressButton(box, IDOK);
              }
              ++m_answered;
              // Until it has gone it is still listed, and would be answered twice.
              WaitUntilGone(box);
          }
      })
{
}

BoxWatcher::~BoxWatcher()
{
    Stop();
}

int BoxWatcher::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return m_answered;
}

StartedProgram::StartedProgram(const std::string& commandLine, const std::string& directory)
    : m_job(CreateJobObjectA(nullptr, nullptr))
{
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!m_job || !SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits,
                                           sizeof limits)) {
        return;
    }
    // Wine starts the prefix's desktop process from the first program that asks for the
    // desktop; started from the program, it would be in the job and die with it, taking the
    // notification area of every later test along. Asked for here, it starts outside.
    GetDesktopWindow();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine; // CreateProcessA may write into it
    // Suspended until it is in the job, so that nothing it starts escapes the job.
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
        return;
    }
    toolkit::ScopedHandle thread(process.hThread);
    toolkit::ScopedHandle started(process.hProcess);
    if (!AssignProcessToJobObject(m_job.Get(), started.Get())) {
        TerminateProcess(started.Get(), 1);
        return;
    }
    m_process = std::move(started);
    m_id = process.dwProcessId;
    ResumeThread(thread.Get());
}

StartedProgram::~StartedProgram()
{
    End();
}

std::optional<DWORD> StartedProgram::WaitForEnd(std::chrono::milliseconds timeout) const
{
    if (!m_process || WaitForSingleObject(m_process.Get(), static_cast<DWORD>(timeout.count())) !=
                          WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

void StartedProgram::End()
{
    if (m_job) {
        TerminateJobObject(m_job.Get(), 1);
    }
    if (m_process) {
        WaitForSingleObject(m_process.Get(), 30000);
    }
}

} // namespace testsupport
