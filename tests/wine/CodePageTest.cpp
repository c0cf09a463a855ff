// The conversions through the real code-page API of the users' system (ANSI code page 936).
// Chinese bytes are code page 936: 中 D6 D0, 北京 B1 B1 BE A9, 晴 C7 E7.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/CodePage.h"

using namespace toolkit;

namespace {

ByteSet Bytes(const std::string& text)
{
    return ByteSet(text.begin(), text.end());
}

ByteSet Utf16(const std::u16string& units)
{
    const auto* first = reinterpret_cast<const uint8_t*>(units.data());
    return ByteSet(first, first + units.size() * 2);
}

TEST(CodePage, GbkToUtf16EndsInOneZeroUnit)
{
    EXPECT_EQ(GbkToUtf16("\xD6\xD0"), (ByteSet{0x2D, 0x4E, 0x00, 0x00}));
    EXPECT_EQ(GbkToUtf16(""), ByteSet{});
    // Bytes after a zero byte are not converted.
    EXPECT_EQ(GbkToUtf16(std::string("A\0B", 3)), (ByteSet{'A', 0, 0, 0}));
}

TEST(CodePage, GbkToUtf8HasNoTerminator)
{
    EXPECT_EQ(GbkToUtf8("\xD6\xD0"), (ByteSet{0xE4, 0xB8, 0xAD}));
    EXPECT_EQ(GbkToUtf8("a\xB1\xB1"), (ByteSet{'a', 0xE5, 0x8C, 0x97}));
    EXPECT_EQ(GbkToUtf8(""), ByteSet{});
}

TEST(CodePage, MultiByteToUtf16InAnyCodePage)
{
    EXPECT_EQ(MultiByteToUtf16(Bytes("\xE4\xB8\xAD"), kCodePageUtf8), (ByteSet{0x2D, 0x4E, 0, 0}));
    EXPECT_EQ(MultiByteToUtf16(Bytes("\xD6\xD0"), kCodePageAnsi), (ByteSet{0x2D, 0x4E, 0, 0}));
    EXPECT_EQ(MultiByteToUtf16(ByteSet{0, 'a'}, kCodePageGbk), ByteSet{});
}

TEST(CodePage, Utf16ToMultiByteStopsAtTheFirstZeroUnit)
{
    EXPECT_EQ(Utf16ToMultiByte(Utf16(u"\u4E2D"), kCodePageGbk), Bytes("\xD6\xD0"));
    EXPECT_EQ(Utf16ToMultiByte(Utf16(std::u16string(u"a\0b", 3)), kCodePageUtf8), Bytes("a"));
    EXPECT_EQ(Utf16ToMultiByte(Utf16(u""), kCodePageUtf8), ByteSet{});
    // Without any terminator in the caller's bytes, and with a stray odd byte.
    EXPECT_EQ(Utf16ToMultiByte(ByteSet{'x', 0, 'y'}, kCodePageUtf8), Bytes("x"));
}

struct UrlCase {
    std::string text;
    bool keepUnreserved;
    bool asUtf8;
    std::string expected;
};

class UrlEncodeCases : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlEncodeCases, Encodes)
{
    const UrlCase& c = GetParam();
    EXPECT_EQ(UrlEncode(c.text, c.keepUnreserved, c.asUtf8), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlEncodeCases,
    testing::Values(UrlCase{"\xB1\xB1\xBE\xA9", false, true, "%E5%8C%97%E4%BA%AC"},
                    UrlCase{"\xB1\xB1\xBE\xA9", false, false, "%B1%B1%BE%A9"},
                    UrlCase{"a b", false, true, "%61+%62"}, UrlCase{"a b", true, true, "a+b"},
                    UrlCase{"~", true, true, "%7E"}, UrlCase{"", false, true, ""},
                    UrlCase{"A1", false, true, "%41%31"}));

TEST(CodePage, UrlEncodeDefaultsEncodeEveryByteOfTheOwnBytes)
{
    EXPECT_EQ(UrlEncode("\xD6\xD0 a"), "%D6%D0+%61");
}

struct AnsiCase {
    const char* name;
    ByteSet utf8;
    std::string expected;
};

const AnsiCase kAnsiCases[] = {
    {"chinese and ascii", {0xE6, 0x99, 0xB4, ' ', '2', '5'}, "\xC7\xE7 25"},
    {"stray continuation in the middle", {'a', 0xE4, 0xB8, 0xAD, 0x9F, 'b'}, "a\xD6\xD0"},
    {"cut short at the end", {0xE4, 0xB8, 0xAD, 0xE4, 0xB8}, "\xD6\xD0"},
    {"empty", {}, ""},
    {"zero byte at the end dropped", {'o', 'k', 0x00}, "ok"},
    // Thai U+0E01 is not in code page 936: the default character stands in.
    {"missing character", {'a', 0xE0, 0xB8, 0x81, 'b'}, "a?b"},
};

class Utf8ToAnsiTextCases : public testing::TestWithParam<AnsiCase> {};

TEST_P(Utf8ToAnsiTextCases, Converts)
{
    EXPECT_EQ(Utf8ToAnsiText(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ToAnsiTextCases, testing::ValuesIn(kAnsiCases));

TEST(CodePage, Utf8BytesToText)
{
    EXPECT_EQ(Utf8BytesToText("\xE4\xB8\xAD\xE6\x96\x87 v1"), "\xD6\xD0\xCE\xC4 v1");
    EXPECT_EQ(Utf8BytesToText(""), "");
}

TEST(CodePage, MultiByteToWideMeasuresInTheAnsiCodePage)
{
    // Two UTF-8 characters of three bytes each read as three ANSI characters (plus the
    // terminator): four units of room, of which the conversion uses three.
    EXPECT_EQ(MultiByteToWide("\xE4\xB8\xAD\xE6\x96\x87"),
              (ByteSet{0x2D, 0x4E, 0x87, 0x65, 0, 0, 0, 0}));
    EXPECT_EQ(MultiByteToWide(""), (ByteSet{0, 0}));
    EXPECT_EQ(MultiByteToWide("\xD6\xD0", kCodePageGbk), (ByteSet{0x2D, 0x4E, 0, 0}));
}

TEST(CodePage, WideToMultiByteDefaultsToTheAnsiCodePage)
{
    EXPECT_EQ(WideToMultiByte(Utf16(std::u16string(u"\u4E2D\u6587\0", 3))), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(WideToMultiByte(Utf16(u"\u4E2D"), kCodePageUtf8), "\xE4\xB8\xAD");
    // UTF-8 of characters missing from the ANSI code page needs more than their ANSI size:
    // four bytes for U+1F600 against two "?" there.
    EXPECT_EQ(WideToMultiByte(Utf16(u"\U0001F600"), kCodePageUtf8), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToMultiByte(ByteSet{}), "");
}

} // namespace
