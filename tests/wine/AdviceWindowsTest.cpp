// The alarm detail, advice and about windows loaded from the program's templates: what each
// shows once created, the detail's click and the close buttons.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "framework/Framework.h"
#include "tests/support/HandlerHarness.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "windows/Templates.h"

using namespace windows;
using framework::GetUnitProperty;
using framework::LoadWindow;
using framework::UnitId;
using framework::WindowId;
using testsupport::Caption;

namespace {

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::HandlerEnvironment);

const ByteSet kBackground = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3};

constexpr char kOrange[] = "\xB3\xC8\xC9\xAB"; // 橙色
constexpr char kYellow[] = "\xBB\xC6\xC9\xAB"; // 黄色
constexpr char kRed[] = "\xBA\xEC\xC9\xAB";    // 红色
constexpr char kOpen[] = "\xA3\xA8";           // （
constexpr char kClose[] = "\xA3\xA9";          // ）

class AdviceWindows : public testsupport::HandlerTest {
protected:
    void SetRecord(const weather::WeatherRecord& record)
    {
        weather::CurrentWeather.Set(record);
        weather::WeatherImage.Set(kBackground);
    }

    ByteSet Background(WindowId window, UnitId skin)
    {
        return GetUnitProperty(window, skin, 15).AsBytes();
    }
};

struct DetailCase {
    const char* name;
    std::string detail;
    std::string shown;
};

void PrintTo(const DetailCase& c, std::ostream* os)
{
    *os << c.name;
}

const DetailCase kDetailCases[] = {
    {"plain", "ABC", "ABC"},
    {"remark in full-width parentheses", std::string("A") + kOpen + "remark" + kClose + "B", "AB"},
    {"two remarks", std::string(kOpen) + "1" + kClose + "x" + kOpen + "2" + kClose, "x"},
    {"parenthesis never closed stays", std::string("A") + kOpen + "B",
     std::string("A") + kOpen + "B"},
    {"escaped line breaks joined", "one.\\ntwo.\\nthree.", "one.two.three."},
    {"backslash up to a later n", "a\\xyz n b", "a b"},
    {"both", std::string("x") + kOpen + "\\n" + kClose + "y\\nz", "xyz"},
    {"empty", "", ""},
};

class AlarmDetailText : public AdviceWindows, public ::testing::WithParamInterface<DetailCase> {};

TEST_P(AlarmDetailText, LosesRemarksAndEscapedLineBreaks)
{
    weather::WeatherRecord record;
    record.AlarmDetail = GetParam().detail;
    SetRecord(record);
    ASSERT_TRUE(LoadWindow(AlarmDetailWindow));
    EXPECT_EQ(Caption(AlarmDetailWindow, alarmdetailunits::AlarmTextLabel), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, AlarmDetailText, ::testing::ValuesIn(kDetailCases));

TEST_F(AdviceWindows, AlarmDetailShowsTitleAndBackground)
{
    weather::WeatherRecord record;
    record.AlarmDetail = "detail";
    SetRecord(record);
    weather::AlarmTitle.Set(std::string("title ") + kRed);
    ASSERT_TRUE(LoadWindow(AlarmDetailWindow));
    EXPECT_EQ(Caption(AlarmDetailWindow, alarmdetailunits::AlarmTypeLabel),
              std::string("title ") + kRed);
    EXPECT_EQ(Background(AlarmDetailWindow, alarmdetailunits::WindowSkin), kBackground);
    EXPECT_EQ(GetUnitProperty(AlarmDetailWindow, alarmdetailunits::AlarmTypeLabel, 19).AsInt(),
              -65535);
}

struct TitleColourCase {
    const char* name;
    std::string title;
    uint32_t colour;
};

void PrintTo(const TitleColourCase& c, std::ostream* os)
{
    *os << c.name;
}

const TitleColourCase kTitleColourCases[] = {
    {"orange then yellow is yellow", std::string(kOrange) + kYellow, 0xFFFFFE0C},
    {"orange", kOrange, 0xFFFFC950},
    {"no colour word keeps the stored colour", "storm", 0xFFFFC950},
    {"no title keeps the stored colour", "", 0xFFFFC950},
};

class AlarmDetailColour : public AdviceWindows,
                          public ::testing::WithParamInterface<TitleColourCase> {};

TEST_P(AlarmDetailColour, FollowsTheTitle)
{
    SetRecord({});
    weather::AlarmTitle.Set(GetParam().title);
    ASSERT_TRUE(LoadWindow(AlarmDetailWindow));
    EXPECT_EQ(static_cast<uint32_t>(
                  GetUnitProperty(AlarmDetailWindow, alarmdetailunits::AlarmTypeLabel, 19).AsInt()),
              GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Cases, AlarmDetailColour, ::testing::ValuesIn(kTitleColourCases));

TEST_F(AdviceWindows, ClickOnTheDetailShowsTheCleanedText)
{
    weather::WeatherRecord record;
    record.AlarmDetail = std::string("A") + kOpen + "r" + kClose + "B\\nC";
    SetRecord(record);
    ASSERT_TRUE(LoadWindow(AlarmDetailWindow));
    testsupport::BoxAnswerer answerer("", IDOK);
    ASSERT_TRUE(testsupport::Click(AlarmDetailWindow, alarmdetailunits::AlarmTextLabel));
    const testsupport::BoxSeen& seen = answerer.Join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "ABC");
    EXPECT_EQ(seen.owner, framework::WindowHandle(AlarmDetailWindow));
}

struct AdviceCase {
    const char* name;
    WindowId window;
    UnitId skin;
    UnitId infoLabel;
    UnitId detailLabel;
    std::string info;
    std::string detail;
};

void PrintTo(const AdviceCase& c, std::ostream* os)
{
    *os << c.name;
}

const AdviceCase kAdviceCases[] = {
    {"aircon", AirconAdviceWindow, airconunits::WindowSkin, airconunits::InfoLabel,
     airconunits::DetailLabel, "aircon info", "aircon extra"},
    {"clothes", ClothesAdviceWindow, clothesunits::WindowSkin, clothesunits::InfoLabel,
     clothesunits::DetailLabel, "clothes info", "clothes extra"},
    {"umbrella", UmbrellaAdviceWindow, umbrellaunits::WindowSkin, umbrellaunits::InfoLabel,
     umbrellaunits::DetailLabel, "umbrella info", "umbrella detail"},
};

class AdviceWindow : public AdviceWindows, public ::testing::WithParamInterface<AdviceCase> {};

TEST_P(AdviceWindow, ShowsItsInfoAndItsSecondText)
{
    weather::WeatherRecord record;
    record.AirconInfo = "aircon info";
    record.AirconDetail = "aircon detail";
    record.ClothesInfo = "clothes info";
    record.ClothesDetail = "clothes detail";
    record.UmbrellaInfo = "umbrella info";
    record.UmbrellaDetail = "umbrella detail";
    SetRecord(record);
    weather::AirconExtra.Set("aircon extra");
    weather::ClothesExtra.Set("clothes extra");

    const AdviceCase& c = GetParam();
    ASSERT_TRUE(LoadWindow(c.window));
    EXPECT_EQ(Caption(c.window, c.infoLabel), c.info);
    EXPECT_EQ(Caption(c.window, c.detailLabel), c.detail);
    EXPECT_EQ(Background(c.window, c.skin), kBackground);
}

TEST_P(AdviceWindow, EmptyFieldsShowEmptyLabels)
{
    SetRecord({});
    weather::WeatherImage.Clear();
    const AdviceCase& c = GetParam();
    ASSERT_TRUE(LoadWindow(c.window));
    EXPECT_EQ(Caption(c.window, c.infoLabel), "");
    EXPECT_EQ(Caption(c.window, c.detailLabel), "");
    EXPECT_TRUE(Background(c.window, c.skin).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, AdviceWindow, ::testing::ValuesIn(kAdviceCases));

TEST_F(AdviceWindows, AboutWindowTakesTheBackgroundAndKeepsItsTexts)
{
    SetRecord({});
    ASSERT_TRUE(LoadWindow(AboutWindow));
    EXPECT_EQ(Background(AboutWindow, aboutunits::WindowSkin), kBackground);
    EXPECT_EQ(Caption(AboutWindow, aboutunits::NameLabel), "Skyvane(\xE1\xB0\xD6\xDB)");
}

struct CloseCase {
    const char* name;
    WindowId window;
    UnitId closeButton;
};

void PrintTo(const CloseCase& c, std::ostream* os)
{
    *os << c.name;
}

const CloseCase kCloseCases[] = {
    {"alarm detail", AlarmDetailWindow, alarmdetailunits::CloseButton},
    {"aircon", AirconAdviceWindow, airconunits::CloseButton},
    {"clothes", ClothesAdviceWindow, clothesunits::CloseButton},
    {"umbrella", UmbrellaAdviceWindow, umbrellaunits::CloseButton},
    {"about", AboutWindow, aboutunits::CloseButton},
};

class CloseButton : public AdviceWindows, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseButton, DestroysItsOwnWindowOnly)
{
    SetRecord({});
    ASSERT_TRUE(LoadWindow(GetParam().window));
    WindowId other = GetParam().window == AboutWindow ? AirconAdviceWindow : AboutWindow;
    ASSERT_TRUE(LoadWindow(other));
    ASSERT_TRUE(testsupport::Click(GetParam().window, GetParam().closeButton));
    EXPECT_EQ(framework::WindowHandle(GetParam().window), nullptr);
    EXPECT_NE(framework::WindowHandle(other), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, CloseButton, ::testing::ValuesIn(kCloseCases));

} // namespace
