#include <gtest/gtest.h>

#include <string>

#include "toolkit/Utf8Decoder.h"

using namespace toolkit;

namespace {

struct DecodeCase {
    const char* name;
    ByteSet input;
    std::u16string expected;
};

const DecodeCase kCases[] = {
    {"empty", {}, u""},
    {"ascii", {'a', 'b'}, u"ab"},
    {"two and three bytes", {0xC2, 0xB0, 0xE4, 0xB8, 0xAD}, u"\u00B0\u4E2D"},
    {"four bytes become a surrogate pair", {0xF0, 0x9F, 0x98, 0x80, 'x'}, u"\U0001F600x"},
    {"stray continuation in the middle", {'a', 0xE4, 0xB8, 0xAD, 0x80, 'b'}, u"a\u4E2D"},
    {"continuation at the start", {0xBF, 'a'}, u""},
    {"lead byte FE", {'a', 0xFE, 'b'}, u"a"},
    {"lead byte FF", {'a', 0xFF}, u"a"},
    {"cut short by another byte", {'a', 0xE4, 0xB8, 'b', 'c'}, u"a"},
    {"cut short by the end", {'a', 'b', 0xE4, 0xB8}, u"ab"},
    {"cut short by a lead byte", {0xC2, 0xC2, 0xB0}, u""},
    {"zero byte decodes", {'a', 0x00, 'b'}, std::u16string(u"a\0b", 3)},
    // The old long forms are read as they are written.
    {"five bytes beyond UTF-16", {0xF8, 0x88, 0x80, 0x80, 0x80, 'z'}, u"\uFFFDz"},
    {"six bytes", {0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 'z'}, u"\uFFFDz"},
    {"overlong two bytes", {0xC1, 0xBF}, u"\u007F"},
    {"largest four-byte in range", {0xF4, 0x8F, 0xBF, 0xBF}, u"\U0010FFFF"},
};

class DecodeUtf8Cases : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeUtf8Cases, Decodes)
{
    EXPECT_EQ(DecodeUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeUtf8Cases, testing::ValuesIn(kCases));

} // namespace
