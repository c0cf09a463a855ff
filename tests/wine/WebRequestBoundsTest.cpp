// What the request client holds of an answer, whatever the server sends: a body over the size
// limit counts as a failed request (an empty body), with or without an announced length.
#include <windows.h>

#include <gtest/gtest.h>

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

} // namespace
