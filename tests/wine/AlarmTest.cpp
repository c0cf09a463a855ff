// The weather-alarm check against a real settings file, and the alarm notice loaded from the
// program's template: its texts, its slide in and out, its click and its close button.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "framework/WindowServices.h"
#include "tests/support/HandlerHarness.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "windows/AlarmCheck.h"
#include "windows/Templates.h"

using namespace windows;
using framework::GetUnitProperty;
using testsupport::Caption;
namespace units = alarmpopupunits;

namespace {

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::HandlerEnvironment);

constexpr char kYellow[] = "\xBB\xC6\xC9\xAB"; // 黄色
constexpr char kBlue[] = "\xC0\xB6\xC9\xAB";   // 蓝色

class Alarm : public testsupport::HandlerTest {
protected:
    void SetAlarm(const std::string& detail, const std::string& title)
    {
        weather::WeatherRecord record;
        record.AlarmDetail = detail;
        weather::CurrentWeather.Set(record);
        weather::AlarmTitle.Set(title);
    }

    bool NoticeShown() const { return framework::WindowHandle(AlarmPopupWindow) != nullptr; }

    int NoticeValue(framework::PropertyIndex index) const
    {
        return GetUnitProperty(AlarmPopupWindow, units::Window, index).AsInt();
    }
};

struct CheckCase {
    const char* name;
    std::optional<std::string> rememberedDetail; // none: the key is not in the file
    std::optional<std::string> rememberedTitle;
    std::string detail;
    std::string title;
    bool announced;
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.name;
}

const CheckCase kCheckCases[] = {
    {"first alarm ever, no keys", std::nullopt, std::nullopt, "storm detail", "storm", true},
    {"first alarm ever, empty keys", "", "", "storm detail", "storm", true},
    {"same alarm again", "storm detail", "storm", "storm detail", "storm", false},
    {"new detail and title", "old detail", "old", "storm detail", "storm", true},
    {"new detail, same title", "old detail", "storm", "storm detail", "storm", false},
    {"same detail, new title", "storm detail", "old", "storm detail", "storm", false},
    {"empty title remembered and shown", std::nullopt, std::nullopt, "storm detail", "", true},
};

class AlarmCheck : public Alarm, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(AlarmCheck, RemembersAndAnnouncesOnlyANewAlarm)
{
    const CheckCase& c = GetParam();
    if (c.rememberedDetail) {
        WriteIni("Info", "To", *c.rememberedDetail);
    }
    if (c.rememberedTitle) {
        WriteIni("Info", "To_A", *c.rememberedTitle);
    }
    SetAlarm(c.detail, c.title);
    CheckWeatherAlarm();
    EXPECT_EQ(NoticeShown(), c.announced);
    if (c.announced) {
        EXPECT_EQ(Ini("Info", "To"), c.detail);
        EXPECT_EQ(Ini("Info", "To_A"), c.title);
    } else {
        EXPECT_EQ(Ini("Info", "To"), c.rememberedDetail.value_or("<none>"));
        EXPECT_EQ(Ini("Info", "To_A"), c.rememberedTitle.value_or("<none>"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AlarmCheck, ::testing::ValuesIn(kCheckCases));

TEST_F(Alarm, NoAlarmLeavesTheFileUntouched)
{
    SetAlarm("", "storm");
    CheckWeatherAlarm();
    EXPECT_FALSE(NoticeShown());
    EXPECT_EQ(GetFileAttributesA(m_config.c_str()), INVALID_FILE_ATTRIBUTES) << "file created";

    WriteIni("Info", "To", "old detail");
    CheckWeatherAlarm();
    EXPECT_FALSE(NoticeShown());
    EXPECT_EQ(Ini("Info", "To"), "old detail");
    EXPECT_EQ(Ini("Info", "To_A"), "<none>");
}

TEST_F(Alarm, PushAlarmsSettingPlaysNoPart)
{
    WriteIni("AutoInfo", "To", "0");
    weather::PushAlarms.Set("0");
    SetAlarm("storm detail", "storm");
    CheckWeatherAlarm();
    EXPECT_TRUE(NoticeShown());
}

TEST_F(Alarm, ChecksOnItsOwnThreadAndShowsTheAlarm)
{
    SetAlarm("detail text", std::string("storm ") + kBlue + kYellow);
    std::atomic<bool> done{false};
    std::thread check([&] {
        CheckWeatherAlarmThread(nullptr);
        done = true;
    });
    testsupport::PumpUntil([&] { return done.load(); });
    check.join();
    ASSERT_TRUE(NoticeShown());
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTitleLabel),
              std::string("storm ") + kBlue + kYellow);
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTextLabel), "detail text");
    EXPECT_EQ(static_cast<uint32_t>(
                  GetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, 19).AsInt()),
              0xFFFFFE0Cu)
        << "yellow is tested before blue";
}

TEST_F(Alarm, TitleWithoutColourWordKeepsTheStoredColour)
{
    SetAlarm("detail", "fog");
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    EXPECT_EQ(static_cast<uint32_t>(
                  GetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, 19).AsInt()),
              0xFFFFC950u);
}

TEST_F(Alarm, SlidesInRestsAndSlidesOutThenCloses)
{
    SetAlarm("detail", "storm");
    const int screenWidth = framework::ScreenWidth();
    const int screenHeight = framework::ScreenHeight();
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    const int width = NoticeValue(2);
    EXPECT_EQ(NoticeValue(1), screenHeight - NoticeValue(3) - 40);

    std::vector<int> lefts;
    bool closed = testsupport::PumpUntil(
        [&] {
            if (!NoticeShown()) {
                return true;
            }
            int left = NoticeValue(0);
            if (lefts.empty() || lefts.back() != left) {
                lefts.push_back(left);
            }
            return false;
        },
        std::chrono::seconds(30));
    ASSERT_TRUE(closed) << "the notice never closed";
    ASSERT_FALSE(lefts.empty());
    EXPECT_LE(lefts.front(), screenWidth);
    EXPECT_GE(lefts.front(), screenWidth - width - 10);
    EXPECT_EQ(*std::min_element(lefts.begin(), lefts.end()), screenWidth - width - 10)
        << "rests 10 pixels from the right edge";
    EXPECT_GT(lefts.back(), screenWidth - width - 10) << "slid back before closing";
}

TEST_F(Alarm, CloseButtonEndsTheNoticeDuringTheSlide)
{
    SetAlarm("detail", "storm");
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    ASSERT_TRUE(testsupport::Click(AlarmPopupWindow, units::CloseButton));
    EXPECT_FALSE(NoticeShown());

    // The next notice, under the same window id, is left to its own slide: the first one's
    // remaining moves and its destroy must not reach it.
    SetAlarm("next detail", "next");
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    const int rest = framework::ScreenWidth() - NoticeValue(2) - 10;
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !NoticeShown() || NoticeValue(0) == rest; },
                                       std::chrono::seconds(10)));
    testsupport::PumpFor(std::chrono::seconds(1));
    ASSERT_TRUE(NoticeShown()) << "closed by the first notice's slide";
    EXPECT_EQ(NoticeValue(0), rest) << "moved on by the first notice's slide";
}

// A newer alarm while the notice rests: it is remembered and shown, with its own texts and
// colour, for a whole rest of its own at the resting place.
TEST_F(Alarm, ANewAlarmDuringTheNoticeIsShownToo)
{
    SetAlarm("first detail", std::string("first ") + kYellow);
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTextLabel), "first detail");
    const int rest = framework::ScreenWidth() - NoticeValue(2) - 10;
    ASSERT_TRUE(testsupport::PumpUntil([&] { return NoticeShown() && NoticeValue(0) == rest; },
                                       std::chrono::seconds(10)))
        << "the first notice never came to rest";

    SetAlarm("second detail", "second");
    CheckWeatherAlarm();
    const auto shown = std::chrono::steady_clock::now();
    EXPECT_EQ(Ini("Info", "To"), "second detail");
    EXPECT_EQ(Ini("Info", "To_A"), "second");
    ASSERT_TRUE(NoticeShown());
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTitleLabel), "second");
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTextLabel), "second detail");
    EXPECT_EQ(static_cast<uint32_t>(
                  GetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, 19).AsInt()),
              0xFFFFC950u)
        << "no colour word: the stored colour, not the first alarm's yellow";

    int nearest = framework::ScreenWidth();
    bool closed = testsupport::PumpUntil(
        [&] {
            if (!NoticeShown()) {
                return true;
            }
            nearest = std::min(nearest, NoticeValue(0));
            EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTextLabel), "second detail");
            return false;
        },
        std::chrono::seconds(30));
    ASSERT_TRUE(closed) << "the second notice never closed";
    EXPECT_GE(std::chrono::steady_clock::now() - shown, std::chrono::seconds(8))
        << "the second alarm had less than its full rest";
    EXPECT_EQ(nearest, rest) << "the second notice came to rest at the same place";
}

TEST_F(Alarm, ClickOnTheTextShowsTheWholeAlarm)
{
    SetAlarm("the whole detail", "storm title");
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    testsupport::BoxAnswerer answerer("storm title", IDOK);
    ASSERT_TRUE(testsupport::Click(AlarmPopupWindow, units::AlarmTextLabel));
    const testsupport::BoxSeen& seen = answerer.Join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "the whole detail");
    EXPECT_EQ(seen.owner, nullptr);
}

} // namespace
