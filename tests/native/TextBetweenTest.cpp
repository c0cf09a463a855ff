// Cutting by markers and splitting. Chinese bytes are code page 936: 中 D6 D0, 引号 D2 FD BA C5.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/TextBetween.h"

using namespace toolkit;

namespace {

const std::string kQuote = "#\xD2\xFD\xBA\xC5";

struct ForwardCase {
    const char* name;
    std::string source;
    std::string left;
    std::string right;
    int32_t startPos;
    bool ignoreCase;
    std::string expected;
};

const ForwardCase kForwardCases[] = {
    {"first pair", "a[x]b[y]", "[", "]", 1, false, "x"},
    {"start inside", "a[x]b[y]", "[", "]", 4, false, "y"},
    {"start below one counts as one", "a[x]b[y]", "[", "]", -5, false, "x"},
    {"start past the end", "a[x]b[y]", "[", "]", 100, false, ""},
    {"right marker only before left", "]a[x", "[", "]", 1, false, ""},
    {"left marker missing", "a]b", "[", "]", 1, false, ""},
    {"markers adjacent", "a[]b", "[", "]", 1, false, ""},
    {"multi-byte markers", "k=\"v\";k2=\"w\"", "k2=\"", "\"", 1, false, "w"},
    {"placeholder matches quote-a-quote", "x\"a\"yz", "x" + kQuote + "a" + kQuote, "z", 1, false,
     "y"},
    {"every placeholder replaced", "p\"\"q!", kQuote + kQuote, "!", 1, false, "q"},
    {"lower-case markers miss upper-case text", "<B>bold</B>", "<b>", "</b>", 1, false, ""},
    {"ignoring case", "<B>bold</B>", "<b>", "</b>", 1, true, "bold"},
    // 0x81 0x5B is one character whose second byte is "[": the first "[" that counts is later.
    {"no match at a trail byte", "\x81[a]b[c]", "[", "]", 1, false, "c"},
    {"trail byte as right marker skipped", "[a\x81]b]", "[", "]", 1, false, "a\x81]b"},
    {"chinese text between", "\xD6\xD0(\xB1\xB1)", "(", ")", 1, false, "\xB1\xB1"},
    {"empty left marker from position one", "ab]cd]", "", "]", 4, false, "ab"},
    {"empty left marker start outside", "ab]", "", "]", 9, false, ""},
    {"empty source", "", "[", "]", 1, false, ""},
    {"text ends at zero byte", std::string("[a\0]", 4), "[", "]", 1, false, ""},
};

class TextBetweenForward : public testing::TestWithParam<ForwardCase> {};

TEST_P(TextBetweenForward, Cuts)
{
    const ForwardCase& c = GetParam();
    EXPECT_EQ(TextBetween(c.source, c.left, c.right, c.startPos, c.ignoreCase), c.expected);
    // The any-case variant inverts the meaning of its last argument.
    EXPECT_EQ(TextBetweenAnyCase(c.source, c.left, c.right, c.startPos, !c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextBetweenForward, testing::ValuesIn(kForwardCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p) {
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST(TextBetweenAnyCase, IgnoresCaseUnlessTold)
{
    EXPECT_EQ(TextBetweenAnyCase("*V1.2*", "*v", "*"), "1.2");
    EXPECT_EQ(TextBetweenAnyCase("X=abc=", "x=", "="), "abc");
    EXPECT_EQ(TextBetweenAnyCase("X=abc=", "x=", "=", 1, true), "");
    EXPECT_EQ(TextBetween("X=abc=", "x=", "="), "");
}

struct BackwardCase {
    const char* name;
    std::string source;
    std::string right;
    std::string left;
    int32_t offsetFromEnd;
    std::string expected;
};

const BackwardCase kBackwardCases[] = {
    {"last right marker nearest left", "L1xR L2yR", "R", "L", 0, "2y"},
    {"left only after last right", "axR L", "R", "L", 0, ""},
    {"left against right", "xLR", "R", "L", 0, ""},
    {"right marker missing", "L1x", "R", "L", 0, ""},
    {"nearest left, not first", "LaLbR", "R", "L", 0, "b"},
    // Area of length 9 - 3 - 1 = 5 bytes: "L1xR " holds only the first R.
    {"offset shortens the area", "L1xR L2yR", "R", "L", 3, "1x"},
    {"offset leaving nothing", "LxR", "R", "L", 2, ""},
    {"negative offset means whole text", "L1xR L2yR", "R", "L", -4, "2y"},
    {"right marker must fit the area", "L1xRR", "RR", "L", 1, ""},
    // "]" at the second byte of 0x81 0x5D does not count as the last right marker.
    {"no match at a trail byte", "[a]\x81]", "]", "[", 0, "a"},
    {"left marker at a trail byte skipped", "[x\x81[y]", "]", "[", 0, "x\x81[y"},
    {"placeholder in markers", "\"k\":\"v\",", kQuote + ",", ":" + kQuote, 0, "v"},
    {"multi-byte markers", "{\"d\":\"1\",\"h\":\"2\"}{\"d\":\"3\",\"h\":\"4\"}", "\",\"h",
     "\"d\":\"", 0, "3"},
};

class TextBetweenFromEndCases : public testing::TestWithParam<BackwardCase> {};

TEST_P(TextBetweenFromEndCases, Cuts)
{
    const BackwardCase& c = GetParam();
    EXPECT_EQ(TextBetweenFromEnd(c.source, c.right, c.left, c.offsetFromEnd), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextBetweenFromEndCases, testing::ValuesIn(kBackwardCases));

TEST(TextBetweenFromEnd, IgnoringCase)
{
    EXPECT_EQ(TextBetweenFromEnd("<A>x</A>", "</a>", "<a>"), "");
    EXPECT_EQ(TextBetweenFromEnd("<A>x</A>", "</a>", "<a>", 0, true), "x");
}

struct SplitCase {
    const char* name;
    std::string text;
    std::string delimiter;
    int32_t maxCount;
    TextArray expected;
};

const SplitCase kSplitCases[] = {
    {"empty pieces dropped", "a~~b~", "~", 0, {"a", "b"}},
    {"empty text", "", "~", 0, {}},
    {"default delimiter", "a,b,c", ",", 0, {"a", "b", "c"}},
    {"empty delimiter means comma", "a,b,c", "", 0, {"a", "b", "c"}},
    {"max count drops the rest", "a,b,c", ",", 2, {"a", "b"}},
    {"empty piece counts toward max", "a,,b", ",", 2, {"a"}},
    {"leading delimiter", ",a", ",", 0, {"a"}},
    {"negative max count", "a,b", ",", -1, {}},
    {"max count above pieces", "a,b", ",", 5, {"a", "b"}},
    {"no delimiter in text", "abc", ",", 0, {"abc"}},
    {"multi-byte delimiter", "a::b:c::", "::", 0, {"a", "b:c"}},
    {"chinese full stop",
     "\xD6\xD0\xA1\xA3\xB1\xB1\xA1\xA3",
     "\xA1\xA3",
     0,
     {"\xD6\xD0", "\xB1\xB1"}},
    // B0 A1 then A3 BA: the bytes A1 A3 straddle two characters and are no full stop.
    {"full stop across characters", "\xB0\xA1\xA3\xBA", "\xA1\xA3", 0, {"\xB0\xA1\xA3\xBA"}},
    // 0x81 0x2C is one character: its second byte is no comma.
    {"no cut at a trail byte", "a\x81,b,c", ",", 0, {"a\x81,b", "c"}},
};

class SplitTextCases : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextCases, Splits)
{
    const SplitCase& c = GetParam();
    TextArray list = {"old", "entries"};
    int32_t count = SplitText(c.text, list, c.delimiter, c.maxCount);
    EXPECT_EQ(list, c.expected);
    EXPECT_EQ(count, static_cast<int32_t>(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitTextCases, testing::ValuesIn(kSplitCases));

TEST(SplitText, DefaultsSplitAtCommaWithoutLimit)
{
    TextArray list;
    EXPECT_EQ(SplitText("x,y,,z", list), 3);
    EXPECT_EQ(list, (TextArray{"x", "y", "z"}));
}

} // namespace
