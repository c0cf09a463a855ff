// Bytes are code page 936: 晴 C7 E7, 转 D7 AA, 多 B6 E0, 云 D4 C6, ° A1 E3, ， A3 AC.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/ChineseChars.h"

using namespace toolkit;

namespace {

struct FilterCase {
    const char* name;
    std::string input;
    std::string expected;
};

const FilterCase kCases[] = {
    {"characters then digits and a degree sign", "\xC7\xE7\xD7\xAA\xB6\xE0\xD4\xC6 25\xA1\xE3",
     "\xC7\xE7\xD7\xAA\xB6\xE0\xD4\xC6"},
    {"no chinese character", "{\"status\":404}", ""},
    {"empty", "", ""},
    {"full-width punctuation dropped", "\xC7\xE7\xA3\xAC\xD4\xC6", "\xC7\xE7\xD4\xC6"},
    // 81 40 and 95 A1 are GBK extension characters; B0 40 has a second byte below A1.
    {"gbk extension dropped", "\x81\x40\x95\xA1\xB0\x40", ""},
    // The extension character is skipped whole, so its second byte B0 does not pair with the
    // next byte A1 into a false character.
    {"skips two-byte characters whole", "\x81\xB0\xA1", ""},
    {"first and last rows", "\xB0\xA1\xF7\xFE", "\xB0\xA1\xF7\xFE"},
    {"outside the rows", "\xAF\xA1\xF8\xA1\xB0\xFF", ""},
    {"lone last byte", "a\xC7", ""},
    {"ascii between characters",
     "a\xC7\xE7"
     "b\xD4\xC6",
     "\xC7\xE7\xD4\xC6"},
    // A lead byte followed by ASCII moves on by one: the ASCII byte is looked at again.
    {"lead byte before ascii",
     "\xC7"
     "a\xD4\xC6",
     "\xD4\xC6"},
};

class ExtractChineseCharsCases : public testing::TestWithParam<FilterCase> {};

TEST_P(ExtractChineseCharsCases, Filters)
{
    EXPECT_EQ(ExtractChineseChars(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractChineseCharsCases, testing::ValuesIn(kCases));

} // namespace
