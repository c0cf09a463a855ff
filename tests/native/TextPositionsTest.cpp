// Byte-wise searches with 1-based positions, and the removal of marked stretches.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/GbkLiteral.h"
#include "windows/TextPositions.h"

using namespace windows;
using testsupport::Gbk;

namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string needle;
    int32_t startPos;
    bool ignoreCase;
    int32_t expected;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const FindCase& c, std::ostream* os)
{
    *os << c.name;
}

const FindCase kFindCases[] = {
    {"first match", "abcabc", "bc", 1, false, 2},
    {"from a later start", "abcabc", "bc", 3, false, 5},
    {"start on the match", "abcabc", "bc", 5, false, 5},
    {"start past the last match", "abcabc", "bc", 6, false, -1},
    {"start far past the end", "abc", "c", 50, false, -1},
    {"start below one counts as one", "abc", "a", -3, false, 1},
    {"case differs", "ABC", "bc", 1, false, -1},
    {"case folded", "ABC", "bc", 1, true, 2},
    {"needle folded too", "abc", "BC", 1, true, 2},
    {"empty text", "", "a", 1, false, -1},
    {"empty needle", "abc", "", 1, false, -1},
    {"missing", "abc", "d", 1, false, -1},
    // 预 D4 A4, 警 BE AF: the bytes A4 BE span the two characters and still match, since
    // this search does not keep two-byte characters whole.
    {"not aligned to characters", "\xD4\xA4\xBE\xAF", "\xA4\xBE", 1, false, 2},
    // Folding touches only A-Z: the trail byte 0x41 ('A') of a GBK character folds too, as
    // _strlwr does, and the lead byte stays.
    {"folding is ascii only", "\x81\x41", "\x81\x61", 1, true, 1},
    {"text ends at its zero byte", std::string("ab\0cd", 5), "cd", 1, false, -1},
};

class FindTextNoCaseCases : public testing::TestWithParam<FindCase> {};

TEST_P(FindTextNoCaseCases, Finds)
{
    const FindCase& c = GetParam();
    EXPECT_EQ(FindTextNoCase(c.text, c.needle, c.startPos, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindTextNoCaseCases, testing::ValuesIn(kFindCases));

TEST(StrStrPos, EmptyNeedleIsFoundAtTheStart)
{
    EXPECT_EQ(StrStrPos("abc", "", 2), 2);
    EXPECT_EQ(StrStrPos("", "", 1), -1);
}

TEST(FindTextNoCase, DefaultsToCaseSensitiveFromTheFirstByte)
{
    EXPECT_EQ(FindTextNoCase("xAx", "a"), -1);
    EXPECT_EQ(FindTextNoCase("xax", "a"), 2);
}

struct PositionsCase {
    const char* name;
    std::string text;
    std::string needle;
    std::vector<int32_t> expected;
};

void PrintTo(const PositionsCase& c, std::ostream* os)
{
    *os << c.name;
}

const PositionsCase kPositionsCases[] = {
    {"every occurrence", "a\\b\\c\\", "\\", {2, 4, 6}},
    {"non-overlapping", "aaaa", "aa", {1, 3}},
    {"ignoring case", "xAbxaBx", "ab", {2, 5}},
    {"none", "abc", "z", {}},
    {"empty text", "", "a", {}},
    {"empty needle gives nothing", "abc", "", {}},
};

class FindAllPositionsCases : public testing::TestWithParam<PositionsCase> {};

TEST_P(FindAllPositionsCases, Lists)
{
    const PositionsCase& c = GetParam();
    std::vector<int32_t> positions = {99, 98};
    FindAllPositions(c.text, c.needle, positions);
    EXPECT_EQ(positions, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindAllPositionsCases, testing::ValuesIn(kPositionsCases));

struct ReplaceCase {
    const char* name;
    std::string text;
    std::string left;
    std::string right;
    bool keepMarkers;
    std::string expected;
};

void PrintTo(const ReplaceCase& c, std::ostream* os)
{
    *os << c.name;
}

const ReplaceCase kReplaceCases[] = {
    {"escaped line breaks vanish", "line one\\nline two\\nend", "\\", "n", false,
     "line oneline twoend"},
    {"backslash without n stays", "a\\b", "\\", "n", false, "a\\b"},
    {"upper-case N does not end a stretch", "a\\Nb", "\\", "n", false, "a\\Nb"},
    {"stretch runs to the next n", "a\\xyzn!", "\\", "n", false, "a!"},
    {"keeping the markers removes only what lies between", "a[xy]b[z]c", "[", "]", true, "a[]b[]c"},
    {"without keeping, markers go too", "a[xy]b[z]c", "[", "]", false, "abc"},
    {"left marker found ignoring case", "aXyZb", "x", "Z", false, "ab"},
    {"right marker matched exactly", "aXyzb", "x", "Z", false, "aXyzb"},
    {"empty right marker changes nothing", "a\\nb", "\\", "", false, "a\\nb"},
    {"no left marker", "abc", "\\", "n", false, "abc"},
    // From the last stretch backwards: the later backslash takes the only n, so the earlier
    // one finds none behind it and stays.
    {"two backslashes, one n", "x\\y\\nz", "\\", "n", false, "x\\yz"},
    {"text ends at its zero byte", std::string("a\\nb\0\\nc", 8), "\\", "n", false, "ab"},
};

class ReplaceAtPositionsCases : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAtPositionsCases, Replaces)
{
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(ReplaceAtPositions(c.text, c.left, c.right, c.keepMarkers), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceAtPositionsCases, testing::ValuesIn(kReplaceCases));

TEST(ReplaceAtPositions, JoinsTheLinesOfARealAlarm)
{
    std::string detail =
        Gbk("北京市气象台发布暴雨蓝色预警信号：\\n预计今天夜间有大到暴雨，\\n请注意防范。");
    EXPECT_EQ(ReplaceAtPositions(detail, "\\", "n"),
              Gbk("北京市气象台发布暴雨蓝色预警信号：预计今天夜间有大到暴雨，请注意防范。"));
}

} // namespace
