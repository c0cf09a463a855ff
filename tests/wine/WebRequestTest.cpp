// The request client through the real WinHttp object against the local service fixture.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "toolkit/Automation.h"
#include "toolkit/Base64.h"
#include "toolkit/WebRequest.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::RecordedRequest;
using toolkit::SharedWebRequest;
using toolkit::WebRequest;
using toolkit::WebRequestOptions;

namespace {

constexpr char kAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string Text(const ByteSet& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

void Route(const std::string& path, const std::string& body, int status = 200,
           std::vector<std::string> headers = {})
{
    ASSERT_TRUE(Fixture::AddRoute(testsupport::Answer(path, body, status, std::move(headers))));
}

RecordedRequest OnlyRequest()
{
    auto requests = Fixture::Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? RecordedRequest() : requests.front();
}

// Position of the first header line with this exact name, or -1.
int LineIndex(const RecordedRequest& request, const std::string& name)
{
    for (std::size_t i = 0; i < request.headerLines.size(); ++i) {
        const std::string& line = request.headerLines[i];
        if (line.compare(0, name.size() + 1, name + ":") == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CountNoCase(const RecordedRequest& request, const std::string& name)
{
    int count = 0;
    for (const std::string& line : request.headerLines) {
        count += _strnicmp(line.c_str(), (name + ":").c_str(), name.size() + 1) == 0;
    }
    return count;
}

class WebRequestTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Fixture::Reset()); }
};

TEST_F(WebRequestTest, GetSendsTheDefaultHeadersInOrder)
{
    Route("/plain", "hello");
    const std::string url = Fixture::HttpBase() + "/plain?x=1";
    std::int32_t status = 0;
    GbkText responseHeaders;
    WebRequestOptions options;
    options.statusCode = &status;
    options.responseHeaders = &responseHeaders;
    EXPECT_EQ(Text(WebRequest(url, options)), "hello");
    EXPECT_EQ(status, 200);
    EXPECT_NE(responseHeaders.find("Content-Length: 5\r\n"), std::string::npos);

    const RecordedRequest request = OnlyRequest();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/plain?x=1");
    const int accept = LineIndex(request, "Accept");
    const int referer = LineIndex(request, "Referer");
    const int language = LineIndex(request, "Accept-Language");
    const int agent = LineIndex(request, "User-Agent");
    ASSERT_GE(accept, 0);
    EXPECT_LT(accept, referer);
    EXPECT_LT(referer, language);
    EXPECT_LT(language, agent);
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Referer"), url);
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.Header("User-Agent"), kAgent);
    EXPECT_EQ(CountNoCase(request, "User-Agent"), 1);
    EXPECT_FALSE(request.HasHeader("Content-Type"));
    EXPECT_FALSE(request.HasHeader("Cookie"));
}

TEST_F(WebRequestTest, CallersAgentIsKeptUnderItsNormalisedName)
{
    Route("/agent", "ok");
    const std::string url = Fixture::HttpBase() + "/agent";
    for (bool shared : {false, true}) {
        ASSERT_TRUE(Fixture::Reset());
        Route("/agent", "ok");
        GbkText headers = "user-agent: X";
        WebRequestOptions options;
        options.extraHeaders = &headers;
        EXPECT_EQ(Text(shared ? SharedWebRequest(url, options) : WebRequest(url, options)), "ok");
        const RecordedRequest request = OnlyRequest();
        EXPECT_GE(LineIndex(request, "User-Agent"), 0) << shared;
        EXPECT_EQ(request.Header("User-Agent"), "X");
        EXPECT_EQ(CountNoCase(request, "User-Agent"), 1);
        if (shared) {
            EXPECT_EQ(headers, "User-Agent: X\r\nAccept: */*\r\nReferer: " + url +
                                   "\r\nAccept-Language: zh-cn");
        } else {
            EXPECT_EQ(headers, "user-agent: X");
        }
    }
}

TEST_F(WebRequestTest, MethodsByIndex)
{
    const struct {
        int index;
        const char* verb;
    } cases[] = {{0, "GET"},    {1, "POST"},  {2, "HEAD"}, {3, "PUT"}, {4, "OPTIONS"},
                 {5, "DELETE"}, {6, "TRACE"}, {9, "GET"},  {-1, "GET"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Fixture::Reset());
        Route("/m", "m");
        WebRequestOptions options;
        options.methodIndex = c.index;
        WebRequest(Fixture::HttpBase() + "/m", options);
        const RecordedRequest request = OnlyRequest();
        EXPECT_EQ(request.method, c.verb) << c.index;
        EXPECT_EQ(request.HasHeader("Content-Type"), c.index == 1) << c.index;
    }
}

TEST_F(WebRequestTest, PostOfTextAndOfBytes)
{
    Route("/post", "done");
    WebRequestOptions options;
    options.methodIndex = 1;
    options.postText = "a=1&b=2";
    EXPECT_EQ(Text(WebRequest(Fixture::HttpBase() + "/post", options)), "done");
    RecordedRequest request = OnlyRequest();
    EXPECT_EQ(request.body, "a=1&b=2");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");

    ASSERT_TRUE(Fixture::Reset());
    Route("/post", "done");
    const ByteSet bytes = {0x00, 0xFF, 0x80, 0x7F, 'z', 0x00};
    options.postBytes = bytes;
    GbkText headers = "Content-Type: application/octet-stream";
    options.extraHeaders = &headers;
    EXPECT_EQ(Text(SharedWebRequest(Fixture::HttpBase() + "/post", options)), "done");
    request = OnlyRequest();
    EXPECT_EQ(request.body, std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(request.Header("Content-Type"), "application/octet-stream");
}

FixtureRoute SlowRoute()
{
    FixtureRoute slow;
    slow.path = "/slow";
    slow.body = std::string(128, 'x');
    slow.chunkDelayMs = 1500;
    return slow;
}

TEST_F(WebRequestTest, ShortTimeOutEndsASlowAnswer)
{
    ASSERT_TRUE(Fixture::AddRoute(SlowRoute()));
    WebRequestOptions options;
    options.timeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(WebRequest(Fixture::HttpBase() + "/slow", options).empty());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
}

TEST_F(WebRequestTest, GivenTimeOutsStillReadASlowAnswer)
{
    ASSERT_TRUE(Fixture::AddRoute(SlowRoute()));
    for (std::int32_t seconds : {3, -1, 2147483647}) {
        WebRequestOptions options;
        options.timeoutSeconds = seconds;
        EXPECT_EQ(Text(WebRequest(Fixture::HttpBase() + "/slow", options)), std::string(128, 'x'))
            << seconds;
    }
}

TEST_F(WebRequestTest, RedirectFollowedOrReturned)
{
    Route("/from", "moved", 302, {"Location: /to"});
    Route("/to", "arrived");
    std::int32_t status = 0;
    WebRequestOptions options;
    options.statusCode = &status;
    EXPECT_EQ(Text(WebRequest(Fixture::HttpBase() + "/from", options)), "arrived");
    EXPECT_EQ(status, 200);

    ASSERT_TRUE(Fixture::Reset());
    Route("/from", "moved", 302, {"Location: /to"});
    Route("/to", "arrived");
    GbkText responseHeaders;
    options.noRedirect = true;
    options.responseHeaders = &responseHeaders;
    EXPECT_EQ(Text(SharedWebRequest(Fixture::HttpBase() + "/from", options)), "moved");
    EXPECT_EQ(status, 302);
    EXPECT_NE(responseHeaders.find("Location: /to"), std::string::npos);
    EXPECT_EQ(Fixture::Requests().size(), 1u);
}

// A request whose answer decides what is run gets nothing once one hop leaves https, and the
// plain-http server is never asked; redirects that stay on https are followed as before.
TEST_F(WebRequestTest, VerifiedRequestIsFollowedOnlyOverHttps)
{
    const std::string toHttp = Fixture::HttpBase() + "/to";
    const std::string toHttps = Fixture::HttpsBase() + "/to";
    const std::string viaHttps = Fixture::HttpsBase() + "/hop";
    struct Case {
        const char* name;
        int status;
        std::string location;
        int methodIndex;
        bool verify;
        const char* body;               // empty: the request failed
        std::vector<std::string> asked; // the targets asked for, all over https
    };
    const Case cases[] = {
        {"302 to http", 302, toHttp, 0, true, "", {"/from"}},
        {"301 to http", 301, toHttp, 0, true, "", {"/from"}},
        {"307 post to http", 307, toHttp, 1, true, "", {"/from"}},
        {"to https, then to http", 302, viaHttps, 0, true, "", {"/from", "/hop"}},
        {"to https", 302, toHttps, 0, true, "arrived", {"/from", "/to"}},
        {"relative", 302, "/to", 0, true, "arrived", {"/from", "/to"}},
        {"to https, unverified", 302, toHttps, 0, false, "arrived", {"/from", "/to"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Fixture::Reset());
        Route("/from", "moved", c.status, {"Location: " + c.location});
        Route("/hop", "moved again", 302, {"Location: " + toHttp});
        Route("/to", "arrived");
        std::int32_t status = -1;
        GbkText responseHeaders = "stale";
        WebRequestOptions options;
        options.methodIndex = c.methodIndex;
        options.verifyCertificate = c.verify;
        options.statusCode = &status;
        options.responseHeaders = &responseHeaders;
        EXPECT_EQ(Text(SharedWebRequest(Fixture::HttpsBase() + "/from", options)), c.body);
        EXPECT_EQ(status, std::string(c.body).empty() ? 0 : 200);
        EXPECT_EQ(responseHeaders.empty(), std::string(c.body).empty());
        std::vector<std::string> asked;
        for (const RecordedRequest& request : Fixture::Requests()) {
            EXPECT_EQ(request.scheme, "https") << request.target;
            asked.push_back(request.target);
        }
        EXPECT_EQ(asked, c.asked);
    }
}

TEST_F(WebRequestTest, CookiesSentCollectedAndMerged)
{
    Route("/c", "c", 200,
          {"Set-Cookie: sid=new; Path=/; HttpOnly", "Set-Cookie: gone=deleted; Max-Age=0",
           "Set-Cookie: flag"});
    for (bool shared : {false, true}) {
        ASSERT_TRUE(Fixture::Reset());
        Route("/c", "c", 200,
              {"Set-Cookie: sid=new; Path=/; HttpOnly", "Set-Cookie: gone=deleted; Max-Age=0",
               "Set-Cookie: flag"});
        GbkText sent = "Cookie: sid=old; keep=1; gone=2";
        GbkText returned = "stale";
        WebRequestOptions options;
        options.requestCookies = &sent;
        options.returnedCookies = &returned;
        const std::string url = Fixture::HttpBase() + "/c";
        shared ? SharedWebRequest(url, options) : WebRequest(url, options);
        EXPECT_EQ(OnlyRequest().Header("Cookie"), "sid=old; keep=1; gone=2") << shared;
        EXPECT_EQ(returned, "sid=new; flag; keep=1");
        EXPECT_EQ(sent, returned);
    }
}

TEST_F(WebRequestTest, CookiesWithoutMergeOrWithoutAnswerCookies)
{
    Route("/set", "s", 200, {"Set-Cookie: a=2; Path=/"});
    Route("/none", "n");
    GbkText sent = "a=1";
    GbkText returned;
    WebRequestOptions options;
    options.requestCookies = &sent;
    options.returnedCookies = &returned;
    options.mergeCookies = false;
    WebRequest(Fixture::HttpBase() + "/set", options);
    EXPECT_EQ(returned, "a=2");
    EXPECT_EQ(sent, "a=1");

    // An answer without cookies hands back the sent text, trimmed and de-duplicated.
    sent = "Cookie: a=1; a=1;";
    options.mergeCookies.reset();
    WebRequest(Fixture::HttpBase() + "/none", options);
    EXPECT_EQ(returned, "a=1");
    EXPECT_EQ(sent, "a=1");

    // Without a cookie text nothing is sent and the answer's cookies still come back.
    ASSERT_TRUE(Fixture::Reset());
    Route("/set", "s", 200, {"Set-Cookie: a=2; Path=/"});
    WebRequestOptions plain;
    plain.returnedCookies = &returned;
    WebRequest(Fixture::HttpBase() + "/set", plain);
    EXPECT_FALSE(OnlyRequest().HasHeader("Cookie"));
    EXPECT_EQ(returned, "a=2");
}

// Wine's request object takes SetProxy but does not route through it (the per-request proxy
// option is a stub there), so the request is addressed to the fixture itself, which also
// answers absolute-address proxy requests: the Basic header arrives either way.
TEST_F(WebRequestTest, ProxyCredentialsGoOutAsBasicHeader)
{
    const std::string proxy = "127.0.0.1:" + std::to_string(Fixture::HttpPort());
    const std::string url = Fixture::HttpBase() + "/through";
    for (bool shared : {false, true}) {
        ASSERT_TRUE(Fixture::Reset());
        Route("/through", "via proxy");
        WebRequestOptions options;
        options.proxyAddress = proxy;
        options.proxyUser = "\xD3\xC3\xBB\xA7"; // 用户
        options.proxyPassword = "p:w";
        const ByteSet body = shared ? SharedWebRequest(url, options) : WebRequest(url, options);
        EXPECT_EQ(Text(body), "via proxy") << shared;
        auto requests = Fixture::Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_TRUE(requests[0].target == url || requests[0].target == "/through");
        const std::string credentials = "\xD3\xC3\xBB\xA7:p:w";
        EXPECT_EQ(requests[0].Header("Proxy-Authorization"),
                  "Basic " +
                      toolkit::Base64Encode(ByteSet(credentials.begin(), credentials.end())));
    }
}

TEST_F(WebRequestTest, ProxyCredentialsNeedProxyUserAndBasicMode)
{
    const std::string proxy = "127.0.0.1:" + std::to_string(Fixture::HttpPort());
    const struct {
        const char* address;
        const char* user;
        std::optional<std::int32_t> mode;
        bool header;
    } cases[] = {
        {"proxy", "u", std::nullopt, true}, {"proxy", "u", 1, true}, {"proxy", "u", 0, false},
        {"proxy", "u", 2, false},           {"proxy", "", 1, false}, {"", "u", 1, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Fixture::Reset());
        Route("/through", "ok");
        WebRequestOptions options;
        options.proxyAddress = std::string(c.address).empty() ? std::string() : proxy;
        options.proxyUser = c.user;
        options.proxyAuthMode = c.mode;
        SharedWebRequest(Fixture::HttpBase() + "/through", options);
        EXPECT_EQ(OnlyRequest().HasHeader("Proxy-Authorization"), c.header)
            << c.address << " " << c.user << " " << c.mode.value_or(-9);
    }
}

TEST_F(WebRequestTest, DroppedConnectionGivesEmptyBodyAndStatusZero)
{
    FixtureRoute drop;
    drop.path = "/drop";
    drop.drop = true;
    ASSERT_TRUE(Fixture::AddRoute(drop));
    std::int32_t status = 55;
    GbkText returned = "old";
    WebRequestOptions options;
    options.statusCode = &status;
    options.returnedCookies = &returned;
    options.timeoutSeconds = 5;
    EXPECT_TRUE(WebRequest(Fixture::HttpBase() + "/drop", options).empty());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(returned, "");
}

TEST_F(WebRequestTest, MalformedAndUnreachableAddressesFailQuietly)
{
    for (const char* url : {"not a url", "", "http://127.0.0.1:1/closed"}) {
        std::int32_t status = 9;
        WebRequestOptions options;
        options.statusCode = &status;
        options.timeoutSeconds = 3;
        EXPECT_TRUE(WebRequest(url, options).empty()) << url;
        EXPECT_EQ(status, 0) << url;
    }
}

TEST_F(WebRequestTest, HttpsWithTheTrustedTestAuthority)
{
    Route("/secure", "tls body");
    std::int32_t status = 0;
    WebRequestOptions options;
    options.statusCode = &status;
    EXPECT_EQ(Text(WebRequest(Fixture::HttpsBase() + "/secure", options)), "tls body");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(OnlyRequest().scheme, "https");
}

TEST_F(WebRequestTest, LentObjectStaysUsable)
{
    Route("/lent", "first");
    toolkit::ComInitialize();
    {
        toolkit::AutoObject object = toolkit::AutoObject::Create(L"WinHttp.WinHttpRequest.5.1");
        ASSERT_FALSE(object.IsEmpty());
        WebRequestOptions options;
        options.requestObject = object.Get();
        EXPECT_EQ(Text(WebRequest(Fixture::HttpBase() + "/lent", options)), "first");
        // The caller's object still answers and holds the request's outcome.
        EXPECT_EQ(object.Get(L"Status").Int(), 200);
        EXPECT_EQ(object.Get(L"ResponseText").Text(), "first");
    }
    toolkit::ComUninitialize();
}

// After a request the thread's COM initialisation is back where it was: a first CoInitialize
// on a fresh thread still reports S_OK, not S_FALSE.
TEST_F(WebRequestTest, ComInitialisationIsPairedOnEveryPath)
{
    Route("/ok", "ok");
    for (const std::string& url : {Fixture::HttpBase() + "/ok", std::string("bad url")}) {
        HRESULT afterwards = E_FAIL;
        std::thread worker([&] {
            WebRequest(url);
            afterwards = CoInitialize(nullptr);
            CoUninitialize();
        });
        worker.join();
        EXPECT_EQ(afterwards, S_OK) << url;
    }
}

TEST_F(WebRequestTest, ConnectionKeepAliveLineIsLeftToTheObject)
{
    Route("/k", "k");
    GbkText headers = "X-One: 1\r\nConnection: keep-alive\r\nX-Two: 2";
    WebRequestOptions options;
    options.extraHeaders = &headers;
    WebRequest(Fixture::HttpBase() + "/k", options);
    const RecordedRequest request = OnlyRequest();
    EXPECT_EQ(request.Header("X-One"), "1");
    EXPECT_EQ(request.Header("X-Two"), "2");
    EXPECT_LT(LineIndex(request, "X-One"), LineIndex(request, "X-Two"));
}

} // namespace
