#include "tests/support/UiDriver.h"

#include <utility>

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

} // namespace

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

} // namespace testsupport
