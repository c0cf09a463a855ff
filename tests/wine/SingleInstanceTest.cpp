// Skyvane.exe started as a user starts it, from a run directory of its own: a second copy ends
// at once and silently, before it touches a file or the network.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "tests/support/TestFolders.h"
#include "tests/support/UiDriver.h"
#include "toolkit/ScopedWin.h"
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

    std::string CommandLine() const
    {
        std::string line = Program();
        line.insert(line.begin(), '"');
        line.push_back('"');
        return line;
    }

private:
    static inline int s_counter = 0;
    std::string m_directory;
    bool m_copied = false;
};

// Another current directory than the copy's, as a shortcut would give it.
std::string TempDirectory()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    return base;
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
    toolkit::ScopedHandle event(CreateEventA(nullptr, FALSE, FALSE, weather::kInstanceEventName));
    ASSERT_TRUE(event);
    testsupport::StartedProgram program(copy.CommandLine(), TempDirectory());
    ASSERT_TRUE(program.Started()) << GetLastError();
    std::optional<DWORD> exitCode = program.WaitForEnd(std::chrono::seconds(30));
    program.End();
    event.Reset();

    // Once it has ended it can have done nothing more than it did.
    ASSERT_TRUE(exitCode.has_value()) << "the second copy did not end";
    EXPECT_EQ(*exitCode, 0u);
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

    testsupport::StartedProgram program(copy.CommandLine(), TempDirectory());
    ASSERT_TRUE(program.Started()) << GetLastError();
    std::vector<testsupport::RecordedRequest> requests;
    testsupport::PumpUntil(
        [&] {
            requests = Fixture::Requests();
            return !requests.empty();
        },
        std::chrono::seconds(30));
    // The program runs on to its windows; this test has seen what it came for.
    program.End();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/json/?lang=zh-CN");
}

} // namespace
