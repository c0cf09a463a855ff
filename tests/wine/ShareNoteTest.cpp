// The share-note reader against the local fixture, through the real WinHttp object, script
// control and RegExp object.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/TextBetween.h"
#include "update/ShareEnvelope.h"
#include "update/ShareNote.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::RecordedRequest;
using toolkit::TextBetweenAnyCase;
using update::ReadShareNote;

namespace {

constexpr char kViewPath[] = "/webapp/json/weiyunShareNoLogin/WeiyunShareView";
constexpr char kViewTarget[] =
    "/webapp/json/weiyunShareNoLogin/WeiyunShareView?refer=unknown_windows&g_tk=5820417396";

// A share-view answer as the service sends it (UTF-8, escaped slashes, a JSON escape beside
// raw UTF-8), its note holding the three fields in three paragraphs.
const char* const kAnswer =
    R"({"data":{"rsp_header":{"retcode":0,"retmsg":"\u6210\u529f"},"rsp_body":)"
    R"({"RspMsg_body":{"share_key":"Hb71QxPa","share_name":"Skyvane","file_list":[],)"
    R"("note_list":[{"note_id":"b7c01e","note_title":"\u66f4\u65b0",)"
    R"("html_content":"<p>*1.0.3.0*<\/p><p>=)"
    "\xE4\xBF\xAE\xE5\xA4\x8D\\u95ee\xE9\xA2\x98"
    R"(<br>faster refresh=<\/p><p>-https:\/\/www.lanzoux.com\/iAbc123-<\/p>",)"
    R"("modify_time":1733812345}]}}},"ret":0,"msg":""})";
// 修复问题 in code page 936.
const char* const kChangelog = "\xD0\xDE\xB8\xB4\xCE\xCA\xCC\xE2\r\nfaster refresh";

GbkText ShareUrl()
{
    return toolkit::ShareHost() + "/Hb71QxPa";
}

void AnswerWith(const std::string& body, int status = 200)
{
    FixtureRoute route;
    route.method = "POST";
    route.path = kViewPath;
    route.status = status;
    route.headers = {"Content-Type: application/json;charset=UTF-8"};
    route.body = body;
    ASSERT_TRUE(Fixture::AddRoute(route));
}

int LineIndex(const RecordedRequest& request, const std::string& name)
{
    for (size_t i = 0; i < request.headerLines.size(); ++i) {
        if (_strnicmp(request.headerLines[i].c_str(), (name + ":").c_str(), name.size() + 1) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The request number as the envelope carries it.
std::string SeqOf(const std::string& body)
{
    return toolkit::TextBetween(body, R"(\"seq\":)", ",");
}

class ShareNote : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Fixture::Reset()); }
};

TEST_F(ShareNote, ReadsTheFirstNoteAsPlainText)
{
    AnswerWith(kAnswer);
    const GbkText note = ReadShareNote(ShareUrl());

    EXPECT_EQ(TextBetweenAnyCase(note, update::kVersionMarker, update::kVersionMarker), "1.0.3.0");
    EXPECT_EQ(TextBetweenAnyCase(note, update::kChangelogMarker, update::kChangelogMarker),
              kChangelog);
    EXPECT_EQ(TextBetweenAnyCase(note, update::kLinkMarker, update::kLinkMarker),
              "https://www.lanzoux.com/iAbc123");
    EXPECT_EQ(note.find('<'), GbkText::npos) << note;
}

TEST_F(ShareNote, SendsTheShareViewRequest)
{
    AnswerWith(kAnswer);
    ReadShareNote(ShareUrl());

    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.scheme, "https");
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, kViewTarget);
    EXPECT_EQ(request.Header("Cookie"), "wyctoken=5820417396");
    EXPECT_EQ(request.Header("Content-Type"), "application/json;charset=utf-8");
    EXPECT_EQ(request.Header("User-Agent"),
              "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Referer"), toolkit::ShareHost() + kViewTarget);
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    const std::vector<std::string> order = {"Cookie", "Content-Type", "User-Agent",
                                            "Accept", "Referer",      "Accept-Language"};
    for (size_t i = 1; i < order.size(); ++i) {
        EXPECT_LT(LineIndex(request, order[i - 1]), LineIndex(request, order[i])) << order[i];
    }

    const std::string seq = SeqOf(request.body);
    ASSERT_FALSE(seq.empty());
    EXPECT_EQ(seq.find_first_not_of("0123456789"), std::string::npos) << seq;
    EXPECT_EQ(request.body, update::ShareViewEnvelope(seq, "", "Hb71QxPa"));
}

TEST_F(ShareNote, SendsTheGivenPasswordAndTheKeyOfTheAddress)
{
    AnswerWith(kAnswer);
    ReadShareNote(toolkit::ShareHost() + "/Other9", GbkText("pw42"));
    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body,
              update::ShareViewEnvelope(SeqOf(requests[0].body), "pw42", "Other9"));
}

TEST_F(ShareNote, AnswersWithoutANoteGiveTheEmptyOrThePageText)
{
    struct Case {
        const char* name;
        std::string body;
        int status;
        const char* note;
    };
    const Case cases[] = {
        {"empty note list",
         R"({"data":{"rsp_body":{"RspMsg_body":{"note_list":[],"file_list":[]}}},"ret":0})", 200,
         ""},
        {"refused share", R"({"data":{"rsp_header":{"retcode":190011,"retmsg":"x"}},"ret":1})", 200,
         ""},
        {"note without content", R"({"data":{"rsp_body":{"RspMsg_body":{"note_list":[{}]}}}})", 200,
         ""},
        {"empty answer", "", 200, ""},
        {"error page", "<html><body><h1>502 Bad Gateway</h1><p>*9.9*</p></body></html>", 502,
         "502 Bad Gateway\r\n\r\n*9.9*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Fixture::Reset());
        AnswerWith(c.body, c.status);
        EXPECT_EQ(ReadShareNote(ShareUrl()), c.note);
    }
}

TEST_F(ShareNote, AFailedRequestGivesTheEmptyText)
{
    FixtureRoute route;
    route.path = kViewPath;
    route.drop = true;
    ASSERT_TRUE(Fixture::AddRoute(route));
    EXPECT_EQ(ReadShareNote(ShareUrl()), "");
}

// The script host writes the number in the form "1.79691612067255E+16", so the digits sent
// are those of the mantissa and the exponent: only the leading ones tell the time.
TEST(RequestSeq, IsDigitsLedByTheCurrentTime)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    // 100-ns units since 1601 to milliseconds since 1970.
    const std::uint64_t nowMs = (ticks - 116444736000000000ULL) / 10000;
    const std::string expected = std::to_string(nowMs * 10000);

    const GbkText seq = update::MakeRequestSeq();
    ASSERT_GE(seq.size(), 12u);
    EXPECT_EQ(seq.find_first_not_of("0123456789"), GbkText::npos) << seq;
    // The first twelve digits count tenths of seconds; a minute apart at most.
    const long long sent = std::stoll(seq.substr(0, 12));
    const long long wanted = std::stoll(expected.substr(0, 12));
    EXPECT_LT(std::llabs(sent - wanted), 600) << seq << " at " << expected;
}

TEST(ExtractDigits, KeepsOnlyTheDigitsInOrder)
{
    struct Case {
        const char* text;
        const char* digits;
    };
    const Case cases[] = {
        {"1.7338123456789e+16", "1733812345678916"},
        {"a1b2c3", "123"},
        {"-12.5", "125"},
        {"\xD6\xD0"
         "9\xCE\xC4"
         "8",
         "98"},
        {"no digits here", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(update::ExtractDigits(c.text), c.digits) << c.text;
    }
}

} // namespace
