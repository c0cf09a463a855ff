#pragma once
// Comparison of file contents that, on a mismatch, tells the sizes and where the bytes part
// instead of printing them all: the update tests compare whole executables. A file that could
// not be read is never the same as anything, not even another one that could not be read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
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

// Where two byte strings part; empty when they are the same.
inline std::string Difference(const std::string& actual, const std::string& expected)
{
    if (actual == expected) {
        return {};
    }
    const auto parted =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto offset = static_cast<std::size_t>(parted.first - actual.begin());
    return std::to_string(actual.size()) + " bytes where " + std::to_string(expected.size()) +
           " were expected, the first difference at offset " + std::to_string(offset) + ": " +
           BytesAt(actual, offset) + " where " + BytesAt(expected, offset) + " was expected";
}

// Use as EXPECT_TRUE(SameBytes(Contents(path), expected)), expected a text or the Contents of
// another file.
inline ::testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                            const std::optional<std::string>& expected)
{
    if (!actual) {
        return ::testing::AssertionFailure() << "the file could not be read";
    }
    if (!expected) {
        return ::testing::AssertionFailure() << "the file to compare with could not be read";
    }
    const std::string difference = Difference(*actual, *expected);
    if (difference.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the contents differ: " << difference;
}

// Two directory trees, each path with its contents (none for a file that could not be read),
// compared: every path that one has and the other lacks, and every file whose contents differ
// or could not be read.
inline ::testing::AssertionResult
SameTree(const std::map<std::string, std::optional<std::string>>& actual,
         const std::map<std::string, std::optional<std::string>>& expected)
{
    std::string differences;
    for (const auto& [path, contents] : actual) {
        const auto wanted = expected.find(path);
        if (wanted == expected.end()) {
            differences += "\n  " + path + ": not expected";
            continue;
        }
        const ::testing::AssertionResult same = SameBytes(contents, wanted->second);
        if (!same) {
            differences += "\n  " + path + ": " + same.message();
        }
    }
    for (const auto& [path, contents] : expected) {
        if (actual.find(path) == actual.end()) {
            differences += "\n  " + path + ": missing";
        }
    }
    if (differences.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the trees differ:" << differences;
}

} // namespace testsupport
