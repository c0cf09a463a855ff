// When an alarm is new, and the colour of its title.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "tests/support/GbkLiteral.h"
#include "windows/AlarmRules.h"

using namespace windows;
using testsupport::Gbk;

namespace {

struct NewAlarmCase {
    const char* name;
    std::string rememberedDetail;
    std::string rememberedTitle;
    std::string detail;
    std::string title;
    bool isNew;
};

void PrintTo(const NewAlarmCase& c, std::ostream* os)
{
    *os << c.name;
}

const NewAlarmCase kNewAlarmCases[] = {
    {"no alarm, nothing remembered", "", "", "", "", false},
    {"no alarm, one remembered", "old detail", "old title", "", "", false},
    {"no alarm but a title", "", "", "", "title", false},
    {"first alarm ever", "", "", "detail", "title", true},
    {"first alarm with an empty title", "", "", "detail", "", true},
    {"the same alarm again", "detail", "title", "detail", "title", false},
    {"new detail and new title", "old detail", "old title", "detail", "title", true},
    {"new detail, same title", "old detail", "title", "detail", "title", false},
    {"same detail, new title", "detail", "old title", "detail", "title", false},
    {"only the title remembered, both differ", "", "old title", "detail", "title", true},
    {"only the detail remembered, the same", "detail", "", "detail", "title", false},
    {"bytes compared exactly", "Detail", "Title", "detail", "title", true},
};

class NewAlarm : public ::testing::TestWithParam<NewAlarmCase> {};

TEST_P(NewAlarm, IsAnnouncedOnlyWhenDetailAndTitleBothChanged)
{
    const NewAlarmCase& c = GetParam();
    EXPECT_EQ(IsNewAlarm(c.rememberedDetail, c.rememberedTitle, c.detail, c.title), c.isNew);
}

INSTANTIATE_TEST_SUITE_P(Cases, NewAlarm, ::testing::ValuesIn(kNewAlarmCases));

struct RememberedCase {
    const char* name;
    std::string text;
    size_t maxBytes;
    std::string remembered;
};

void PrintTo(const RememberedCase& c, std::ostream* os)
{
    *os << c.name;
}

const RememberedCase kRememberedCases[] = {
    {"plain text stays", "storm detail", 100, "storm detail"},
    {"Chinese text stays", Gbk("暴雨黄色预警，请注意"), 100, Gbk("暴雨黄色预警，请注意")},
    {"line breaks and a section header stay on one line", "a\r\n[URL]\r\nTo=x\n", 100,
     "a  [URL]  To=x"},
    {"every control byte becomes a space", std::string("a\tb\0g\x1f\x7fh", 8), 100, "a b g  h"},
    {"cut at the limit", "abcd", 3, "abc"},
    {"exactly the limit", "abc", 3, "abc"},
    {"cut before a character the limit would split", "ab" + Gbk("雨雨雨"), 5, "ab" + Gbk("雨")},
    {"cut, then the blanks before the cut go", "abc  def", 5, "abc"},
    {"a lead byte at the end", "storm\x95", 100, "storm?"},
    {"a lead byte before a byte that is no trail byte", "\x81 x", 100, "? x"},
    {"a lead byte before DEL", "\x81\x7Fz", 100, "? z"},
    {"bytes that begin no character", "a\xFF\x80z", 100, "a??z"},
    {"the lowest trail byte makes a character", "\x81\x40", 100, "\x81\x40"},
    {"spaces and line breaks at the ends", " \r\n storm \r\n", 100, "storm"},
    {"a stray byte after a whole character", "x\xC4\xA1\xA1", 100, "x\xC4\xA1?"},
    {"double quotes around", "\"storm\"", 100, "storm"},
    {"single quotes around", "'storm'", 100, "storm"},
    {"quotes and blanks around in turn", " ' \"storm\" ' ", 100, "storm"},
    {"quotes that do not match stay", "\"storm'", 100, "\"storm'"},
    {"a quote on one side stays", "\"storm", 100, "\"storm"},
    {"a lone quote stays", "\"", 100, "\""},
    {"an empty pair of quotes leaves nothing", "\"\"", 100, ""},
    {"only line breaks leave nothing", "\r\n", 100, ""},
    {"empty", "", 100, ""},
};

class RememberedText : public ::testing::TestWithParam<RememberedCase> {};

TEST_P(RememberedText, IsWhatTheSettingsFileGivesBack)
{
    const RememberedCase& c = GetParam();
    const std::string remembered = RememberedAlarmText(c.text, c.maxBytes);
    EXPECT_EQ(remembered, c.remembered);
    // Compared with what was remembered before, the text is treated again: the treatment of a
    // remembered text must leave it as it is.
    EXPECT_EQ(RememberedAlarmText(remembered, c.maxBytes), remembered);
}

INSTANTIATE_TEST_SUITE_P(Cases, RememberedText, ::testing::ValuesIn(kRememberedCases));

struct ColourCase {
    const char* name;
    std::string title;
    std::optional<int32_t> colour;
};

void PrintTo(const ColourCase& c, std::ostream* os)
{
    *os << c.name;
}

const ColourCase kColourCases[] = {
    {"yellow", Gbk("暴雨黄色预警"), -500},
    {"orange", Gbk("高温橙色预警"), -14000},
    {"red", Gbk("台风红色预警"), -65535},
    {"blue", Gbk("大风蓝色预警"), -5051154},
    {"orange before yellow in the text: yellow is tested first", Gbk("橙色转黄色预警"), -500},
    {"red and blue: red is tested first", Gbk("蓝色升级为红色预警"), -65535},
    {"no colour word", Gbk("道路结冰预警"), std::nullopt},
    {"empty title", "", std::nullopt},
};

class TitleColour : public ::testing::TestWithParam<ColourCase> {};

TEST_P(TitleColour, FollowsTheFirstColourWordOfTheOrder)
{
    const ColourCase& c = GetParam();
    EXPECT_EQ(AlarmTitleColour(c.title), c.colour);
}

INSTANTIATE_TEST_SUITE_P(Cases, TitleColour, ::testing::ValuesIn(kColourCases));

TEST(TitleColour, ValuesAreTheStoredArgbWords)
{
    EXPECT_EQ(static_cast<uint32_t>(*AlarmTitleColour("\xBB\xC6\xC9\xAB")), 0xFFFFFE0Cu);
    EXPECT_EQ(static_cast<uint32_t>(*AlarmTitleColour("\xB3\xC8\xC9\xAB")), 0xFFFFC950u);
    EXPECT_EQ(static_cast<uint32_t>(*AlarmTitleColour("\xBA\xEC\xC9\xAB")), 0xFFFF0001u);
    EXPECT_EQ(static_cast<uint32_t>(*AlarmTitleColour("\xC0\xB6\xC9\xAB")), 0xFFB2ECEEu);
}

} // namespace
