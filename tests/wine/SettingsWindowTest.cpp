// The settings window loaded from the program's template: the ticks and the interval it shows
// for the settings read at start, the keys its boxes and combo box write to a real
// "Config.ini", the custom location against a local weather service, and its close button.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/HandlerHarness.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "weather/Startup.h"
#include "windows/Templates.h"

using namespace windows;
using framework::GetUnitProperty;
using framework::UnitId;
using testsupport::Caption;
using testsupport::ClickCheckBox;
namespace units = settingsunits;

namespace {

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::HandlerEnvironment);

// "请先勾选 自动刷新数据"
constexpr char kNeedsAutoRefresh[] =
    "\xC7\xEB\xCF\xC8\xB9\xB4\xD1\xA1 \xD7\xD4\xB6\xAF\xCB\xA2\xD0\xC2\xCA\xFD\xBE\xDD";
constexpr char kDefaultTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA"; // 信息：
constexpr char kCityWord[] = "\xCA\xD0";                     // 市
constexpr char kProvince[] = "\xB9\xE3\xB6\xAB";             // 广东
constexpr char kCity[] = "\xD6\xE9\xBA\xA3";                 // 珠海

struct AllSettings {
    const char* runAtStartup;
    const char* hideAtStart;
    const char* pushAlarms;
    const char* checkUpdateAtStart;
    const char* showTrayIcon;
    const char* trayFollowsWeather;
    const char* refreshInterval;
};

class SettingsWindowTest : public testsupport::HandlerTest {
protected:
    void Hold(const AllSettings& s)
    {
        weather::RunAtStartup.Set(s.runAtStartup);
        weather::HideAtStart.Set(s.hideAtStart);
        weather::PushAlarms.Set(s.pushAlarms);
        weather::CheckUpdateAtStart.Set(s.checkUpdateAtStart);
        weather::ShowTrayIcon.Set(s.showTrayIcon);
        weather::TrayFollowsWeather.Set(s.trayFollowsWeather);
        weather::RefreshInterval.Set(s.refreshInterval);
    }

    void Open(const AllSettings& s)
    {
        Hold(s);
        ASSERT_TRUE(framework::LoadWindow(SettingsWindow));
    }

    bool Ticked(UnitId box) const { return GetUnitProperty(SettingsWindow, box, 16).AsInt() == 1; }

    int32_t Selection() const
    {
        return GetUnitProperty(SettingsWindow, units::IntervalCombo, 37).AsInt();
    }

    void Select(int32_t selection)
    {
        framework::SetUnitProperty(SettingsWindow, units::IntervalCombo, 37, selection);
    }
};

constexpr AllSettings kAllOff = {"0", "0", "0", "0", "0", "0", "0"};
constexpr AllSettings kFirstRun = {"", "", "", "", "", "", ""};

TEST_F(SettingsWindowTest, CreatedShowsBackgroundAndOwnVersion)
{
    const ByteSet background = {0x89, 'P', 'N', 'G', 9, 9};
    weather::WeatherImage.Set(background);
    Open(kAllOff);
    EXPECT_EQ(GetUnitProperty(SettingsWindow, units::WindowSkin, 15).AsBytes(), background);
    TextArray version =
        framework::ReadFileVersionInfo(framework::RunDirectory() + "\\" + framework::OwnFileName());
    EXPECT_EQ(Caption(SettingsWindow, units::VersionLabel),
              "\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA" + version[0]); // 当前版本：
}

struct ShownCase {
    const char* name;
    AllSettings settings;
    // Ticks of EX1, EX2, EX3, EX4, EX5, EX6, EX7.
    bool ticks[7];
    std::optional<int32_t> selection; // none: as the template has it
};

void PrintTo(const ShownCase& c, std::ostream* os)
{
    *os << c.name;
}

const ShownCase kShownCases[] = {
    {"everything on, one hour",
     {"1", "1", "1", "1", "1", "1", "3600000"},
     {true, true, true, true, true, true, true},
     0},
    {"everything off", kAllOff, {false, false, false, false, false, false, false}, -1},
    {"first run: empty settings",
     kFirstRun,
     {false, false, false, false, false, false, true},
     std::nullopt},
    {"thirty minutes",
     {"0", "1", "0", "1", "0", "1", "1800000"},
     {false, true, false, false, true, true, true},
     1},
    {"ten minutes",
     {"1", "0", "1", "0", "1", "0", "600000"},
     {true, false, true, true, false, false, true},
     2},
    {"five minutes",
     {"0", "0", "0", "0", "0", "0", "300000"},
     {false, false, false, false, false, false, true},
     3},
    {"anything but 1 is off",
     {"2", " 1", "yes", "1 ", "-1", "true", "42"},
     {false, false, false, false, false, false, true},
     std::nullopt},
};

class SettingsShown : public SettingsWindowTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(SettingsShown, TicksAndIntervalFollowTheSettingsReadAtStart)
{
    // What the template shows by itself, for the cases that leave the combo box alone.
    Open(kFirstRun);
    const int32_t stored = Selection();
    framework::CloseUnit(SettingsWindow, units::Window);

    const ShownCase& c = GetParam();
    Open(c.settings);
    const UnitId boxes[] = {units::RunAtStartupCheck,       units::HideAtStartCheck,
                            units::PushAlarmCheck,          units::ShowTrayIconCheck,
                            units::TrayFollowsWeatherCheck, units::CheckUpdateAtStartCheck,
                            units::AutoRefreshCheck};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Ticked(boxes[i]), c.ticks[i]) << "box " << i;
    }
    EXPECT_EQ(Selection(), c.selection.value_or(stored));
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsShown, ::testing::ValuesIn(kShownCases));

struct OptionCase {
    const char* name;
    UnitId box;
    const char* section;
    const char* key;
};

void PrintTo(const OptionCase& c, std::ostream* os)
{
    *os << c.name;
}

const OptionCase kOptionCases[] = {
    {"hide at start", units::HideAtStartCheck, "PCS", "H"},
    {"check update at start", units::CheckUpdateAtStartCheck, "AutoInfo", "Up"},
    {"show tray icon", units::ShowTrayIconCheck, "Tray", "To"},
    {"push alarms", units::PushAlarmCheck, "AutoInfo", "To"},
    {"tray follows weather", units::TrayFollowsWeatherCheck, "Tray", "W"},
};

class OptionBox : public SettingsWindowTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionBox, WritesOneOrZeroToItsKey)
{
    Open({"0", "0", "0", "0", "0", "0", "1800000"});
    const OptionCase& c = GetParam();
    ASSERT_TRUE(ClickCheckBox(SettingsWindow, c.box, true));
    EXPECT_EQ(Ini(c.section, c.key), "1");
    ASSERT_TRUE(ClickCheckBox(SettingsWindow, c.box, false));
    EXPECT_EQ(Ini(c.section, c.key), "0");
    EXPECT_EQ(weather::HideAtStart.Get(), "0") << "the settings in memory stay as read";
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionBox, ::testing::ValuesIn(kOptionCases));

const OptionCase kNeedsAutoRefreshCases[] = {
    {"push alarms", units::PushAlarmCheck, "AutoInfo", "To"},
    {"tray follows weather", units::TrayFollowsWeatherCheck, "Tray", "W"},
};

class AutoRefreshNeeded : public SettingsWindowTest,
                          public ::testing::WithParamInterface<OptionCase> {};

TEST_P(AutoRefreshNeeded, RefusedWhileAutoRefreshIsOff)
{
    Open(kAllOff);
    ASSERT_FALSE(Ticked(units::AutoRefreshCheck));
    const OptionCase& c = GetParam();
    testsupport::BoxAnswerer answerer("", IDOK);
    ASSERT_TRUE(ClickCheckBox(SettingsWindow, c.box, true));
    const testsupport::BoxSeen& seen = answerer.Join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kNeedsAutoRefresh);
    EXPECT_EQ(seen.owner, framework::WindowHandle(SettingsWindow));
    EXPECT_EQ(Ini(c.section, c.key), "<none>") << "nothing written";
    EXPECT_TRUE(Ticked(c.box)) << "the box keeps the click's state";
}

INSTANTIATE_TEST_SUITE_P(Cases, AutoRefreshNeeded, ::testing::ValuesIn(kNeedsAutoRefreshCases));

TEST_F(SettingsWindowTest, AutoRefreshBoxStoresTheIntervalOfTheCombo)
{
    Open(kAllOff);
    ASSERT_EQ(Selection(), -1);
    ASSERT_TRUE(ClickCheckBox(SettingsWindow, units::AutoRefreshCheck, true));
    EXPECT_EQ(Ini("Auto_Refresh", "To"), "3600000") << "nothing chosen: one hour";

    Select(2);
    ASSERT_TRUE(ClickCheckBox(SettingsWindow, units::AutoRefreshCheck, true));
    EXPECT_EQ(Ini("Auto_Refresh", "To"), "600000");

    ASSERT_TRUE(ClickCheckBox(SettingsWindow, units::AutoRefreshCheck, false));
    EXPECT_EQ(Ini("Auto_Refresh", "To"), "0") << "whatever the combo shows";
}

TEST_F(SettingsWindowTest, ComboChangeStoresFromAThreadOfItsOwn)
{
    struct Step {
        bool autoRefresh;
        int32_t selection;
        const char* stored;
    };
    const Step steps[] = {
        {true, 0, "3600000"}, {true, 1, "1800000"}, {true, 2, "600000"},
        {true, 3, "300000"},  {false, 1, "0"},
    };
    Open({"0", "0", "0", "0", "0", "0", "600000"});
    for (const Step& step : steps) {
        WriteIni("Auto_Refresh", "To", "unchanged");
        framework::SetUnitProperty(SettingsWindow, units::AutoRefreshCheck, 16, step.autoRefresh);
        Select(step.selection);
        ASSERT_TRUE(testsupport::Click(SettingsWindow, units::IntervalCombo));
        EXPECT_TRUE(testsupport::PumpUntil([&] { return Ini("Auto_Refresh", "To") == step.stored; },
                                           std::chrono::seconds(30)))
            << step.selection << " gave " << Ini("Auto_Refresh", "To");
    }
}

// Answers a run of boxes one after the other, each once the previous one has gone.
class BoxSequence {
public:
    struct Answer {
        int button;
        std::optional<std::string> typed;
    };

    explicit BoxSequence(std::vector<Answer> answers)
        : m_thread([this, answers = std::move(answers)] {
              for (const Answer& answer : answers) {
                  HWND box =
                      testsupport::WaitForTopWindow("#32770", nullptr, std::chrono::seconds(60));
                  if (box == nullptr) {
                      return;
                  }
                  m_seen.push_back({testsupport::WindowText(box), testsupport::StaticTexts(box)});
                  if (answer.typed) {
                      testsupport::TypeIntoEdit(box, *answer.typed);
                  }
                  testsupport::PressButton(box, answer.button);
                  // Until it has gone it is still listed, and would be taken for the next one.
                  if (!testsupport::WaitUntilGone(box)) {
                      return;
                  }
              }
          })
    {
    }

    ~BoxSequence() { Join(); }

    // Title and text of each box answered.
    const std::vector<std::pair<std::string, std::string>>& Join()
    {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_seen;
    }

private:
    std::vector<std::pair<std::string, std::string>> m_seen;
    std::thread m_thread;
};

class CustomLocation : public SettingsWindowTest {
protected:
    void SetUp() override
    {
        SettingsWindowTest::SetUp();
        ASSERT_TRUE(testsupport::Fixture::Reset());
        SetEnvironmentVariableA("SKYVANE_WEATHER_HOST", testsupport::Fixture::HttpBase().c_str());
        weather::Province.Set("old province");
        weather::City.Set("old city");
        weather::WeatherUrl.Set("old url");
        WriteIni("URL", "To", "saved url");
        WriteIni("URL", "City_", "saved city");
        Open(kAllOff);
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("SKYVANE_WEATHER_HOST", nullptr);
        SettingsWindowTest::TearDown();
    }

    void Answer(const std::string& body)
    {
        testsupport::FixtureRoute route;
        route.path = "/weather/common";
        route.body = body;
        ASSERT_TRUE(testsupport::Fixture::AddRoute(route));
    }

    std::vector<std::pair<std::string, std::string>> Enter(std::vector<BoxSequence::Answer> answers)
    {
        BoxSequence boxes(std::move(answers));
        testsupport::Click(SettingsWindow, units::CustomLocationButton);
        return boxes.Join();
    }
};

TEST_F(CustomLocation, SavedWhenTheServiceAnswersInChinese)
{
    Answer("{\"data\":\"\xE6\x99\xB4\"}"); // 晴 in UTF-8
    auto seen = Enter({{IDOK, std::string(" ") + kProvince + "\xA1\xA1"},
                       {IDOK, std::string(kCity) + " "},
                       {IDOK, std::nullopt}});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].second, "\xC7\xEB\xCA\xE4\xC8\xEB\xCA\xA1\xB7\xDD\xA3\xBA "
                              "\xA3\xA8\xC8\xE7\xA3\xBA\xB9\xE3\xB6\xAB\xA3\xA9");
    EXPECT_EQ(seen[1].second, "\xC7\xEB\xCA\xE4\xC8\xEB\xB3\xC7\xCA\xD0\xA3\xBA "
                              "\xA3\xA8\xC8\xE7\xA3\xBA\xD6\xE9\xBA\xA3\xA3\xA9");
    EXPECT_EQ(seen[2].first, kDefaultTitle);
    EXPECT_EQ(seen[2].second,
              "\xB3\xC9\xB9\xA6\xA3\xAC\xBD\xA8\xD2\xE9\xC4\xFA\xD6\xD8\xC6\xF4\xC8\xED\xBC\xFE"
              "\xBA\xF3\xB2\xE9\xBF\xB4\xD0\xA7\xB9\xFB~\r\n\r\nTips:\xCB\xAB\xBB\xF7\xCF\xC2"
              "\xB7\xBD\xC8\xED\xBC\xFE\xCD\xBC\xB1\xEA\xBC\xB4\xBF\xC9\xBF\xEC\xCB\xD9\xD6\xD8"
              "\xC6\xF4~");

    const std::string url = weather::MakeWeatherUrl(kProvince, kCity);
    EXPECT_EQ(weather::Province.Get(), kProvince) << "spaces removed";
    EXPECT_EQ(weather::City.Get(), kCity) << "no city word added in memory";
    EXPECT_EQ(weather::WeatherUrl.Get(), url);
    EXPECT_EQ(Ini("URL", "Gh"), "1");
    EXPECT_EQ(Ini("URL", "To"), url);
    EXPECT_EQ(Ini("URL", "City_"), std::string(kCity) + kCityWord);
    EXPECT_EQ(Ini("URL", "Province_@?F"), kProvince);

    auto requests = testsupport::Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(testsupport::Fixture::HttpBase() + requests[0].target, url);
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json;charset=UTF-8");
}

TEST_F(CustomLocation, CityHoldingTheCityWordIsSavedAsEntered)
{
    Answer("{\"data\":\"\xE6\x99\xB4\"}");
    const std::string city = std::string(kCityWord) + "\xD6\xD0\xC7\xF8"; // 市中区
    Enter({{IDOK, std::string(kProvince)}, {IDOK, city}, {IDOK, std::nullopt}});
    EXPECT_EQ(Ini("URL", "City_"), city);
}

TEST_F(CustomLocation, AnswerWithoutChineseIsAnError)
{
    Answer("{\"data\":\"sunny\"}");
    auto seen =
        Enter({{IDOK, std::string(kProvince)}, {IDOK, std::string(kCity)}, {IDOK, std::nullopt}});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].second, "\xB4\xED\xCE\xF3"); // 错误
    EXPECT_EQ(Ini("URL", "Gh"), "0");
    EXPECT_EQ(Ini("URL", "To"), "saved url");
    EXPECT_EQ(Ini("URL", "City_"), "saved city");
    EXPECT_EQ(Ini("URL", "Province_@?F"), "<none>");
    EXPECT_EQ(weather::City.Get(), kCity) << "the entered location stays for the run";
}

struct AbandonCase {
    const char* name;
    std::vector<BoxSequence::Answer> answers;
};

void PrintTo(const AbandonCase& c, std::ostream* os)
{
    *os << c.name;
}

class CustomLocationAbandoned : public CustomLocation,
                                public ::testing::WithParamInterface<AbandonCase> {};

TEST_P(CustomLocationAbandoned, ChangesNothing)
{
    Answer("{\"data\":\"\xE6\x99\xB4\"}");
    auto seen = Enter(GetParam().answers);
    EXPECT_EQ(seen.size(), GetParam().answers.size());
    EXPECT_TRUE(testsupport::Fixture::Requests().empty());
    EXPECT_EQ(weather::City.Get(), "old city");
    EXPECT_EQ(weather::WeatherUrl.Get(), "old url");
    EXPECT_EQ(Ini("URL", "Gh"), "<none>");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CustomLocationAbandoned,
    ::testing::Values(AbandonCase{"province cancelled", {{IDCANCEL, std::nullopt}}},
                      AbandonCase{"city cancelled",
                                  {{IDOK, std::string(kProvince)}, {IDCANCEL, std::nullopt}}},
                      AbandonCase{"empty province", {{IDOK, std::string()}, {IDOK, "x"}}},
                      AbandonCase{"empty city", {{IDOK, std::string(kProvince)}, {IDOK, ""}}}));

TEST_F(CustomLocation, SpacesOnlyPassAsEmptyTexts)
{
    Answer("{\"data\":\"\xE6\x99\xB4\"}");
    Enter({{IDOK, std::string("  ")}, {IDOK, std::string("\xA1\xA1")}, {IDOK, std::nullopt}});
    EXPECT_EQ(weather::Province.Get(), "");
    EXPECT_EQ(weather::City.Get(), "");
    EXPECT_EQ(Ini("URL", "City_"), kCityWord);
    EXPECT_EQ(Ini("URL", "Province_@?F"), "");
}

TEST_F(SettingsWindowTest, UpdateButtonRunsTheCheckThatTellsWhenNothingIsNewer)
{
    ASSERT_TRUE(testsupport::Fixture::Reset());
    SetEnvironmentVariableA("SKYVANE_SHARE_HOST", testsupport::Fixture::HttpBase().c_str());
    Open(kAllOff);
    testsupport::BoxAnswerer answerer("", IDOK);
    testsupport::Click(SettingsWindow, units::CheckUpdateButton);
    const testsupport::BoxSeen& seen = answerer.Join();
    SetEnvironmentVariableA("SKYVANE_SHARE_HOST", nullptr);
    ASSERT_TRUE(seen.found);
    // "当前已是最新版本。": the share answered no note.
    EXPECT_EQ(seen.text,
              "\xB5\xB1\xC7\xB0\xD2\xD1\xCA\xC7\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE\xA1\xA3");
    EXPECT_EQ(testsupport::Fixture::Requests().size(), 1u);
    EXPECT_NE(framework::WindowHandle(SettingsWindow), nullptr);
}

TEST_F(SettingsWindowTest, CloseButtonDestroysTheWindow)
{
    Open(kAllOff);
    ASSERT_TRUE(testsupport::Click(SettingsWindow, units::CloseButton));
    EXPECT_EQ(framework::WindowHandle(SettingsWindow), nullptr);
}

} // namespace
