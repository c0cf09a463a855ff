#pragma once
// Drives windows the way a user would, for tests: finds a box once it is up, reads it, types
// into it and presses its buttons, mostly from a helper thread while the code under test sits in
// the box's modal loop. Also the waits on what the windows have done (their messages handled,
// the display showing them), and the programs a test starts, which end with it.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/ScopedWin.h"

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

// Handles every message waiting for the calling thread (sent, posted and input, then the paints
// and due timers they leave) and returns once none is left. Wine hands what the thread's windows
// painted to the display when it finds the queue empty.
void HandleWaitingMessages();

// Pumps until every message posted to the calling thread before the call has been handled, the
// effects of a posted click or notification included; false if that takes longer than the
// time-out. What those messages post in turn may still be waiting.
bool PumpPostedMessages(std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Pumps until the display shows this process's windows as they last painted themselves: each
// visible window of this process that overlaps the given one, and the given one wholly on the
// screen. False if that does not come within the time-out. A screenshot taken right after shows
// what a user sees.
bool PumpUntilOnScreen(HWND window, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Waits, without pumping, until `done` holds or the time-out passes; returns whether `done` held.
// For helper threads watching what another thread's windows do.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Waits until the window is destroyed or hidden, as an answered box goes; false if it is still
// shown after the time-out.
bool WaitUntilGone(HWND window, std::chrono::milliseconds timeout = std::chrono::seconds(30));

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

// On a thread of its own until stopped: answers every dialog box of this process as it comes,
// with the button `answer` picks after looking at it (OK if the box has no such button), and
// waits for each to go before looking for the next. For checks that no box comes, or that
// exactly these boxes came. `answer` runs on the watcher's thread; what it keeps may be read
// once Stop() has returned.
class BoxWatcher {
public:
    explicit BoxWatcher(std::function<int(HWND box)> answer);
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Stops watching; returns how many boxes were answered. Call once the code that could show a
    // box has returned: a box it showed has then been answered already.
    int Stop();

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_answered{0};
    std::function<int(HWND)> m_answer;
    std::thread m_thread;
};

// The pixels (0x00RRGGBB, rows top down) of a rectangle of a device context; empty when they
// cannot be read.
std::vector<std::uint32_t> Pixels(HDC source, int left, int top, int width, int height);

// Ends every process whose program file lies below the directory, and waits for each to go:
// whatever a test started there, itself or through the programs it started. Swept again until
// none is found, since one may start another while it is ended.
void EndProgramsIn(const std::string& directory);

// A program the test starts, in a job object of its own that ends the program and whatever it
// starts when this object goes, and when the test program ends or is killed: a copy left
// running would hold the single-instance event and be found by the updater's stop-by-name in a
// later test.
class StartedProgram {
public:
    // Starts the command line with `directory` as its current folder (empty: this process's).
    // Started() tells whether it did.
    StartedProgram(const std::string& commandLine, const std::string& directory = std::string());
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Started() const { return m_process.IsValid(); }
    HANDLE Process() const { return m_process.Get(); }
    DWORD Id() const { return m_id; }

    // The exit code once the program has ended within the time-out, or none.
    std::optional<DWORD> WaitForEnd(std::chrono::milliseconds timeout) const;

    // Ends the program and everything it started, and waits until the program has ended.
    void End();

private:
    toolkit::ScopedHandle m_job;
    toolkit::ScopedHandle m_process;
    DWORD m_id = 0;
};

} // namespace testsupport
