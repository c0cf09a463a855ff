#include "update/ShareEnvelope.h"

namespace update {

namespace {

// The two members of the envelope are JSON texts held as strings, hence the escaped quotes.
constexpr char kBeforeSeq[] = R"({"req_header":"{\"seq\":)";
constexpr char kBeforePassword[] =
    R"(,\"type\":1,\"cmd\":12002,\"appid\":30113,\"version\":3,\"major_version\":3,)"
    R"(\"minor_version\":3,\"fix_version\":3,\"wx_openid\":\"\",\"user_flag\":0}",)"
    R"("req_body":"{\"ReqMsg_body\":{\"ext_req_head\":{\"token_info\":{\"token_type\":0,)"
    R"(\"login_key_type\":1,\"login_key_value\":\"\"},\"language_info\":)"
    R"({\"language_type\":2052}},\".weiyun.WeiyunShareViewMsgReq_body\":{\"share_pwd\":\")";
constexpr char kBeforeKey[] = R"(\",\"share_key\":\")";
constexpr char kAfterKey[] = R"(\"}}}"})";

} // namespace

GbkText ShareKeyOf(const GbkText& shareUrl)
{
    const size_t slash = shareUrl.rfind('/');
    return slash == GbkText::npos ? shareUrl : shareUrl.substr(slash + 1);
}

GbkText ShareViewEnvelope(const GbkText& seq, const GbkText& password, const GbkText& shareKey)
{
    GbkText envelope = kBeforeSeq;
    envelope += seq;
    envelope += kBeforePassword;
    envelope += password;
    envelope += kBeforeKey;
    envelope += shareKey;
    envelope += kAfterKey;
    return envelope;
}

} // namespace update
