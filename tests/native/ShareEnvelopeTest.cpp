// The share-view request as text: the share key, the envelope and the header pair lists.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/JsonText.h"
#include "update/HeaderPairs.h"
#include "update/ShareEnvelope.h"

using update::AddHeaderPair;
using update::BuildHeaderText;
using update::ShareKeyOf;
using update::ShareViewEnvelope;

namespace {

std::u16string Ascii16(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

// The string member's content with its escaped quotes restored.
std::string UnescapedMember(const std::string& envelope, const std::string& name)
{
    const std::string opening = "\"" + name + "\":\"";
    size_t begin = envelope.find(opening);
    if (begin == std::string::npos) {
        return {};
    }
    begin += opening.size();
    std::string content;
    for (size_t i = begin; i < envelope.size() && envelope[i] != '"'; ++i) {
        if (envelope[i] == '\\' && i + 1 < envelope.size()) {
            ++i;
        }
        content += envelope[i];
    }
    return content;
}

} // namespace

TEST(ShareEnvelope, ShareKeyIsWhatFollowsTheLastSlash)
{
    struct Case {
        const char* url;
        const char* key;
    };
    const Case cases[] = {
        {"https://share.weiyun.com/Hb71QxPa", "Hb71QxPa"},
        {"https://share.weiyun.com/s/a/Hb71QxPa", "Hb71QxPa"},
        {"https://share.weiyun.com/", ""},
        {"Hb71QxPa", "Hb71QxPa"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShareKeyOf(c.url), c.key) << c.url;
    }
}

TEST(ShareEnvelope, IsTheFixedEnvelopeWithItsThreeInsertions)
{
    const std::string expected =
        R"({"req_header":"{\"seq\":123,\"type\":1,\"cmd\":12002,\"appid\":30113,)"
        R"(\"version\":3,\"major_version\":3,\"minor_version\":3,\"fix_version\":3,)"
        R"(\"wx_openid\":\"\",\"user_flag\":0}","req_body":"{\"ReqMsg_body\":)"
        R"({\"ext_req_head\":{\"token_info\":{\"token_type\":0,\"login_key_type\":1,)"
        R"(\"login_key_value\":\"\"},\"language_info\":{\"language_type\":2052}},)"
        R"(\".weiyun.WeiyunShareViewMsgReq_body\":{\"share_pwd\":\"\",)"
        R"(\"share_key\":\"Hb71QxPa\"}}}"})";
    const std::string envelope = ShareViewEnvelope("123", "", "Hb71QxPa");
    EXPECT_EQ(envelope, expected);
    EXPECT_EQ(envelope.find_first_of(" \t\r\n"), std::string::npos);
}

// The service reads both members as JSON texts of their own.
TEST(ShareEnvelope, MembersHoldJsonTexts)
{
    const std::string envelope = ShareViewEnvelope("17000000000000001234", "pw", "Key1");
    ASSERT_TRUE(toolkit::IsJsonText(Ascii16(envelope)));
    const std::string header = UnescapedMember(envelope, "req_header");
    const std::string body = UnescapedMember(envelope, "req_body");
    EXPECT_TRUE(toolkit::IsJsonText(Ascii16(header))) << header;
    EXPECT_TRUE(toolkit::IsJsonText(Ascii16(body))) << body;
    EXPECT_NE(header.find(R"("seq":17000000000000001234,)"), std::string::npos);
    EXPECT_NE(body.find(R"({"share_pwd":"pw","share_key":"Key1"})"), std::string::npos);
}

TEST(HeaderPairs, BuildJoinsThePairsAndEmptiesTheLists)
{
    AddHeaderPair("Content-Type", "application/json;charset=utf-8");
    AddHeaderPair("User-Agent", "Agent/1.0");
    EXPECT_EQ(BuildHeaderText(true),
              "Content-Type: application/json;charset=utf-8\r\nUser-Agent: Agent/1.0");
    EXPECT_EQ(BuildHeaderText(),
              "Content-Type: application/json;charset=utf-8\r\nUser-Agent: Agent/1.0");
    EXPECT_EQ(BuildHeaderText(), "");

    AddHeaderPair("A", "");
    update::ClearHeaderPairs();
    AddHeaderPair("B", "2");
    EXPECT_EQ(BuildHeaderText(), "B: 2");
}
