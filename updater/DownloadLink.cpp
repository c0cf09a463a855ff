#include "updater/DownloadLink.h"

#include <algorithm>

#include "toolkit/Automation.h"
#include "toolkit/CodePage.h"
#include "toolkit/JsonObject.h"
#include "toolkit/RegexObject.h"
#include "toolkit/ScopedWin.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/WebRequest.h"
#include "updater/HttpsAddress.h"

namespace updater {

using toolkit::AutoArg;
using toolkit::AutoObject;

namespace {

constexpr char kShareAgentLine[] =
    "user-agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
    "Gecko) Chrome/84.0.4147.105 Safari/537.36";

// Each "#引号" stands for a double quote, so the pattern needs no escaping: the frame path is a
// quoted "/fn?" with at least ten more characters that are not quotes.
constexpr char kFramePattern[] =
    "#\xD2\xFD\xBA\xC5(/fn\\?[^#\xD2\xFD\xBA\xC5]{10,})#\xD2\xFD\xBA\xC5";
constexpr char kSignPattern[] = "[0-9a-zA-Z\\_]{70,}_c_c";
constexpr char kActionPattern[] = "action':'(.*?)'";
constexpr char kAjaxPattern[] = "url : '/(.+?)'";
constexpr char kDefaultAction[] = "downprocess";

constexpr std::int32_t kMethodPost = 1;

constexpr std::int32_t kOptionEnableRedirects = 6;
constexpr std::int32_t kProbeResolveMs = 5000;
constexpr std::int32_t kProbeConnectMs = 5000;
constexpr std::int32_t kProbeSendMs = 10000;
constexpr std::int32_t kProbeReceiveMs = 5000;

struct ProbeHeader {
    const char* name;
    const char* value;
};
constexpr ProbeHeader kProbeHeaders[] = {
    {"User-Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)"},
    {"Accept-Language", "zh-cn"},
    {"Connection", "Keep-Alive"},
    {"Accept", "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
               "application/x-shockwave-flash, application/x-silverlight, */*"},
};

GbkText AsText(const ByteSet& bytes)
{
    return GbkText(bytes.begin(), bytes.end());
}

// One request of the chain. The header text is shared by all of them: the request client
// completes it in place, so every request sends the same agent and referer.
ByteSet Request(IDispatch* requestObject, const GbkText& url, GbkText& headers,
                const GbkText* postText = nullptr)
{
    toolkit::WebRequestOptions options;
    options.extraHeaders = &headers;
    options.requestObject = requestObject;
    options.verifyCertificate = true;
    if (postText != nullptr) {
        options.methodIndex = kMethodPost;
        options.postText = *postText;
    }
    return toolkit::SharedWebRequest(url, options);
}

GbkText FetchPage(IDispatch* requestObject, const GbkText& url, GbkText& headers)
{
    return toolkit::Utf8BytesToText(AsText(Request(requestObject, url, headers)));
}

GbkText FirstGroup(toolkit::RegexObject& regex, const char* pattern, const GbkText& subject,
                   bool quotePlaceholder = false)
{
    if (quotePlaceholder) {
        regex.RegexExecute(pattern, subject, std::nullopt, std::nullopt, std::nullopt, true);
    } else {
        regex.RegexExecute(pattern, subject);
    }
    return regex.RegexSubMatchText(1, 1);
}

} // namespace

GbkText ResolveShareDownloadUrl(const GbkText& link, IDispatch* requestObject)
{
    // What this ends in is downloaded and run. The three addresses that come from outside are
    // taken over https only: over plain http anyone on the way could choose the package.
    if (!IsHttpsAddress(link)) {
        return {};
    }
    toolkit::RegexObject regex;
    toolkit::JsonObject json;
    const GbkText serviceRoot = toolkit::DownloadShareRoot();
    GbkText headers = GbkText(kShareAgentLine) + "\r\nreferer: " + serviceRoot;

    const GbkText sharePage = FetchPage(requestObject, link, headers);
    const GbkText framePath = FirstGroup(regex, kFramePattern, sharePage, true);

    // The root ends in a slash and the path begins with one; the service expects both.
    const GbkText framePage = FetchPage(requestObject, serviceRoot + framePath, headers);

    regex.RegexExecute(kSignPattern, framePage);
    const GbkText sign = regex.RegexMatchText(1);
    GbkText action = FirstGroup(regex, kActionPattern, framePage);
    if (action.empty()) {
        action = kDefaultAction;
    }
    // The values go out as the page has them: the service signs them as they stand.
    const GbkText form = "action=" + action + "&sign=" + sign + "&ves=1";
    const GbkText ajaxUrl = serviceRoot + FirstGroup(regex, kAjaxPattern, framePage);

    json.JsonParse(AsText(Request(requestObject, ajaxUrl, headers, &form)));
    const GbkText fileUrl = json.JsonGetText("dom") + "/file/" + json.JsonGetText("url");
    if (!IsHttpsAddress(fileUrl)) {
        return {};
    }
    const GbkText location = GetRedirectLocation(fileUrl);
    return IsHttpsAddress(location) ? location : GbkText();
}

GbkText GetRedirectLocation(const GbkText& url)
{
    // Declared before the object so that the object is released first.
    toolkit::ScopedComApartment apartment;
    AutoObject request = AutoObject::Create(L"WinHttp.WinHttpRequest.5.1");
    if (request.IsEmpty()) {
        return {};
    }
    request.Call(L"SetTimeouts", AutoArg::Int(kProbeResolveMs), AutoArg::Int(kProbeConnectMs),
                 AutoArg::Int(kProbeSendMs), AutoArg::Int(kProbeReceiveMs));
    request.Call(L"Open", AutoArg::Text("GET"), AutoArg::Text(url), AutoArg::Bool(false));
    // After Open: Open starts the request afresh and drops a redirect switch set before it, and
    // a followed redirect would leave no Location to read.
    AutoArg option = AutoArg::Int(kOptionEnableRedirects);
    AutoArg off = AutoArg::Int(0);
    AutoArg* optionArgs[] = {&option, &off};
    request.Invoke(L"Option", DISPATCH_PROPERTYPUT, optionArgs, 2);
    for (const ProbeHeader& header : kProbeHeaders) {
        request.Call(L"SetRequestHeader", AutoArg::Text(header.name), AutoArg::Text(header.value));
    }
    request.Call(L"Send");
    GbkText location = request.Call(L"GetResponseHeader", AutoArg::Text("Location")).Text();
    // The object may count the header's terminator into the text; the address ends there.
    location.resize(std::min(location.size(), location.find('\0')));
    request.Reset();
    return location;
}

} // namespace updater
