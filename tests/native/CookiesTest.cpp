// Cookie collection from an answer's header text and the merge with the sent cookies.
#include <gtest/gtest.h>

#include "toolkit/Cookies.h"

using toolkit::CollectSetCookies;
using toolkit::MarkerCase;
using toolkit::MergeCookies;

namespace {

struct MergeCase {
    const char* oldCookies;
    const char* newCookies;
    const char* merged;
    const char* newAfter; // what the answer's variable holds afterwards
};

const MergeCase kMergeCases[] = {
    {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3; c=4"},
    {"a=1; b=2", "a=deleted", "b=2", "a=deleted"},
    {"a=1; a=2", "", "a=1", ""},
    {"", "", "", ""},
    {"a=1;", "", "a=1", ""},
    {"  a=1; b=2  ", "", "a=1; b=2", ""},
    {"", "x=1; x=2", "x=1; x=2", "x=1; x=2"},
    {"", "x=1; x=1", "x=1", "x=1; x=1"},
    {"a=1", "c=3;", "c=3; a=1", "c=3; "},
    // Names are trimmed before they are compared, values are not.
    {" a =1", "a=2", "a=2", "a=2"},
    {"A=1", "a=2", "a=2; A=1", "a=2"},
    // A pair without "=" is its own name.
    {"flag; a=1", "flag", "flag; a=1", "flag"},
    // The sent cookie of a deleted name goes too, and a new deleted one is simply dropped.
    {"sid=1; keep=2", "sid=deleted; other=deleted", "keep=2", "sid=deleted; other=deleted"},
    // An empty piece between two separators is a pair (with an empty name) of its own.
    {"a=1; ; b=2", "", "a=1; ; b=2", ""},
    // Full-width spaces of code page 936 count as spaces at both ends.
    {"\xA1\xA1"
     "a=1\xA1\xA1",
     "", "a=1", ""},
    // A trail byte A1 followed by a full-width space: only the space goes.
    {"a=\xB0\xA1\xA1\xA1", "", "a=\xB0\xA1", ""},
};

TEST(MergeCookies, Table)
{
    for (const MergeCase& c : kMergeCases) {
        std::string oldCookies = c.oldCookies;
        std::string newCookies = c.newCookies;
        const std::string merged = MergeCookies(oldCookies, newCookies);
        EXPECT_EQ(merged, c.merged) << "old '" << c.oldCookies << "' new '" << c.newCookies << "'";
        EXPECT_EQ(oldCookies, c.merged) << "old variable, old '" << c.oldCookies << "'";
        EXPECT_EQ(newCookies, c.newAfter) << "new variable, new '" << c.newCookies << "'";
    }
}

struct CollectCase {
    const char* headers;
    const char* cookies;
};

const CollectCase kCollectCases[] = {
    {"HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; Path=/; Secure\r\nContent-Length: 0", "sid=abc"},
    {"Set-Cookie: flag", "flag"},
    {"set-cookie: a=1", ""},
    {"SET-COOKIE: a=1; Path=/", ""},
    {"Content-Type: text/html\r\nContent-Length: 3\r\n\r\n", ""},
    {"", ""},
    {"Set-Cookie: x=1\r\nSet-Cookie: x=2\r\n", "x=1; x=2"},
    {"Set-Cookie: a=1; Path=/\r\nServer: t\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
    // The name before ": " is not trimmed, and "Set-Cookie:" without a space does not count.
    {" Set-Cookie: a=1", ""},
    {"Set-Cookie:a=1", ""},
    // Without ";" every "Set-Cookie:" in the line goes, whatever its case.
    {"Set-Cookie: a=set-cookie:1", "a=1"},
    {"Set-Cookie:  spaced=1  ; HttpOnly", "spaced=1"},
    {"Set-Cookie: gone=deleted; Max-Age=0", "gone=deleted"},
};

TEST(CollectSetCookies, BothMarkerSearchesAgree)
{
    for (const CollectCase& c : kCollectCases) {
        EXPECT_EQ(CollectSetCookies(c.headers, MarkerCase::Exact), c.cookies) << c.headers;
        EXPECT_EQ(CollectSetCookies(c.headers, MarkerCase::IgnoreCase), c.cookies) << c.headers;
    }
}

TEST(CollectSetCookies, ThenMergeKeepsSentCookiesBehindTheAnswers)
{
    std::string sent = "a=1; sid=old; a=9;";
    std::string returned = CollectSetCookies(
        "HTTP/1.1 200 OK\r\nSet-Cookie: sid=new; Path=/\r\nSet-Cookie: t=deleted\r\n",
        MarkerCase::Exact);
    EXPECT_EQ(MergeCookies(sent, returned), "sid=new; a=1");
    EXPECT_EQ(sent, "sid=new; a=1");
}

} // namespace
