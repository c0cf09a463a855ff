// Completion, normalisation and cutting of the request client's header text.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/HeaderLines.h"

using namespace toolkit;

namespace {

constexpr char kAgentLine[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(NormaliseHeaderLines, Table)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"user-agent: x", "User-Agent: x"},
        {"x-REQUESTED-with:1", "X-REQUESTED-With:1"},
        {"no colon here", ""},
        {"", ""},
        {"\r\n", ""},
        {"a: 1\r\n", "A: 1"},
        {"a: 1\r\nno colon\r\n\r\nb-c: 2", "A: 1\r\nB-C: 2"},
        // The name is not trimmed: a leading space stays and keeps the letter after it small.
        {" accept: x", " accept: x"},
        // Only the name changes; the value after the first colon stays as it is.
        {"content-type: text/html; x-y=z", "Content-Type: text/html; x-y=z"},
        {"a--b:c", "A--B:c"},
        {"-x:1", "-X:1"},
        // Double-byte names stay byte for byte; a trail byte in a-z is not a letter here.
        {"\xB0\x61-x:1", "\xB0\x61-X:1"},
        {":value", ":value"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormaliseHeaderLines(c.in), c.out) << c.in;
    }
}

TEST(AddDefaultHeaderLines, AllDefaultsInOrderForAGet)
{
    std::string headers;
    AddDefaultHeaderLines(headers, "http://h/p?q", 0);
    EXPECT_EQ(headers, std::string("\r\nAccept: */*\r\nReferer: http://h/p?q\r\nAccept-Language: "
                                   "zh-cn\r\n") +
                           kAgentLine);
}

TEST(AddDefaultHeaderLines, ContentTypeOnlyForPost)
{
    for (int method : {0, 1, 2, 3, 9, -1}) {
        std::string headers;
        AddDefaultHeaderLines(headers, "u", method);
        const bool hasType =
            headers.find("Content-Type: application/x-www-form-urlencoded") != std::string::npos;
        EXPECT_EQ(hasType, method == 1) << method;
    }
}

TEST(AddDefaultHeaderLines, ProbesIgnoreCaseAndMatchAnywhere)
{
    std::string headers = "user-agent: X";
    AddDefaultHeaderLines(headers, "u", 0);
    EXPECT_EQ(headers, "user-agent: X\r\nAccept: */*\r\nReferer: u\r\nAccept-Language: zh-cn");

    // "X-Referer:" contains the probe, so no Referer line is added.
    headers = "X-Referer: y\r\naccept:text/html";
    AddDefaultHeaderLines(headers, "u", 1);
    EXPECT_EQ(headers,
              std::string("X-Referer: y\r\naccept:text/html\r\nAccept-Language: zh-cn\r\n") +
                  kAgentLine + "\r\nContent-Type: application/x-www-form-urlencoded");

    // "Accept-Language:" holds "Accept" but not the probe "Accept:".
    headers = "Accept-Language: en";
    AddDefaultHeaderLines(headers, "u", 0);
    EXPECT_EQ(headers.rfind("Accept-Language: en\r\nAccept: */*\r\nReferer: u\r\n", 0), 0u);
}

TEST(HeaderCalls, Table)
{
    using Calls = std::vector<HeaderPair>;
    const struct {
        const char* headers;
        Calls calls;
    } cases[] = {
        {"", {}},
        {"Connection: keep-alive", {{"Connection", "keep-alive"}}},
        {"a: 1\r\nConnection: keep-alive", {{"a", "1"}}},
        {"a: 1\r\nConnection: Keep-Alive", {{"a", "1"}, {"Connection", "Keep-Alive"}}},
        {"a: 1\r\nconnection: keep-alive", {{"a", "1"}, {"connection", "keep-alive"}}},
        {"\r\n  Accept :  */*  \r\n\r\nbad\r\n: nameless\r\nX: a:b",
         {{"Accept", "*/*"}, {"X", "a:b"}}},
        {"no colon", {}},
        {" : v", {}},
        {"Empty:", {{"Empty", ""}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HeaderCalls(c.headers), c.calls) << c.headers;
    }
}

TEST(VerbOfMethodIndex, OutOfRangeIsGet)
{
    const char* verbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_STREQ(VerbOfMethodIndex(i), verbs[i]);
    }
    for (int i : {-1, 8, 9, 1000, -2147483647 - 1}) {
        EXPECT_STREQ(VerbOfMethodIndex(i), "GET") << i;
    }
}

} // namespace
