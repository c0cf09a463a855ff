#include "update/ShareNote.h"

#include <mutex>

#include "toolkit/CodePage.h"
#include "toolkit/HtmlText.h"
#include "toolkit/JsonObject.h"
#include "toolkit/RegexObject.h"
#include "toolkit/ScriptEngine.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/WebRequest.h"
#include "update/HeaderPairs.h"
#include "update/ShareEnvelope.h"

namespace update {

namespace {

constexpr char kContentType[] = "application/json;charset=utf-8";
constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko";

// Two checks can overlap (a refresh thread and the interface thread); each must build its
// header text from its own two pairs, not from a mix of both.
std::mutex g_headerTextLock;

GbkText RequestHeaderText()
{
    std::lock_guard lock(g_headerTextLock);
    AddHeaderPair("Content-Type", kContentType);
    AddHeaderPair("User-Agent", kUserAgent);
    return BuildHeaderText(false);
}

// The answer as far as its first zero byte, from UTF-8 to code page 936.
GbkText AnswerText(const ByteSet& answer)
{
    GbkText utf8(answer.begin(), answer.end());
    const size_t zero = utf8.find('\0');
    if (zero != GbkText::npos) {
        utf8.resize(zero);
    }
    return toolkit::Utf8BytesToText(utf8);
}

} // namespace

GbkText ReadShareNote(const GbkText& shareUrl, const std::optional<GbkText>& password,
                      IDispatch* requestObject)
{
    toolkit::JsonObject json;

    const GbkText requestUrl = toolkit::ShareHost() + kShareViewPath;
    const GbkText body =
        ShareViewEnvelope(MakeRequestSeq(), password.value_or(GbkText()), ShareKeyOf(shareUrl));
    GbkText cookies = kShareViewCookie;
    GbkText headers = RequestHeaderText();

    toolkit::WebRequestOptions options;
    options.methodIndex = 1;
    options.postText = body;
    options.requestCookies = &cookies;
    options.extraHeaders = &headers;
    options.requestObject = requestObject;
    options.verifyCertificate = true;
    const GbkText answer = AnswerText(toolkit::SharedWebRequest(requestUrl, options));

    // Anything but JSON (an error page, a portal's login page) is read like a note, so that
    // its text is searched for the markers too.
    GbkText working = answer;
    if (json.JsonParse(answer)) {
        working = json.JsonGetText(kNoteContentPath);
    }
    GbkText note = toolkit::HtmlToText(working);
    json.JsonObjectDestroy();
    return note;
}

GbkText MakeRequestSeq()
{
    toolkit::ScriptEngine engine;
    engine.ScriptExecuteStatement(
        "function getseq(){return 1e4*(new Date).getTime()+parseInt(9999*Math.random());}");
    // The script host may write a number this large with a point or an exponent.
    GbkText seq = ExtractDigits(engine.ScriptEval("getseq()"));
    engine.ScriptEngineDestroy();
    return seq;
}

GbkText ExtractDigits(const GbkText& text)
{
    toolkit::RegexObject regex;
    GbkText digits;
    if (regex.RegexExecute("\\d", text)) {
        const std::int32_t count = regex.RegexCount();
        for (std::int32_t i = 1; i <= count; ++i) {
            digits += regex.RegexMatchText(i);
        }
    }
    regex.RegexObjectDestroy();
    return digits;
}

} // namespace update
