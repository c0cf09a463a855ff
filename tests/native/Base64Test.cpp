// The built-in base64 encoder against the RFC 4648 vectors and long inputs.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/Base64.h"

using toolkit::Base64Encode;

namespace {

ByteSet Bytes(const std::string& text)
{
    return ByteSet(text.begin(), text.end());
}

TEST(Base64Encode, Rfc4648Vectors)
{
    const struct {
        const char* input;
        const char* encoded;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"user:pass", "dXNlcjpwYXNz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Base64Encode(Bytes(c.input)), c.encoded) << c.input;
    }
}

TEST(Base64Encode, AllByteValuesAndZeroBytes)
{
    EXPECT_EQ(Base64Encode(ByteSet{0, 0, 0}), "AAAA");
    EXPECT_EQ(Base64Encode(ByteSet{0}), "AA==");
    EXPECT_EQ(Base64Encode(ByteSet{0xFB, 0xFF, 0xBF}), "+/+/");
    EXPECT_EQ(Base64Encode(ByteSet{0xFF}), "/w==");
    // Code page 936 credentials go out as their bytes.
    EXPECT_EQ(Base64Encode(Bytes("\xD3\xC3\xBB\xA7:pw")), "08O7pzpwdw==");
}

TEST(Base64Encode, LongInputsStayOnOneLine)
{
    for (std::size_t length : {57u, 76u, 1000u, 65537u}) {
        ByteSet bytes(length);
        for (std::size_t i = 0; i < length; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const std::string text = Base64Encode(bytes);
        EXPECT_EQ(text.size(), (length + 2) / 3 * 4);
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
        const std::size_t padding = (3 - length % 3) % 3;
        EXPECT_EQ(text.find('='), padding == 0 ? std::string::npos : text.size() - padding);
    }
}

} // namespace
