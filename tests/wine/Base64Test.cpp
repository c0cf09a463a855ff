// The platform encoder gives the same text as ours for every input.
#include <gtest/gtest.h>

#include <cstdint>

#include "toolkit/Base64.h"

using toolkit::Base64Encode;
using toolkit::PlatformBase64Encode;

TEST(PlatformBase64Encode, EqualsTheBuiltInEncoder)
{
    std::uint32_t seed = 12345;
    for (std::size_t length = 0; length < 600; ++length) {
        ByteSet bytes(length);
        for (auto& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(seed >> 16);
        }
        ASSERT_EQ(PlatformBase64Encode(bytes), Base64Encode(bytes)) << "length " << length;
    }
    ByteSet large(1 << 20);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 31 + (i >> 8));
    }
    const GbkText text = PlatformBase64Encode(large);
    EXPECT_EQ(text, Base64Encode(large));
    EXPECT_EQ(text.find_first_of("\r\n"), GbkText::npos);
}

TEST(PlatformBase64Encode, EmptyInputGivesEmptyText)
{
    EXPECT_EQ(PlatformBase64Encode(ByteSet{}), "");
    EXPECT_EQ(PlatformBase64Encode(ByteSet{'f', 'o', 'o', 'b'}), "Zm9vYg==");
}
