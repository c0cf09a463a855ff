#pragma once
// Comparison of file contents that, on a mismatch, tells the sizes and where the bytes part
// instead of printing them all: the update tests compare whole executables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace testsupport {

// Up to a few bytes from the offset, printable ASCII as it is and the rest as \xNN.
inline std::string BytesAt(const std::string& bytes, std::size_t offset)
{
    constexpr std::size_t kShown = 16;
    std::string shown;
    for (std::size_t i = offset; i < bytes.size() && i < offset + kShown; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return "\"" + shown + "\"";
}

// Use as EXPECT_TRUE(SameBytes(Contents(path), expected)).
inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected)
{
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    const auto parted =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto offset = static_cast<std::size_t>(parted.first - actual.begin());
    return ::testing::AssertionFailure()
           << "the contents differ: " << actual.size() << " bytes where " << expected.size()
           << " were expected, the first difference at offset " << offset << ": "
           << BytesAt(actual, offset) << " where " << BytesAt(expected, offset) << " was expected";
}

} // namespace testsupport
