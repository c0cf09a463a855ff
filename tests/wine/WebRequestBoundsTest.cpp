// What the request client holds of an answer, whatever the server sends: a body over the size
// limit counts as a failed request (an empty body), with or without an announced length, and so
// does one that is not complete within the span of the request's time-outs.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>

#include "tests/support/AnswerSizes.h"
#include "tests/support/FixtureClient.h"
#include "toolkit/AnswerLimits.h"
#include "toolkit/WebRequest.h"

using testsupport::AnswerSizeCase;
using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::kAnswerSizeCases;
using toolkit::kMaxAnswerBytes;

namespace {

std::string Piece(std::size_t size)
{
    std::string piece(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        piece[i] = static_cast<char>('a' + i % 23);
    }
    return piece;
}

class WebRequestSizes : public testing::TestWithParam<AnswerSizeCase> {
protected:
    void SetUp() override { ASSERT_TRUE(Fixture::Reset()); }
};

TEST_P(WebRequestSizes, AnswerOverTheLimitIsRefused)
{
    const AnswerSizeCase& c = GetParam();
    ASSERT_EQ(c.piece * c.copies, kMaxAnswerBytes + (c.whole ? 0 : 1));
    FixtureRoute route;
    route.path = "/big";
    route.body = Piece(c.piece);
    route.repeat = c.copies;
    route.noLength = c.noLength;
    ASSERT_TRUE(Fixture::AddRoute(route));

    std::int32_t status = 0;
    toolkit::WebRequestOptions options;
    options.statusCode = &status;
    ByteSet body = toolkit::WebRequest(Fixture::HttpBase() + "/big", options);
    if (!c.whole) {
        EXPECT_TRUE(body.empty()) << body.size() << " bytes held";
        return;
    }
    ASSERT_EQ(body.size(), kMaxAnswerBytes);
    EXPECT_EQ(status, 200);
    const std::string piece = Piece(c.piece);
    for (std::size_t at : {std::size_t{0}, kMaxAnswerBytes - c.piece}) {
        EXPECT_EQ(std::string(body.begin() + at, body.begin() + at + c.piece), piece) << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WebRequestSizes, testing::ValuesIn(kAnswerSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Time-outs of 1 s each: the whole request has 4 s.
constexpr std::int32_t kTimeoutSeconds = 1;
constexpr auto kDeadline = std::chrono::seconds(4 * kTimeoutSeconds);
// Room for a slow machine; still far below what the answers below would last.
constexpr auto kSlack = std::chrono::seconds(4);

struct PacedCase {
    const char* name;
    FixtureRoute route;
    std::chrono::milliseconds within; // the call returns by then
    bool answered;                    // the status line arrived
};

void PrintTo(const PacedCase& c, std::ostream* os)
{
    *os << c.name;
}

FixtureRoute Paced(std::size_t piece, bool endless, int copies, int pauseMs, int delayMs = 0)
{
    FixtureRoute route;
    route.path = "/paced";
    route.body = Piece(piece);
    route.endless = endless;
    route.repeat = copies;
    route.pauseMs = pauseMs;
    route.delayMs = delayMs;
    return route;
}

const PacedCase kPacedCases[] = {
    // Over the size limit long before the deadline.
    {"endless_body", Paced(65536, true, 1, 0), kDeadline + kSlack, true},
    // Each piece well inside the receive time-out, none of them the last.
    {"endless_trickle", Paced(16, true, 1, 200), kDeadline + kSlack, true},
    {"announced_body_trickling", Paced(64, false, 100000, 300), kDeadline + kSlack, true},
    // The receive time-out ends these, long before the server would go on.
    {"no_answer", Paced(16, false, 1, 0, 45000), std::chrono::seconds(1) + kSlack, false},
    {"stall_in_the_body", Paced(16, false, 2, 45000), std::chrono::seconds(1) + kSlack, true},
};

class WebRequestPace : public testing::TestWithParam<PacedCase> {
protected:
    void SetUp() override { ASSERT_TRUE(Fixture::Reset()); }
};

TEST_P(WebRequestPace, EndsWithinTheTimeOutsSpan)
{
    const PacedCase& c = GetParam();
    ASSERT_TRUE(Fixture::AddRoute(c.route));
    std::int32_t status = -1;
    toolkit::WebRequestOptions options;
    options.timeoutSeconds = kTimeoutSeconds;
    options.statusCode = &status;
    const auto start = std::chrono::steady_clock::now();
    const ByteSet body = toolkit::WebRequest(Fixture::HttpBase() + "/paced", options);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(body.empty()) << body.size() << " bytes held";
    EXPECT_LT(elapsed, c.within);
    EXPECT_EQ(status, c.answered ? 200 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, WebRequestPace, testing::ValuesIn(kPacedCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
