// The plain internet reader through the real WinINet against the local fixture.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/support/AnswerSizes.h"
#include "tests/support/FixtureClient.h"
#include "toolkit/UrlReader.h"

using testsupport::AnswerSizeCase;
using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::kAnswerSizeCases;
using toolkit::kMaxAnswerBytes;
using toolkit::ReadUrlBytes;
using toolkit::UrlReadBounds;

namespace {

std::string AsText(const ByteSet& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string Pattern(size_t size)
{
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return body;
}

class UrlReader : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Fixture::Reset()); }

    static void Route(const std::string& path, const std::string& body, bool noLength = false,
                      int status = 200)
    {
        FixtureRoute route;
        route.path = path;
        route.body = body;
        route.noLength = noLength;
        route.status = status;
        ASSERT_TRUE(Fixture::AddRoute(route));
    }
};

TEST_F(UrlReader, SendsAnHttp10GetWithItsAgentAndAccept)
{
    Route("/json/", "{}");
    EXPECT_EQ(AsText(ReadUrlBytes(Fixture::HttpBase() + "/json/?lang=zh-CN")), "{}");

    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/json/?lang=zh-CN");
    EXPECT_EQ(request.version, "HTTP/1.0");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    int acceptLines = 0;
    for (const std::string& line : request.headerLines) {
        if (_strnicmp(line.c_str(), "Accept:", 7) == 0) {
            ++acceptLines;
            EXPECT_EQ(line, "Accept: */*");
        }
    }
    EXPECT_EQ(acceptLines, 1);
}

struct BodyCase {
    const char* name;
    size_t size;
    bool noLength;
};

class UrlReaderBodies : public UrlReader, public testing::WithParamInterface<BodyCase> {};

// Bodies around and beyond the chunk sizes come back whole, with and without a length.
TEST_P(UrlReaderBodies, ComeBackWhole)
{
    std::string body = Pattern(GetParam().size);
    Route("/body", body, GetParam().noLength);
    ByteSet read = ReadUrlBytes(Fixture::HttpBase() + "/body");
    ASSERT_EQ(read.size(), body.size());
    EXPECT_TRUE(AsText(read) == body);
}

INSTANTIATE_TEST_SUITE_P(Sizes, UrlReaderBodies,
                         testing::Values(BodyCase{"small", 5, false},
                                         BodyCase{"at_the_chunk_limit", 102399, false},
                                         BodyCase{"beyond_the_chunk_limit", 250000, false},
                                         BodyCase{"without_length", 30000, true},
                                         BodyCase{"empty", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UrlReader, ReturnsErrorPagesLikeAnyBody)
{
    Route("/missing", "gone", false, 404);
    EXPECT_EQ(AsText(ReadUrlBytes(Fixture::HttpBase() + "/missing")), "gone");
}

TEST_F(UrlReader, ReadsOverHttps)
{
    Route("/secure", "tls body");
    EXPECT_EQ(AsText(ReadUrlBytes(Fixture::HttpsBase() + "/secure")), "tls body");
    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].scheme, "https");
}

TEST_F(UrlReader, NeverAnswersFromTheCache)
{
    Route("/changing", "first");
    EXPECT_EQ(AsText(ReadUrlBytes(Fixture::HttpBase() + "/changing")), "first");
    Route("/changing", "second");
    EXPECT_EQ(AsText(ReadUrlBytes(Fixture::HttpBase() + "/changing")), "second");
    EXPECT_EQ(Fixture::Requests().size(), 2u);
}

TEST_F(UrlReader, FailuresGiveNothing)
{
    FixtureRoute dropped;
    dropped.path = "/drop";
    dropped.drop = true;
    ASSERT_TRUE(Fixture::AddRoute(dropped));
    EXPECT_TRUE(ReadUrlBytes(Fixture::HttpBase() + "/drop").empty());
    // Nothing listens on the discard port.
    EXPECT_TRUE(ReadUrlBytes("http://127.0.0.1:9/json/").empty());
    EXPECT_TRUE(ReadUrlBytes("not an address").empty());
    EXPECT_TRUE(ReadUrlBytes("ftp://127.0.0.1/file").empty());
    EXPECT_TRUE(ReadUrlBytes("").empty());
}

class UrlReaderSizes : public UrlReader, public testing::WithParamInterface<AnswerSizeCase> {};

TEST_P(UrlReaderSizes, BodyOverTheLimitIsRefused)
{
    const AnswerSizeCase& c = GetParam();
    ASSERT_EQ(c.piece * c.copies, kMaxAnswerBytes + (c.whole ? 0 : 1));
    FixtureRoute route;
    route.path = "/big";
    route.body = Pattern(c.piece);
    route.repeat = c.copies;
    route.noLength = c.noLength;
    ASSERT_TRUE(Fixture::AddRoute(route));
    ByteSet read = ReadUrlBytes(Fixture::HttpBase() + "/big");
    if (!c.whole) {
        EXPECT_TRUE(read.empty()) << read.size() << " bytes held";
        return;
    }
    ASSERT_EQ(read.size(), kMaxAnswerBytes);
    const std::string piece = Pattern(c.piece);
    for (size_t at : {size_t{0}, kMaxAnswerBytes - c.piece}) {
        EXPECT_TRUE(std::string(read.begin() + at, read.begin() + at + c.piece) == piece) << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UrlReaderSizes, testing::ValuesIn(kAnswerSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct EndlessCase {
    const char* name;
    std::string piece;
    int pauseMs;
};

class UrlReaderEndless : public UrlReader, public testing::WithParamInterface<EndlessCase> {};

// A body without end is given up at the size limit if it comes fast, at the deadline if it
// comes slowly; either way as soon as one of them is passed.
TEST_P(UrlReaderEndless, EndsAtTheLimitOrTheDeadline)
{
    FixtureRoute route;
    route.path = "/json/";
    route.body = GetParam().piece;
    route.endless = true;
    route.pauseMs = GetParam().pauseMs;
    ASSERT_TRUE(Fixture::AddRoute(route));

    UrlReadBounds bounds;
    bounds.deadline = std::chrono::milliseconds(2000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ReadUrlBytes(Fixture::HttpBase() + "/json/", bounds).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3500));
}

INSTANTIATE_TEST_SUITE_P(Cases, UrlReaderEndless,
                         testing::Values(EndlessCase{"fast", std::string(65536, 'x'), 0},
                                         EndlessCase{"trickle", "x", 200},
                                         EndlessCase{"slow_pieces", std::string(4096, 'x'), 50}),
                         [](const auto& info) { return std::string(info.param.name); });

// A server that says nothing at all after the request holds no one past the deadline either.
TEST_F(UrlReader, SilentServerEndsAtTheDeadline)
{
    FixtureRoute route;
    route.path = "/silent";
    route.body = "late";
    route.delayMs = 8000;
    ASSERT_TRUE(Fixture::AddRoute(route));
    UrlReadBounds bounds;
    bounds.deadline = std::chrono::milliseconds(1000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ReadUrlBytes(Fixture::HttpBase() + "/silent", bounds).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
}

} // namespace
