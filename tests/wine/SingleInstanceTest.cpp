// Skyvane.exe started as a user starts it, from a run directory of its own: a second copy ends
// at once and silently, before it touches a file or the network.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "tests/support/TestFolders.h"
#include "weather/Startup.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;

namespace {

// A temporary run directory holding a copy of the built program (build/<tree>/bin, beside
// this test's build/<tree>/tests).
class ProgramCopy {
public:
    ProgramCopy()
    {
        m_directory =
            testsupport::MakeTempFolder("skyvane-instance-" + std::to_string(++s_counter));
        std::string built = testsupport::TestsFolder() + "\\..\\bin\\Skyvane.exe";
        m_copied = CopyFileA(built.c_str(), Program().c_str(), FALSE) != 0;
    }
    ~ProgramCopy()
    {
        for (const std::string& name : Files()) {
            DeleteFileA((m_directory + "\\" + name).c_str());
        }
        RemoveDirectoryA(m_directory.c_str());
    }

    bool Copied() const { return m_copied; }
    std::string Program() const { return m_directory + "\\Skyvane.exe"; }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((m_directory + "\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }

    // Starts the copy from another current directory, as a shortcut would.
    PROCESS_INFORMATION Start() const
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::string commandLine(1, '"');
        commandLine.append(Program()).push_back('"');
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, base,
                            &startup, &process)) {
            ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
        }
        return process;
    }

private:
    static inline int s_counter = 0;
    std::string m_directory;
    bool m_copied = false;
};

void CloseProcess(PROCESS_INFORMATION& process)
{
    if (process.hThread) {
        CloseHandle(process.hThread);
    }
    if (process.hProcess) {
        CloseHandle(process.hProcess);
    }
}

void RouteGeolocation()
{
    ASSERT_TRUE(Fixture::Reset());
    FixtureRoute route;
    route.path = "/json/";
    route.body = "{\"regionName\":\"X\",\"city\":\"Y\",\"zip\":\"\"}";
    ASSERT_TRUE(Fixture::AddRoute(route));
}

TEST(SingleInstance, SecondCopyEndsAtOnceWithoutRequestOrFile)
{
    RouteGeolocation();
    ProgramCopy copy;
    ASSERT_TRUE(copy.Copied());

    // This test plays the running first copy. The event is held only for the one start, since
    // other tests of the build tree may start the program too.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, weather::kInstanceEventName);
    ASSERT_NE(event, nullptr);
    PROCESS_INFORMATION process = copy.Start();
    ASSERT_NE(process.hProcess, nullptr);
    DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseProcess(process);
    CloseHandle(event);

    ASSERT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(Fixture::Requests().empty());
    EXPECT_EQ(copy.Files(), std::vector<std::string>{"Skyvane.exe"});
}

TEST(SingleInstance, FirstCopyCreatesTheEventAndGoesOn)
{
    std::string name = "skyvane-instance-test-" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(OpenEventA(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
    weather::EnsureSingleInstance(name);
    HANDLE opened = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    EXPECT_NE(opened, nullptr);
    if (opened != nullptr) {
        CloseHandle(opened);
    }
}

// The counterpart that makes the test above mean something: without another copy the same
// program goes on to locate the user.
TEST(SingleInstance, FirstCopyGoesOnToLocateTheUser)
{
    RouteGeolocation();
    ProgramCopy copy;
    ASSERT_TRUE(copy.Copied());

    PROCESS_INFORMATION process = copy.Start();
    ASSERT_NE(process.hProcess, nullptr);
    std::vector<testsupport::RecordedRequest> requests;
    for (int i = 0; i < 200 && requests.empty(); ++i) {
        Sleep(50);
        requests = Fixture::Requests();
    }
    // The program may run on to its windows; this test has seen what it came for.
    if (WaitForSingleObject(process.hProcess, 2000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseProcess(process);

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/json/?lang=zh-CN");
}

} // namespace
