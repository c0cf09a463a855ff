// The file downloader through the real WinINet against the local fixture.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "toolkit/Downloader.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;
using toolkit::DownloadFile;

namespace {

struct ProgressCall {
    std::int32_t total, done, elapsed, received, reserved;
};

std::vector<ProgressCall> g_calls;

void Record(std::int32_t total, std::int32_t done, std::int32_t elapsed, std::int32_t received,
            std::int32_t reserved)
{
    g_calls.push_back({total, done, elapsed, received, reserved});
}

std::string Pattern(size_t size)
{
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>((i * 31 + i / 257) & 0xFF);
    }
    return body;
}

class Downloader : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Fixture::Reset());
        g_calls.clear();
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        m_dir = std::string(temp) + "DownloaderTest" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_dir.c_str(), nullptr);
        m_file = m_dir + "\\Temp.zip";
        DeleteFileA(m_file.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(m_file.c_str());
        RemoveDirectoryA(m_dir.c_str());
    }

    static FixtureRoute Route(const std::string& path, const std::string& body, int status = 200)
    {
        FixtureRoute route;
        route.path = path;
        route.body = body;
        route.status = status;
        return route;
    }

    std::string FileText() const
    {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool FileExists() const
    {
        return GetFileAttributesA(m_file.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void WriteFileText(const std::string& text) const
    {
        std::ofstream out(m_file, std::ios::binary | std::ios::trunc);
        out << text;
    }

    std::string m_dir;
    std::string m_file;
};

TEST_F(Downloader, SendsItsHeaderLinesAndNoRangeForAFreshDownload)
{
    ASSERT_TRUE(Fixture::AddRoute(Route("/pkg.zip", "zip")));
    EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/pkg.zip?v=2", m_file, Record, 0, false), 0);

    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/pkg.zip?v=2");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.Header("Accept-Encoding"), "gzip, deflate");
    EXPECT_FALSE(request.HasHeader("Range"));
    // The pragma flag of the request: proxies on the way must not answer from a cache either.
    EXPECT_EQ(request.Header("Pragma"), "no-cache");
}

struct BodyCase {
    const char* name;
    size_t size;
    std::vector<std::int32_t> doneAfterEachRead;
};

class DownloaderBodies : public Downloader, public testing::WithParamInterface<BodyCase> {};

// Every read asks for 10240 bytes and is reported once; an empty body makes no report.
TEST_P(DownloaderBodies, AreWrittenWholeWithOneReportPerRead)
{
    const std::string body = Pattern(GetParam().size);
    ASSERT_TRUE(Fixture::AddRoute(Route("/body", body)));
    ASSERT_EQ(DownloadFile(Fixture::HttpBase() + "/body", m_file, Record, 0, false), 0);

    EXPECT_TRUE(FileText() == body);
    std::vector<std::int32_t> done;
    for (const ProgressCall& call : g_calls) {
        done.push_back(call.done);
        EXPECT_EQ(call.total, static_cast<std::int32_t>(body.size()));
        EXPECT_EQ(call.received, call.done);
        EXPECT_GT(call.elapsed, 0);
        EXPECT_EQ(call.reserved, 0);
    }
    EXPECT_EQ(done, GetParam().doneAfterEachRead);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DownloaderBodies,
                         testing::Values(BodyCase{"empty", 0, {}}, BodyCase{"one_byte", 1, {1}},
                                         BodyCase{"exactly_one_read", 10240, {10240}},
                                         BodyCase{"three_reads", 25000, {10240, 20480, 25000}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Downloader, ReplacesAnExistingFileWhenNotResuming)
{
    WriteFileText(std::string(5000, 'x'));
    ASSERT_TRUE(Fixture::AddRoute(Route("/new", "fresh")));
    ASSERT_EQ(DownloadFile(Fixture::HttpBase() + "/new", m_file, Record, 0, false), 0);
    EXPECT_EQ(FileText(), "fresh");
}

TEST_F(Downloader, ResumesAtTheCallersOffsetAndAppends)
{
    const std::string whole = Pattern(12000);
    WriteFileText(whole.substr(0, 1000));
    FixtureRoute route = Route("/part", whole.substr(1000), 206);
    route.headers = {"Content-Range: bytes 1000-11999/12000"};
    ASSERT_TRUE(Fixture::AddRoute(route));

    ASSERT_EQ(DownloadFile(Fixture::HttpBase() + "/part", m_file, Record, 1000, true), 0);

    EXPECT_TRUE(FileText() == whole);
    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    // WinINet puts a space behind the colon of every line it sends.
    EXPECT_EQ(requests[0].Header("Range"), "bytes=1000-");
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].total, 11000);
    EXPECT_EQ(g_calls[0].done, 1000 + 10240);
    EXPECT_EQ(g_calls[0].received, 10240);
    EXPECT_EQ(g_calls[1].done, 12000);
    EXPECT_EQ(g_calls[1].received, 11000);
}

TEST_F(Downloader, ResumingCreatesAMissingFile)
{
    ASSERT_TRUE(Fixture::AddRoute(Route("/part", "tail", 206)));
    ASSERT_EQ(DownloadFile(Fixture::HttpBase() + "/part", m_file, Record, 0, true), 0);
    EXPECT_EQ(FileText(), "tail");
}

// A server that ignores the range, or answers it with an error, would otherwise have a whole
// body or an error page appended to the partial file.
TEST_F(Downloader, ResumingRefusesAnswersThatAreNotTheRequestedPart)
{
    struct Case {
        int status;
        const char* body;
    };
    for (Case c : {Case{200, "the whole file"}, Case{416, "range not satisfiable"},
                   Case{404, "not found"}}) {
        SCOPED_TRACE(c.status);
        WriteFileText("partial");
        ASSERT_TRUE(Fixture::AddRoute(Route("/part", c.body, c.status)));
        EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/part", m_file, Record, 7, true), -1);
        EXPECT_EQ(FileText(), "partial");
    }
    EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/part", m_file, Record, -1, true), -1);
    EXPECT_TRUE(g_calls.empty());
}

// Only the answer asked for is a download: an error page, or no body at all, must not pass for
// the package.
TEST_F(Downloader, AnAnswerOtherThanOkFailsWithTheFileUntouched)
{
    struct Case {
        int status;
        const char* body;
    };
    for (Case c : {Case{404, "<html><body><h1>404 Not Found</h1></body></html>"},
                   Case{500, "<h1>Internal Server Error</h1>"}, Case{204, ""},
                   Case{206, "a part nobody asked for"}, Case{302, "moved, but to nowhere"}}) {
        SCOPED_TRACE(c.status);
        ASSERT_TRUE(Fixture::AddRoute(Route("/missing", c.body, c.status)));
        WriteFileText("kept");
        EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/missing", m_file, Record, 0, false), -1);
        EXPECT_EQ(FileText(), "kept");
    }
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Downloader, WorksWithoutACallback)
{
    const std::string body = Pattern(30000);
    ASSERT_TRUE(Fixture::AddRoute(Route("/body", body)));
    EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/body", m_file, nullptr, 0, false), 0);
    EXPECT_TRUE(FileText() == body);
}

TEST_F(Downloader, DownloadsOverHttps)
{
    ASSERT_TRUE(Fixture::AddRoute(Route("/secure.zip", "tls body")));
    EXPECT_EQ(DownloadFile(Fixture::HttpsBase() + "/secure.zip", m_file, Record, 0, false), 0);
    EXPECT_EQ(FileText(), "tls body");
}

TEST_F(Downloader, NeverAnswersFromTheCache)
{
    ASSERT_TRUE(Fixture::AddRoute(Route("/changing", "first")));
    ASSERT_EQ(DownloadFile(Fixture::HttpBase() + "/changing", m_file, nullptr, 0, false), 0);
    ASSERT_TRUE(Fixture::AddRoute(Route("/changing", "second")));
    ASSERT_EQ(DownloadFile(Fixture::HttpBase() + "/changing", m_file, nullptr, 0, false), 0);
    EXPECT_EQ(FileText(), "second");
    EXPECT_EQ(Fixture::Requests().size(), 2u);
}

TEST_F(Downloader, AnUnreachableServerLeavesTheFileUntouched)
{
    WriteFileText("kept");
    // Nothing listens on port 1 of the loopback address.
    EXPECT_EQ(DownloadFile("http://127.0.0.1:1/pkg.zip", m_file, Record, 0, false), -1);
    EXPECT_EQ(DownloadFile("not an address", m_file, Record, 0, false), -1);
    EXPECT_EQ(FileText(), "kept");
    EXPECT_TRUE(g_calls.empty());
}

// What was asked for over https comes over https on every hop: a redirect to plain http fails
// with the file untouched before the plain address is asked, even where a later hop would have
// led back to https (Wine's WinINet, left to itself, follows such a chain to its end).
TEST_F(Downloader, AnHttpsAddressIsFollowedOnlyOverHttps)
{
    struct Hop {
        std::string path;
        std::string location;
    };
    struct Case {
        const char* name;
        std::vector<Hop> hops; // the first is asked for over https
        std::int32_t result;
        std::string file;
        std::vector<std::string> asked; // the targets the fixture saw, all over https
    };
    const std::string https = Fixture::HttpsBase();
    const std::string http = Fixture::HttpBase();
    const Case cases[] = {
        {"to http", {{"/moved.zip", http + "/pkg.zip"}}, -1, "kept", {"/moved.zip"}},
        {"to https",
         {{"/moved.zip", https + "/pkg.zip"}},
         0,
         "package",
         {"/moved.zip", "/pkg.zip"}},
        {"relative location",
         {{"/moved.zip", "/pkg.zip"}},
         0,
         "package",
         {"/moved.zip", "/pkg.zip"}},
        {"over https twice",
         {{"/moved.zip", https + "/hop.zip"}, {"/hop.zip", https + "/pkg.zip"}},
         0,
         "package",
         {"/moved.zip", "/hop.zip", "/pkg.zip"}},
        {"through http back to https",
         {{"/moved.zip", http + "/hop.zip"}, {"/hop.zip", https + "/pkg.zip"}},
         -1,
         "kept",
         {"/moved.zip"}},
        {"through https to http",
         {{"/moved.zip", https + "/hop.zip"}, {"/hop.zip", http + "/pkg.zip"}},
         -1,
         "kept",
         {"/moved.zip", "/hop.zip"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Fixture::Reset());
        for (const Hop& hop : c.hops) {
            FixtureRoute moved = Route(hop.path, "", 302);
            moved.headers = {"Location: " + hop.location};
            ASSERT_TRUE(Fixture::AddRoute(moved));
        }
        ASSERT_TRUE(Fixture::AddRoute(Route("/pkg.zip", "package")));
        WriteFileText("kept");
        EXPECT_EQ(DownloadFile(https + c.hops[0].path, m_file, nullptr, 0, false), c.result);
        EXPECT_EQ(FileText(), c.file);
        std::vector<std::string> asked;
        for (const auto& request : Fixture::Requests()) {
            EXPECT_EQ(request.scheme, "https") << request.target;
            asked.push_back(request.target);
        }
        EXPECT_EQ(asked, c.asked);
    }
}

// Each hop is followed here, so a redirect that never ends must be cut off here too.
TEST_F(Downloader, RedirectsThatGoOnAndOnFail)
{
    FixtureRoute loop = Route("/loop.zip", "", 302);
    loop.headers = {"Location: " + Fixture::HttpsBase() + "/loop.zip"};
    ASSERT_TRUE(Fixture::AddRoute(loop));
    WriteFileText("kept");
    EXPECT_EQ(DownloadFile(Fixture::HttpsBase() + "/loop.zip", m_file, nullptr, 0, false), -1);
    EXPECT_EQ(FileText(), "kept");
    EXPECT_LE(Fixture::Requests().size(), 11u);
}

// A resumed download keeps its Range line on every hop, and the part it ends in is appended.
TEST_F(Downloader, ResumingFollowsRedirectsWithItsRange)
{
    WriteFileText("abc");
    FixtureRoute moved = Route("/moved.zip", "", 307);
    moved.headers = {"Location: /part"};
    ASSERT_TRUE(Fixture::AddRoute(moved));
    ASSERT_TRUE(Fixture::AddRoute(Route("/part", "def", 206)));
    EXPECT_EQ(DownloadFile(Fixture::HttpsBase() + "/moved.zip", m_file, nullptr, 3, true), 0);
    EXPECT_EQ(FileText(), "abcdef");
    const auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.Header("Range"), "bytes=3-") << request.target;
    }
}

TEST_F(Downloader, AFileThatCannotBeOpenedFails)
{
    ASSERT_TRUE(Fixture::AddRoute(Route("/pkg.zip", "zip")));
    const std::string inMissingFolder = m_dir + "\\no such folder\\Temp.zip";
    EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/pkg.zip", inMissingFolder, Record, 0, false),
              -1);
    EXPECT_TRUE(g_calls.empty());
}

// A dropped connection must not pass for a complete package; what arrived stays, and a resume
// from the file's size completes it.
TEST_F(Downloader, ACutBodyFailsAndCanBeResumed)
{
    const std::string whole = Pattern(30000);
    FixtureRoute cut = Route("/pkg.zip", whole);
    cut.cutAfter = 15000;
    cut.once = true;
    ASSERT_TRUE(Fixture::AddRoute(cut));
    EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/pkg.zip", m_file, Record, 0, false), -1);
    const std::string kept = FileText();
    EXPECT_TRUE(kept == whole.substr(0, kept.size()));
    EXPECT_LE(kept.size(), 15000u);

    ASSERT_TRUE(Fixture::AddRoute(Route("/pkg.zip", whole.substr(kept.size()), 206)));
    EXPECT_EQ(DownloadFile(Fixture::HttpBase() + "/pkg.zip", m_file, Record,
                           static_cast<std::int32_t>(kept.size()), true),
              0);
    EXPECT_TRUE(FileText() == whole);
}

} // namespace
