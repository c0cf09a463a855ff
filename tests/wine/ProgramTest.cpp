// Skyvane.exe started as a user starts it, from a run directory of its own: on the first run the
// defaults are in "Config.ini" by the time the main window is up, and closing the last window
// ends the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "framework/SystemServices.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/TestFolders.h"
#include "tests/support/UiDriver.h"
#include "weather/Startup.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;

namespace {

class RunDirectory {
public:
    RunDirectory() : m_path(testsupport::MakeTempFolder("skyvane-program")) {}
    ~RunDirectory()
    {
        DeleteFileA(Program().c_str());
        DeleteFileA(Engine().c_str());
        DeleteFileA(Config().c_str());
        RemoveDirectoryA(m_path.c_str());
    }
    std::string Program() const { return m_path + "\\Skyvane.exe"; }
    std::string Config() const { return m_path + "\\Config.ini"; }
    std::string Engine() const { return m_path + "\\VeneerCore.dll"; }

private:
    std::string m_path;
};

TEST(Program, FirstRunHasItsSettingsBeforeTheMainWindowAndEndsWithIt)
{
    ASSERT_TRUE(Fixture::Reset());
    FixtureRoute route;
    route.path = "/json/";
    route.body = "{\"regionName\":\"X\",\"city\":\"Y\",\"zip\":\"\"}";
    ASSERT_TRUE(Fixture::AddRoute(route));
    // The first activation runs the first refresh; an answer with content keeps its boxes away.
    FixtureRoute weather;
    weather.path = "/weather/common";
    weather.body = "{\"observe\":{\"weather\":\"\xE6\x99\xB4\",\"weather_code\":\"00\"}}";
    ASSERT_TRUE(Fixture::AddRoute(weather));
    RunDirectory run;
    ASSERT_TRUE(CopyFileA((testsupport::TestsFolder() + "\\..\\bin\\Skyvane.exe").c_str(),
                          run.Program().c_str(), FALSE));
    // The main window's skinned controls need the engine beside the program, or each of them
    // stops the start with a box.
    ASSERT_TRUE(CopyFileA((testsupport::TestsFolder() + "\\..\\bin\\VeneerCore.dll").c_str(),
                          run.Engine().c_str(), FALSE));

    testsupport::StartedProgram program("\"" + run.Program() + "\"");
    ASSERT_TRUE(program.Started()) << GetLastError();
    HWND window = testsupport::WaitForProcessWindow(program.Id(), nullptr, "Skyvane",
                                                    std::chrono::seconds(30));
    EXPECT_NE(window, nullptr);
    // Read while the program runs: its first refresh would read it now.
    GbkText address = framework::ReadConfigValue(run.Config(), "URL", "To");
    GbkText interval = framework::ReadConfigValue(run.Config(), "Auto_Refresh", "To");

    if (window != nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    std::optional<DWORD> exitCode = program.WaitForEnd(std::chrono::seconds(30));

    EXPECT_EQ(address, weather::MakeWeatherUrl("X", "Y"));
    EXPECT_EQ(interval, "1800000");
    ASSERT_TRUE(exitCode.has_value()) << "closing the main window did not end the program";
    EXPECT_EQ(*exitCode, 0u);
}

} // namespace
