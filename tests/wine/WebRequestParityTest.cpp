// A request of the client's own goes out and comes back exactly as the same request made on a
// lent WinHttp request object: the same lines and body at the server, the same header text,
// status, cookies and body for the caller.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "toolkit/Automation.h"
#include "toolkit/WebRequest.h"

using testsupport::Answer;
using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::RecordedRequest;
using toolkit::WebRequestOptions;

namespace {

struct Seen {
    std::string body;
    GbkText responseHeaders = "unset";
    std::int32_t status = -7;
    GbkText returnedCookies = "unset";
    GbkText requestCookies;
    GbkText extraHeaders;
    std::vector<RecordedRequest> requests;
};

struct ParityCase {
    const char* name;
    bool shared;
    std::vector<FixtureRoute> routes;
    std::string path; // on the plain server unless https
    bool https = false;
    std::function<void(WebRequestOptions&)> given;
    GbkText requestCookies = "";
    bool withCookies = false;
    GbkText extraHeaders = "";
};

void PrintTo(const ParityCase& c, std::ostream* os)
{
    *os << c.name;
}

Seen RunCase(const ParityCase& c, IDispatch* lent)
{
    EXPECT_TRUE(Fixture::Reset());
    for (const FixtureRoute& route : c.routes) {
        EXPECT_TRUE(Fixture::AddRoute(route));
    }
    Seen seen;
    seen.requestCookies = c.requestCookies;
    seen.extraHeaders = c.extraHeaders;
    WebRequestOptions options;
    c.given(options);
    options.requestObject = lent;
    options.responseHeaders = &seen.responseHeaders;
    options.statusCode = &seen.status;
    options.returnedCookies = &seen.returnedCookies;
    options.extraHeaders = &seen.extraHeaders;
    if (c.withCookies) {
        options.requestCookies = &seen.requestCookies;
    }
    const std::string url = (c.https ? Fixture::HttpsBase() : Fixture::HttpBase()) + c.path;
    const ByteSet body =
        c.shared ? toolkit::SharedWebRequest(url, options) : toolkit::WebRequest(url, options);
    seen.body.assign(body.begin(), body.end());
    seen.requests = Fixture::Requests();
    return seen;
}

std::string Shown(const std::vector<RecordedRequest>& requests)
{
    std::string text;
    for (const RecordedRequest& r : requests) {
        text += r.scheme + " " + r.method + " " + r.target + " " + r.version + "\n";
        for (const std::string& line : r.headerLines) {
            text += "  " + line + "\n";
        }
        text += "  body " + testsupport::ToHex(r.body) + "\n";
    }
    return text;
}

// The header text without a leading status line. Windows' request object gives the header lines
// alone, Wine 8.0's puts the status line first; the client gives the lines alone everywhere.
GbkText HeaderLinesOnly(const GbkText& text)
{
    if (text.compare(0, 5, "HTTP/") != 0) {
        return text;
    }
    const std::size_t end = text.find("\r\n");
    return end == GbkText::npos ? GbkText() : text.substr(end + 2);
}

const GbkText kGbkForm = "city=\xB1\xB1\xBE\xA9&note=\xC7\xE7"; // 北京, 晴

const ParityCase kParityCases[] = {
    {"get with cookies sent empty and set by the answer",
     false,
     {Answer("/c", "c", 200, {"Set-Cookie: sid=new; Path=/", "X-Extra: \xD6\xD0"})},
     "/c?x=1&y=%B1",
     false,
     [](WebRequestOptions&) {},
     "",
     true},
    {"cookie text with its marker",
     true,
     {Answer("/c", "c")},
     "/c",
     false,
     [](WebRequestOptions&) {},
     "Cookie: a=1; b=2",
     true},
    {"post of a Chinese text",
     false,
     {Answer("/p", "posted")},
     "/p",
     false,
     [](WebRequestOptions& o) {
         o.methodIndex = 1;
         o.postText = kGbkForm;
     }},
    {"put of a Chinese text with its own type",
     true,
     {Answer("/p", "put")},
     "/p",
     false,
     [](WebRequestOptions& o) {
         o.methodIndex = 3;
         o.postText = kGbkForm;
     },
     "",
     false,
     "Content-Type: text/plain; charset=gbk"},
    {"put of a Chinese text without a type",
     false,
     {Answer("/p", "put")},
     "/p",
     false,
     [](WebRequestOptions& o) {
         o.methodIndex = 3;
         o.postText = kGbkForm;
     }},
    {"post of a plain text",
     false,
     {Answer("/p", "posted")},
     "/p",
     false,
     [](WebRequestOptions& o) {
         o.methodIndex = 1;
         o.postText = "a=1&b=2";
     }},
    {"post of bytes",
     false,
     {Answer("/p", "posted")},
     "/p",
     false,
     [](WebRequestOptions& o) {
         o.methodIndex = 1;
         o.postBytes = ByteSet{0, 0xFF, 'a', 0x80};
     }},
    {"no default headers, one keep-alive line",
     false,
     {Answer("/k", "k")},
     "/k",
     false,
     [](WebRequestOptions& o) { o.addDefaultHeaders = false; },
     "",
     false,
     "Connection: keep-alive"},
    {"head",
     false,
     {Answer("/h", "never sent")},
     "/h",
     false,
     [](WebRequestOptions& o) { o.methodIndex = 2; }},
    {"redirect followed",
     false,
     {Answer("/from", "moved", 302, {"Location: /to"}), Answer("/to", "arrived")},
     "/from",
     false,
     [](WebRequestOptions&) {}},
    {"redirect returned",
     true,
     {Answer("/from", "moved", 302, {"Location: /to"}), Answer("/to", "arrived")},
     "/from",
     false,
     [](WebRequestOptions& o) { o.noRedirect = true; }},
    {"error page", false, {Answer("/e", "broken", 500)}, "/e", false, [](WebRequestOptions&) {}},
    {"https",
     true,
     {Answer("/s", "secure")},
     "/s",
     true,
     [](WebRequestOptions& o) { o.verifyCertificate = true; }},
};

class WebRequestParity : public testing::TestWithParam<ParityCase> {};

TEST_P(WebRequestParity, OwnRequestMatchesTheObjects)
{
    const ParityCase& c = GetParam();
    toolkit::ComInitialize();
    Seen byObject;
    {
        toolkit::AutoObject object = toolkit::AutoObject::Create(L"WinHttp.WinHttpRequest.5.1");
        ASSERT_FALSE(object.IsEmpty());
        byObject = RunCase(c, object.Get());
    }
    toolkit::ComUninitialize();
    const Seen own = RunCase(c, nullptr);

    EXPECT_EQ(Shown(own.requests), Shown(byObject.requests));
    EXPECT_EQ(own.body, byObject.body);
    EXPECT_EQ(own.responseHeaders, HeaderLinesOnly(byObject.responseHeaders));
    EXPECT_EQ(own.status, byObject.status);
    EXPECT_EQ(own.returnedCookies, byObject.returnedCookies);
    EXPECT_EQ(own.requestCookies, byObject.requestCookies);
    EXPECT_EQ(own.extraHeaders, byObject.extraHeaders);
}

INSTANTIATE_TEST_SUITE_P(Cases, WebRequestParity, testing::ValuesIn(kParityCases));

} // namespace
