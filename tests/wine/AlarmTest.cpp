// The weather-alarm check against a real settings file, and the alarm notice loaded from the
// program's template: its texts, its slide in and out, its rest, its click, its close button and
// a newer alarm that replaces it.
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
#include <utility>
#include <vector>

#include "framework/Framework.h"
#include "framework/WindowServices.h"
#include "tests/support/HandlerHarness.h"
#include "tests/support/ThreadCatcher.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "windows/AlarmCheck.h"
#include "windows/Templates.h"

using namespace windows;
using namespace std::chrono_literals;
using framework::GetUnitProperty;
using testsupport::Caption;
using testsupport::PumpUntil;
using testsupport::ThreadCatcher;
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

// The settings file as its lines show it: each section with its keys, in file order. A value
// that broke out of its line shows up as a section or key of its own.
std::vector<std::pair<std::string, std::vector<std::string>>> IniLayout(const std::string& path)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> layout;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return layout;
    }
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            layout.push_back({line, {}});
        } else if (layout.empty()) {
            layout.push_back({"", {line.substr(0, line.find('='))}});
        } else {
            layout.back().second.push_back(line.substr(0, line.find('=')));
        }
    }
    return layout;
}

struct OddTextCase {
    const char* name;
    std::string detail;
    std::string title;
};

void PrintTo(const OddTextCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string Repeated(const std::string& piece, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

constexpr char kRain[] = "\xD3\xEA"; // 雨
constexpr size_t kReadBackLimit = 10239;

const OddTextCase kOddTextCases[] = {
    {"raw line breaks and section headers",
     "storm\r\n[URL]\r\nTo=http://127.0.0.1/elsewhere\r\nGh=1\r\n[Info]\r\nTo=\r\n",
     "storm\r\n[PCS]\nH=1\r"},
    // Two bytes ahead of the two-byte characters put the limit inside one of them.
    {"longer than the read-back limit", "ab" + Repeated(kRain, kReadBackLimit / 2 + 500),
     Repeated("x", kReadBackLimit + 7)},
    {"other control bytes", std::string("a\tb\x01g\x1f\x7fh\0i", 10), "\tf\x1bg\t"},
    {"spaces and quotes at the ends", "  \"storm\"  ", "'storm'"},
    {"a lead byte without its trail byte", "storm\x95", "\x81 storm"},
};

class AlarmOddText : public Alarm, public ::testing::WithParamInterface<OddTextCase> {};

TEST_P(AlarmOddText, KeepsTheFileItsLinesAndIsAnnouncedOnce)
{
    const OddTextCase& c = GetParam();
    WriteIni("URL", "To", "http://127.0.0.1/weather");
    WriteIni("URL", "Gh", "0");
    SetAlarm(c.detail, c.title);
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());

    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"[URL]", {"To", "Gh"}},
        {"[Info]", {"To", "To_A"}},
    };
    EXPECT_EQ(IniLayout(m_config), expected);
    EXPECT_EQ(Ini("URL", "To"), "http://127.0.0.1/weather");
    EXPECT_EQ(Ini("URL", "Gh"), "0");

    framework::CloseUnit(AlarmPopupWindow, units::Window);
    ASSERT_FALSE(NoticeShown());
    CheckWeatherAlarm();
    EXPECT_FALSE(NoticeShown()) << "the same alarm announced again";
}

INSTANTIATE_TEST_SUITE_P(Cases, AlarmOddText, ::testing::ValuesIn(kOddTextCases));

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
    // The check loads the notice through this thread, which pumps until it is done.
    bool checked = PumpUntil([&] { return done.load(); }, 60s);
    check.join();
    ASSERT_TRUE(checked);
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
    ThreadCatcher firstSlide(ThreadCatcher::Mode::Watch);
    ASSERT_TRUE(firstSlide.Redirected());
    CheckWeatherAlarm();
    firstSlide.Stop();
    ASSERT_EQ(firstSlide.Count(), 1u) << "the notice starts one slide";
    ASSERT_TRUE(NoticeShown());
    ASSERT_TRUE(testsupport::Click(AlarmPopupWindow, units::CloseButton));
    EXPECT_FALSE(NoticeShown());

    // The next notice, under the same window id, is left to its own slide: the first one's
    // remaining moves and its destroy must not reach it.
    SetAlarm("next detail", "next");
    CheckWeatherAlarm();
    ASSERT_TRUE(NoticeShown());
    const int rest = framework::ScreenWidth() - NoticeValue(2) - 10;
    EXPECT_TRUE(PumpUntil([&] { return !NoticeShown() || NoticeValue(0) == rest; }, 30s));
    // Whatever the first slide would still do to a notice, it has done once it has ended.
    ASSERT_TRUE(PumpUntil([&] { return firstSlide.AllEnded(); }, 60s))
        << "the first notice's slide goes on";
    ASSERT_TRUE(NoticeShown()) << "closed by the first notice's slide";
    EXPECT_EQ(NoticeValue(0), rest) << "moved on by the first notice's slide";
}

struct ReplacementCase {
    const char* name;
    // The first notice's slide has not run yet when the newer alarm replaces the notice, as on a
    // busy machine; otherwise the first notice is replaced while it rests.
    bool beforeTheFirstSlideRuns;
};

void PrintTo(const ReplacementCase& c, std::ostream* os)
{
    *os << c.name;
}

class AlarmReplaced : public Alarm, public ::testing::WithParamInterface<ReplacementCase> {};

// A newer alarm while a notice is up, both checked on a worker as the refreshes check them: the
// newer one is remembered and shown with its own texts and colour, comes to rest at the same
// place, and rests there its full 8 seconds, driven by its own slide alone.
TEST_P(AlarmReplaced, TheNewerNoticeRestsItsFullTimeAtItsPlace)
{
    const ReplacementCase& c = GetParam();
    const int screenWidth = framework::ScreenWidth();
    using Clock = std::chrono::steady_clock;
    ThreadCatcher firstSlide(c.beforeTheFirstSlideRuns ? ThreadCatcher::Mode::Hold
                                                       : ThreadCatcher::Mode::Watch);
    ASSERT_TRUE(firstSlide.Redirected());

    std::atomic<bool> done{false};
    std::atomic<bool> firstCameToRest{false};
    std::atomic<int> rest{0};
    std::atomic<Clock::rep> secondLoadedAfter{0};
    std::thread refreshes([&] {
        SetAlarm("first detail", std::string("first ") + kYellow);
        CheckWeatherAlarmThread(nullptr);
        firstSlide.Stop();
        rest = screenWidth - NoticeValue(2) - 10;
        if (!c.beforeTheFirstSlideRuns) {
            const auto end = Clock::now() + 30s;
            while (Clock::now() < end && !firstCameToRest) {
                firstCameToRest = NoticeShown() && NoticeValue(0) == rest;
                Sleep(10);
            }
        }
        SetAlarm("second detail", "second");
        secondLoadedAfter = Clock::now().time_since_epoch().count();
        CheckWeatherAlarmThread(nullptr);
        firstSlide.Release();
        done = true;
    });
    // The checks load the notices through this thread, which pumps until they are done.
    bool checked = PumpUntil([&] { return done.load(); }, 60s);
    refreshes.join();
    ASSERT_TRUE(checked);
    ASSERT_EQ(firstSlide.Count(), 1u) << "the first notice starts one slide";
    if (!c.beforeTheFirstSlideRuns) {
        ASSERT_TRUE(firstCameToRest) << "the first notice never came to rest";
    }

    EXPECT_EQ(Ini("Info", "To"), "second detail");
    EXPECT_EQ(Ini("Info", "To_A"), "second");
    ASSERT_TRUE(NoticeShown());
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTitleLabel), "second");
    EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTextLabel), "second detail");
    EXPECT_EQ(static_cast<uint32_t>(
                  GetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, 19).AsInt()),
              0xFFFFC950u)
        << "no colour word: the stored colour, not the first alarm's yellow";

    // Looked at while this thread pumps for the slide. The rest is timed from the last look
    // before the notice was seen at its place (or the load of the notice) to the first look
    // after it left it, which is never shorter than the rest itself.
    Clock::time_point beforeArrival{Clock::duration(secondLoadedAfter.load())};
    std::optional<Clock::time_point> arrived;
    std::optional<Clock::time_point> left;
    int nearest = screenWidth;
    bool closed = PumpUntil(
        [&] {
            const Clock::time_point now = Clock::now();
            if (!NoticeShown()) {
                if (arrived && !left) {
                    left = now;
                }
                return true;
            }
            const int at = NoticeValue(0);
            nearest = std::min(nearest, at);
            if (!arrived && at != rest) {
                beforeArrival = now;
            } else if (!arrived) {
                arrived = now;
            } else if (!left && at != rest) {
                left = now;
            }
            EXPECT_EQ(Caption(AlarmPopupWindow, units::AlarmTextLabel), "second detail");
            return false;
        },
        60s);
    ASSERT_TRUE(closed) << "the second notice never closed";
    EXPECT_EQ(nearest, rest.load()) << "slid further than to its place";
    ASSERT_TRUE(arrived) << "never seen at its place";
    ASSERT_TRUE(left);
    EXPECT_GE(*left - beforeArrival, 8s) << "rested less than its full time";
}

const ReplacementCase kReplacementCases[] = {
    {"before the first notice's slide runs", true},
    {"while the first notice rests", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, AlarmReplaced, ::testing::ValuesIn(kReplacementCases));

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
