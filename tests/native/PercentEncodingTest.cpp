#include <gtest/gtest.h>

#include <string>

#include "toolkit/PercentEncoding.h"

using namespace toolkit;

namespace {

ByteSet Bytes(const std::string& text)
{
    return ByteSet(text.begin(), text.end());
}

struct EncodeCase {
    std::string input;
    bool keepUnreserved;
    std::string expected;
};

class PercentEncodeBytesCases : public testing::TestWithParam<EncodeCase> {};

TEST_P(PercentEncodeBytesCases, Encodes)
{
    const EncodeCase& c = GetParam();
    EXPECT_EQ(PercentEncodeBytes(Bytes(c.input), c.keepUnreserved), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PercentEncodeBytesCases,
    testing::Values(
        // Nothing is spared without keepUnreserved, letters and digits included.
        EncodeCase{"a b", false, "%61+%62"}, EncodeCase{"a b", true, "a+b"},
        EncodeCase{"~", false, "%7E"}, EncodeCase{"~", true, "%7E"}, EncodeCase{"!", true, "%21"},
        EncodeCase{"Az09-._'()*", true, "Az09-._'()*"}, EncodeCase{"A1", false, "%41%31"},
        EncodeCase{"%+&=/", true, "%25%2B%26%3D%2F"},
        // Upper-case hexadecimal digits for high bytes.
        EncodeCase{"\xE5\x8C\x97\xE4\xBA\xAC", false, "%E5%8C%97%E4%BA%AC"},
        EncodeCase{"\xff\x0a", true, "%FF%0A"}, EncodeCase{"  ", false, "++"},
        // Zero bytes write nothing and do not end the input.
        EncodeCase{std::string("A\0B", 3), true, "AB"},
        EncodeCase{std::string("\0\0", 2), false, ""}, EncodeCase{"", true, ""}));

TEST(PercentEncodeBytes, WorstCaseFillsTheWholeBuffer)
{
    // Every byte needs three characters: the output must be exactly 3 x length long, with
    // nothing lost at the end of the buffer.
    ByteSet bytes(1000, 0xAB);
    std::string encoded = PercentEncodeBytes(bytes, false);
    ASSERT_EQ(encoded.size(), 3000u);
    EXPECT_EQ(encoded.substr(2997), "%AB");
}

TEST(PutByteAt, StoresInsideTheBufferOnly)
{
    ByteSet buffer(3, 0);
    PutByteAt(buffer, 1, 0x7F);
    PutByteAt(buffer, 3, 0x55);
    EXPECT_EQ(buffer, (ByteSet{0, 0x7F, 0}));
}

} // namespace
