// The download-link resolution against local pages that imitate the download service: share
// page, download frame, the signed form post and the redirect of the file address, through the
// real WinHttp, script control and RegExp objects.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "updater/DownloadLink.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::RecordedRequest;
using updater::GetRedirectLocation;
using updater::ResolveShareDownloadUrl;

namespace {

constexpr char kChromeAgent[] = "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 "
                                "(KHTML, like Gecko) Chrome/84.0.4147.105 Safari/537.36";
constexpr char kProbeAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
constexpr char kProbeAccept[] = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                                "application/x-shockwave-flash, application/x-silverlight, */*";

// 70 letters, digits and underscores before the closing "_c_c", the shortest sign that counts.
const std::string kSign = std::string("AWcG_Q4") + std::string(63, 'x') + "_c_c";

std::string Root()
{
    return Fixture::HttpsBase() + "/";
}

std::string PackageAddress()
{
    return Fixture::HttpsBase() + "/package/Temp.zip?t=1";
}

// What the download service's pages look like, reduced to what the resolution reads.
struct Pages {
    std::string sharePage;
    std::string framePage;
    int frameStatus = 200;
    std::vector<std::string> frameHeaders;
    std::string ajaxAnswer;
    int probeStatus = 302;
    std::vector<std::string> probeHeaders;
};

Pages WorkingPages()
{
    Pages pages;
    // "下载" (download) in UTF-8, as the service sends its pages.
    pages.sharePage = "<html><head><title>Temp.zip - \xE4\xB8\x8B\xE8\xBD\xBD</title></head>"
                      "<body><div class=\"ifr\"><iframe class=\"ifr2\" name=\"1\" "
                      "src=\"/fn?UDEHbwE7VzFRAgQ1\" frameborder=\"0\" scrolling=\"no\">"
                      "</iframe></div></body></html>";
    pages.framePage = "<script type=\"text/javascript\">\n"
                      "var ajaxdata = '?ctdf';\n"
                      "\t\t$.ajax({\n"
                      "\t\t\ttype : 'post',\n"
                      "\t\t\turl : '/ajaxm.php',\n"
                      "\t\t\tdata : { 'action':'downprocess','signs':ajaxdata,'sign':'" +
                      kSign +
                      "','ves':1 },\n"
                      "\t\t\tdataType : 'json',\n"
                      "\t\t});\n</script>";
    pages.ajaxAnswer =
        "{\"zt\":1,\"dom\":\"https:\\/\\/localhost:" + std::to_string(Fixture::HttpsPort()) +
        "\",\"url\":\"?BmBXOFgzVGQ\",\"inf\":0}";
    pages.probeHeaders = {"Location: " + PackageAddress()};
    return pages;
}

void Route(const std::string& path, const std::string& body, int status = 200,
           std::vector<std::string> headers = {}, const std::string& method = "")
{
    FixtureRoute route;
    route.method = method;
    route.path = path;
    route.body = body;
    route.status = status;
    route.headers = std::move(headers);
    ASSERT_TRUE(Fixture::AddRoute(route));
}

void Serve(const Pages& pages)
{
    Route("/iAbCdEf12", pages.sharePage, 200, {"Content-Type: text/html; charset=utf-8"});
    // The frame path is appended to the root, which ends in a slash already.
    std::vector<std::string> frameHeaders = pages.frameHeaders;
    frameHeaders.push_back("Content-Type: text/html; charset=utf-8");
    Route("//fn", pages.framePage, pages.frameStatus, frameHeaders);
    // Where a frame request that is redirected finds the page.
    Route("/moved/fn", pages.framePage, 200, {"Content-Type: text/html; charset=utf-8"});
    Route("/ajaxm.php", pages.ajaxAnswer, 200, {"Content-Type: application/json"}, "POST");
    Route("/file/", "", pages.probeStatus, pages.probeHeaders);
    Route("/package/Temp.zip", "PK\x03\x04");
}

std::string ShareLink()
{
    return Fixture::HttpsBase() + "/iAbCdEf12";
}

const RecordedRequest* FindRequest(const std::vector<RecordedRequest>& requests,
                                   const std::string& targetStart)
{
    for (const RecordedRequest& request : requests) {
        if (request.target.compare(0, targetStart.size(), targetStart) == 0) {
            return &request;
        }
    }
    return nullptr;
}

class DownloadLinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Fixture::Reset()); }
};

TEST_F(DownloadLinkTest, FollowsTheChainToThePackageAddress)
{
    Serve(WorkingPages());
    EXPECT_EQ(ResolveShareDownloadUrl(ShareLink()), PackageAddress());

    const auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 4u);
    const char* const targets[] = {"/iAbCdEf12", "//fn?UDEHbwE7VzFRAgQ1", "/ajaxm.php",
                                   "/file/?BmBXOFgzVGQ"};
    const char* const methods[] = {"GET", "GET", "POST", "GET"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(targets[i]);
        EXPECT_EQ(requests[i].target, targets[i]);
        EXPECT_EQ(requests[i].method, methods[i]);
    }
    // The three page requests carry one header text: the same agent, and the service's root as
    // referer whatever was asked for.
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(targets[i]);
        EXPECT_EQ(requests[i].Header("User-Agent"), kChromeAgent);
        EXPECT_EQ(requests[i].Header("Referer"), Root());
        EXPECT_EQ(requests[i].Header("Accept"), "*/*");
        EXPECT_EQ(requests[i].Header("Accept-Language"), "zh-cn");
    }
    EXPECT_EQ(requests[2].body, "action=downprocess&sign=" + kSign + "&ves=1");
    EXPECT_EQ(requests[2].Header("Content-Type"), "application/x-www-form-urlencoded");

    const RecordedRequest& probe = requests[3];
    EXPECT_EQ(probe.Header("User-Agent"), kProbeAgent);
    EXPECT_EQ(probe.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(probe.Header("Accept"), kProbeAccept);
    EXPECT_FALSE(probe.HasHeader("Referer"));
}

TEST_F(DownloadLinkTest, PageVariations)
{
    struct Case {
        const char* name;
        std::function<void(Pages&)> change;
        bool resolves;
        // The form body posted, or empty when the post should not carry the working sign.
        std::string form;
    };
    auto replace = [](std::string& text, const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    const Case cases[] = {
        {"frame path of ten characters after the question mark",
         [&](Pages& p) { replace(p.sharePage, "UDEHbwE7VzFRAgQ1", "UDEHbwE7Vz"); }, true,
         "action=downprocess&sign=" + kSign + "&ves=1"},
        {"frame path of nine characters does not match",
         [&](Pages& p) { replace(p.sharePage, "UDEHbwE7VzFRAgQ1", "UDEHbwE7V"); }, false, ""},
        {"frame path needs a quote on both sides",
         [&](Pages& p) { replace(p.sharePage, "\"/fn?", "/fn?"); }, false, ""},
        {"frame page without an action still posts the default",
         [&](Pages& p) { replace(p.framePage, "'action':'downprocess',", ""); }, true,
         "action=downprocess&sign=" + kSign + "&ves=1"},
        {"action taken from the page",
         [&](Pages& p) { replace(p.framePage, "'action':'downprocess'", "'action':'getfile'"); },
         true, "action=getfile&sign=" + kSign + "&ves=1"},
        {"values go out unencoded",
         [&](Pages& p) { replace(p.framePage, "'action':'downprocess'", "'action':'a b+c%&d'"); },
         true, "action=a b+c%&d&sign=" + kSign + "&ves=1"},
        {"sign of 69 characters does not match",
         [&](Pages& p) { replace(p.framePage, kSign, kSign.substr(1)); }, true,
         "action=downprocess&sign=&ves=1"},
        {"ajax address found whatever its case",
         [&](Pages& p) { replace(p.framePage, "url : '/ajaxm.php'", "URL : '/ajaxm.php'"); }, true,
         "action=downprocess&sign=" + kSign + "&ves=1"},
        {"answer that is not JSON", [](Pages& p) { p.ajaxAnswer = "<html>busy</html>"; }, false,
         "action=downprocess&sign=" + kSign + "&ves=1"},
        {"answer without the file member",
         [](Pages& p) { p.ajaxAnswer = "{\"zt\":0,\"inf\":\"\\u5df2\"}"; }, false,
         "action=downprocess&sign=" + kSign + "&ves=1"},
        {"frame page moved to another https address",
         [](Pages& p) {
             p.frameStatus = 302;
             p.frameHeaders = {"Location: " + Fixture::HttpsBase() + "/moved/fn"};
         },
         true, "action=downprocess&sign=" + kSign + "&ves=1"},
        {"frame page moved to plain http",
         [](Pages& p) {
             p.frameStatus = 302;
             p.frameHeaders = {"Location: " + Fixture::HttpBase() + "/moved/fn"};
         },
         false, ""},
        {"probe answered 200 without a Location",
         [](Pages& p) {
             p.probeStatus = 200;
             p.probeHeaders.clear();
         },
         false, "action=downprocess&sign=" + kSign + "&ves=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Fixture::Reset());
        Pages pages = WorkingPages();
        c.change(pages);
        Serve(pages);
        EXPECT_EQ(ResolveShareDownloadUrl(ShareLink()), c.resolves ? PackageAddress() : "");
        const auto requests = Fixture::Requests();
        const RecordedRequest* post = FindRequest(requests, "/ajaxm.php");
        if (!c.form.empty()) {
            ASSERT_NE(post, nullptr);
            EXPECT_EQ(post->body, c.form);
        }
        // The redirect is handed back, never followed.
        EXPECT_EQ(FindRequest(requests, "/package/"), nullptr);
        for (const RecordedRequest& request : requests) {
            EXPECT_EQ(request.scheme, "https") << request.target;
        }
    }
}

TEST_F(DownloadLinkTest, ChainRunsOnWithEmptyValues)
{
    // No share page at all: the chain still asks the root for a frame and posts an unsigned
    // form to it, then gives up at the probe.
    Route("/", "", 404);
    EXPECT_EQ(ResolveShareDownloadUrl(ShareLink()), "");
    const auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].target, "/");
    EXPECT_EQ(requests[2].method, "POST");
    EXPECT_EQ(requests[2].target, "/");
    EXPECT_EQ(requests[2].body, "action=downprocess&sign=&ves=1");
}

TEST_F(DownloadLinkTest, RedirectProbe)
{
    Route("/moved", "", 302, {"Location: /elsewhere/Temp.zip"});
    Route("/plain", "body", 200);
    Route("/elsewhere/Temp.zip", "PK");
    EXPECT_EQ(GetRedirectLocation(Fixture::HttpBase() + "/moved"), "/elsewhere/Temp.zip");
    EXPECT_EQ(GetRedirectLocation(Fixture::HttpBase() + "/plain"), "");
    EXPECT_EQ(GetRedirectLocation("/file/"), "");
    EXPECT_EQ(GetRedirectLocation(""), "");
    const auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/moved");
    EXPECT_EQ(requests[1].target, "/plain");
    // In the order they were set, below anything the object adds of its own.
    std::vector<std::string> names;
    for (const std::string& line : requests[0].headerLines) {
        names.push_back(line.substr(0, line.find(':')));
    }
    auto at = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_LT(at("User-Agent"), at("Accept-Language"));
    EXPECT_LT(at("Accept-Language"), at("Accept"));
    EXPECT_LT(at("Accept"), static_cast<long>(names.size()));
}

} // namespace
