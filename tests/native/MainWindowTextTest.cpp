// The main window's texts: number captions, area line, tip and alarm title.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "tests/support/GbkLiteral.h"
#include "windows/MainWindowText.h"

using namespace windows;
using testsupport::Gbk;

namespace {

TEST(NumberCaptions, UseTheCodePageBytesOfTheUnits)
{
    // ° is A1 E3, 湿度： CA AA B6 C8 A3 BA, 气压： C6 F8 D1 B9 A3 BA.
    EXPECT_EQ(DegreeCaption(-3), "-3\xA1\xE3"
                                 "C");
    EXPECT_EQ(HumidityCaption(85), "\xCA\xAA\xB6\xC8\xA3\xBA"
                                   "85%");
    EXPECT_EQ(PressureCaption(1012), "\xC6\xF8\xD1\xB9\xA3\xBA"
                                     "1012hPa");
}

TEST(NumberCaptions, ShowZeroAndExtremes)
{
    EXPECT_EQ(DegreeCaption(0), Gbk("0°C"));
    EXPECT_EQ(HumidityCaption(0), Gbk("湿度：0%"));
    EXPECT_EQ(PressureCaption(INT32_MIN), Gbk("气压：-2147483648hPa"));
}

TEST(AreaLine, PrefersTheCustomCity)
{
    EXPECT_EQ(AreaLine("", Gbk("杭州市"), "2024-05-01 08:00"),
              Gbk("所在区域：杭州市 更新时间：2024-05-01 08:00"));
    EXPECT_EQ(AreaLine(Gbk("西湖区"), Gbk("杭州市"), "08:00"),
              Gbk("所在区域：西湖区 更新时间：08:00"));
    EXPECT_EQ(AreaLine("", "", ""), Gbk("所在区域： 更新时间："));
}

struct TipCase {
    const char* name;
    std::string tip;
    std::string expected;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const TipCase& c, std::ostream* os)
{
    *os << c.name;
}

const TipCase kTipCases[] = {
    {"punctuation and digits dropped", Gbk("天冷了，注意保暖！气温5°C"),
     Gbk("天冷了注意保暖气温~")},
    {"no chinese characters", "Have a nice day :)", "~"},
    {"empty", "", "~"},
};

class TipCaptionCases : public testing::TestWithParam<TipCase> {};

TEST_P(TipCaptionCases, KeepsChineseCharactersAndAddsTilde)
{
    EXPECT_EQ(TipCaption(GetParam().tip), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TipCaptionCases, testing::ValuesIn(kTipCases));

TEST(RemoveEscapedLineBreaks, JoinsLinesAndKeepsOtherBackslashes)
{
    EXPECT_EQ(RemoveEscapedLineBreaks(Gbk("第一行\\n第二行")), Gbk("第一行第二行"));
    EXPECT_EQ(RemoveEscapedLineBreaks(Gbk("路径C:\\温度")), Gbk("路径C:\\温度"));
}

struct AlarmCase {
    const char* name;
    std::string detail;
    std::string city;
    std::string expected;
};

void PrintTo(const AlarmCase& c, std::ostream* os)
{
    *os << c.name;
}

const AlarmCase kAlarmCases[] = {
    {"issued for the city, up to the signal",
     Gbk("北京市气象台发布北京市暴雨橙色预警信号：预计未来3小时有强降雨。"), Gbk("北京市"),
     Gbk("暴雨橙色预警")},
    {"issued, without the city",
     Gbk("北京市气象台2024年07月30日10时15分发布暴雨蓝色预警信号：预计今天夜间有暴雨。"),
     Gbk("海淀区"), Gbk("暴雨蓝色预警")},
    {"issued, up to the comma when there is no signal",
     Gbk("上海中心气象台发布大风黄色预警，预计今天午后有8级阵风。"), Gbk("上海市"),
     Gbk("大风黄色预警")},
    {"raised for the city", Gbk("气象台将杭州市高温预警等级提升为橙色，请注意防暑。"),
     Gbk("杭州市"), Gbk("高温预警等级提升")},
    // After 预警 comes the colon, so the cut up to the comma lacks the word and the text before
    // the first colon is taken.
    {"warning word, then the colon", Gbk("雷电黄色预警：预计未来6小时有雷电活动，请注意防范。"),
     Gbk("广州市"), Gbk("雷电黄色预警")},
    {"candidate without the warning word is replaced", Gbk("气象台发布雷电信号：请注意防范。"),
     Gbk("广州市"), Gbk("气象台发布雷电信号")},
    {"no marker but a colon", Gbk("道路结冰：请注意交通安全"), Gbk("沈阳市"), Gbk("道路结冰")},
    {"no marker at all", Gbk("请注意防范"), Gbk("沈阳市"), ""},
    {"empty city still tries the other cuts", Gbk("省气象台发布寒潮蓝色预警信号：气温将下降。"), "",
     Gbk("寒潮蓝色预警")},
};

class AlarmTitleCases : public testing::TestWithParam<AlarmCase> {};

TEST_P(AlarmTitleCases, CutsTheTitle)
{
    const AlarmCase& c = GetParam();
    EXPECT_EQ(AlarmTitleFromDetail(c.detail, c.city), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AlarmTitleCases, testing::ValuesIn(kAlarmCases));

} // namespace
