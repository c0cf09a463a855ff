#pragma once
// Drives windows the way a user would, for tests: finds a box once it is up, reads it, types
// into it and presses its buttons. Meant to run on a helper thread while the code under test
// sits in the box's modal loop.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace testsupport {

// The first visible top-level window of this process with the class (null for any) and the
// exact title (null for any) that appears within the time-out; null if none does.
HWND WaitForTopWindow(const char* className, const char* title,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The same for the windows of another process, such as a program the test started.
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A window's text in the ANSI code page.
std::string WindowText(HWND window);

// The texts of a box's static controls joined by "\n" (the message of a message box).
std::string StaticTexts(HWND box);

// Clicks the box's button with that control id (IDOK, IDYES, ...); false when it has none.
bool PressButton(HWND box, int controlId);

// Types `text` into the box's first edit control, replacing what it held.
bool TypeIntoEdit(HWND box, const std::string& text);

// Pumps the calling thread's messages until `done` holds or the time-out passes; returns
// whether `done` held.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Pumps the calling thread's messages for the whole duration.
void PumpFor(std::chrono::milliseconds duration);

// What a helper thread saw of the box it answered.
struct BoxSeen {
    bool found = false;
    std::string title;
    std::string text;
    LONG_PTR style = 0;
    HWND owner = nullptr;
};

// On a thread of its own: waits (up to a minute) for a dialog box with the title, records it,
// optionally types into its edit control, presses the button. Join before reading `seen`.
class BoxAnswerer {
public:
    BoxAnswerer(const char* title, int buttonId, std::string typed = std::string());
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    const BoxSeen& Join();

private:
    BoxSeen m_seen;
    std::thread m_thread;
};

} // namespace testsupport
