// Linked into every Windows test program. A test that waits for something that never comes (a
// box nobody answers, a process that never ends) would otherwise sit until ctest kills the whole
// program, and a killed program prints nothing: not the test's name, not what was on the screen.
// This watchdog ends the program itself a good while before that, and says in one line which
// test hung and which of the program's boxes were up.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "tests/support/UiDriver.h"
#include "toolkit/CodePage.h"

namespace {

// Well below the program's ctest time-out (300 s), well above any test's own bounded waits.
constexpr std::chrono::seconds kTestLimit{150};

BOOL CALLBACK DescribeBox(HWND window, LPARAM lParam)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
        lstrcmpiA(className, "#32770") != 0) {
        return TRUE;
    }
    auto* found = reinterpret_cast<std::string*>(lParam);
    *found += " [box \"" + testsupport::WindowText(window) + "\": \"" +
              testsupport::StaticTexts(window) + "\"]";
    return TRUE;
}

// What the watchdog's thread and the test framework's listener share.
struct Watched {
    std::mutex mutex;
    std::condition_variable wake;
    std::string name;
    std::chrono::steady_clock::time_point started;
    bool running = false;
    bool stop = false;
};

// The window texts are code page 936; the test output is read as UTF-8.
std::string Utf8(const std::string& ansi)
{
    const ByteSet utf8 = toolkit::GbkToUtf8(ansi);
    return std::string(utf8.begin(), utf8.end());
}

void Watch(Watched& current)
{
    std::unique_lock<std::mutex> lock(current.mutex);
    for (;;) {
        current.wake.wait_for(lock, std::chrono::seconds(1));
        if (current.stop) {
            return;
        }
        if (!current.running || std::chrono::steady_clock::now() - current.started < kTestLimit) {
            continue;
        }
        const std::string name = current.name;
        lock.unlock();
        std::string boxes;
        EnumWindows(DescribeBox, reinterpret_cast<LPARAM>(&boxes));
        std::string line =
            "HUNG: " + name + " still running after " + std::to_string(kTestLimit.count()) + " s;" +
            (boxes.empty() ? std::string(" no box of this program is up") : Utf8(boxes)) + "\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

class Watchdog : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override
    {
        std::lock_guard<std::mutex> lock(m_watched.mutex);
        m_watched.name = std::string(test.test_suite_name()) + "." + test.name();
        m_watched.started = std::chrono::steady_clock::now();
        m_watched.running = true;
        if (!m_thread.joinable()) {
            m_thread = std::thread(Watch, std::ref(m_watched));
        }
    }

    void OnTestEnd(const testing::TestInfo&) override
    {
        std::lock_guard<std::mutex> lock(m_watched.mutex);
        m_watched.running = false;
    }

    // The thread ends with the tests, so that the process ends with no thread of ours running.
    void OnTestProgramEnd(const testing::UnitTest&) override
    {
        {
            std::lock_guard<std::mutex> lock(m_watched.mutex);
            m_watched.stop = true;
        }
        m_watched.wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    Watched m_watched;
    std::thread m_thread;
};

// Registered before main runs, so every test program gets it without a main of its own.
const bool g_registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    return true;
}();

} // namespace
