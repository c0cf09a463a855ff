#include "toolkit/WebRequest.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "toolkit/AnswerLimits.h"
#include "toolkit/Automation.h"
#include "toolkit/Base64.h"
#include "toolkit/Cookies.h"
#include "toolkit/HeaderLines.h"
#include "toolkit/NoCase.h"
#include "toolkit/ScopedWin.h"

namespace toolkit {
namespace {

enum class Variant { Shared, Application };

constexpr std::int32_t kDefaultTimeoutMs = 15000;
constexpr std::int32_t kMaxTimeoutSeconds = 2147483;
constexpr std::int32_t kProxySettingNamed = 2;
constexpr std::int32_t kOptionSslErrorIgnoreFlags = 4;
constexpr std::int32_t kOptionEnableRedirects = 6;
constexpr std::int32_t kOptionEnableHttpsToHttpRedirects = 12;
// Unknown authority, wrong usage, host name mismatch and expired certificate.
constexpr std::int32_t kIgnoredCertificateErrors = 0x3300;

void SetOption(AutoObject& request, std::int32_t option, AutoArg setting)
{
    AutoArg index = AutoArg::Int(option);
    AutoArg* args[] = {&index, &setting};
    request.Invoke(L"Option", DISPATCH_PROPERTYPUT, args, 2);
}

void SetHeader(AutoObject& request, const GbkText& name, const GbkText& value)
{
    request.Call(L"SetRequestHeader", AutoArg::Text(name), AutoArg::Text(value));
}

// True when the answer announces a body larger than any the programs hold.
bool AnnouncesTooMuch(AutoObject& request)
{
    const GbkText length =
        request.Call(L"GetResponseHeader", AutoArg::Text("Content-Length")).Text();
    return !length.empty() && std::strtoull(length.c_str(), nullptr, 10) > kMaxAnswerBytes;
}

// The answer body, or nothing when it is larger than any the programs hold: the object's array
// is measured before a byte of it is copied.
ByteSet ReadBody(AutoObject& request)
{
    AutoValue body = request.Get(L"ResponseBody");
    const VARIANT& raw = body.Raw();
    if (raw.vt == (VT_ARRAY | VT_UI1) && raw.parray != nullptr &&
        raw.parray->rgsabound[0].cElements > kMaxAnswerBytes) {
        return ByteSet();
    }
    ByteSet bytes = body.Bytes();
    if (bytes.size() > kMaxAnswerBytes) {
        return ByteSet();
    }
    return bytes;
}

ByteSet Perform(Variant variant, const GbkText& requestUrl, const WebRequestOptions& options)
{
    const bool mergeCookies = options.mergeCookies.value_or(true);
    const bool addDefaultHeaders = options.addDefaultHeaders.value_or(true);
    const bool normaliseHeaders = options.normaliseHeaders.value_or(true);

    // Declared before the object so that the object is released first.
    ScopedComApartment apartment;

    const std::int32_t methodIndex = options.methodIndex.value_or(0);
    const char* verb = VerbOfMethodIndex(methodIndex);

    AutoObject request = options.requestObject != nullptr
                             ? AutoObject(ShareReference(options.requestObject))
                             : AutoObject::Create(L"WinHttp.WinHttpRequest.5.1");
    if (request.IsEmpty()) {
        return ByteSet();
    }

    const std::int32_t timeoutSeconds = options.timeoutSeconds.value_or(0);
    if (timeoutSeconds != -1) {
        // Beyond about 24 days the milliseconds no longer fit; such a wait is as good as none.
        const std::int32_t seconds = std::min(timeoutSeconds, kMaxTimeoutSeconds);
        const std::int32_t t = seconds < 1 ? kDefaultTimeoutMs : seconds * 1000;
        request.Call(L"SetTimeouts", AutoArg::Int(t), AutoArg::Int(t), AutoArg::Int(t),
                     AutoArg::Int(t));
    }

    const GbkText proxyAddress = options.proxyAddress.value_or(GbkText());
    if (!proxyAddress.empty()) {
        request.Call(L"SetProxy", AutoArg::Int(kProxySettingNamed), AutoArg::Text(proxyAddress));
    }

    request.Call(L"Open", AutoArg::Text(verb), AutoArg::Text(requestUrl), AutoArg::Bool(false));
    if (options.noRedirect.value_or(false)) {
        SetOption(request, kOptionEnableRedirects, AutoArg::Int(0));
    }
    if (options.verifyCertificate.value_or(false)) {
        // One plain-http hop would let anyone on the way write the answer that decides what is
        // run. Windows refuses that redirect unless told otherwise, and a lent object may have
        // been told; Wine does not implement the option and refuses the redirect anyway.
        SetOption(request, kOptionEnableHttpsToHttpRedirects, AutoArg::Bool(false));
    } else {
        // Wine does not implement this option; the request then goes on with full checks.
        SetOption(request, kOptionSslErrorIgnoreFlags, AutoArg::Int(kIgnoredCertificateErrors));
    }

    // The shared variant completes the caller's own text; the application variant a copy.
    GbkText privateHeaders;
    GbkText& headers = (variant == Variant::Shared && options.extraHeaders != nullptr)
                           ? *options.extraHeaders
                           : privateHeaders;
    if (&headers == &privateHeaders && options.extraHeaders != nullptr) {
        privateHeaders = *options.extraHeaders;
    }
    if (addDefaultHeaders) {
        AddDefaultHeaderLines(headers, requestUrl, methodIndex);
    }
    if (normaliseHeaders) {
        headers = NormaliseHeaderLines(headers);
    }

    const GbkText proxyUser = options.proxyUser.value_or(GbkText());
    if (!proxyAddress.empty() && !proxyUser.empty()) {
        const GbkText proxyPassword = options.proxyPassword.value_or(GbkText());
        const std::int32_t authMode = options.proxyAuthMode.value_or(1);
        if (variant == Variant::Application) {
            request.Call(L"SetCredentials", AutoArg::Text(proxyUser), AutoArg::Text(proxyPassword),
                         AutoArg::Int(authMode));
        }
        if (authMode == 1) {
            const GbkText credentials = proxyUser + ":" + proxyPassword;
            const ByteSet bytes(credentials.begin(), credentials.end());
            const GbkText encoded =
                variant == Variant::Application ? Base64Encode(bytes) : PlatformBase64Encode(bytes);
            SetHeader(request, "Proxy-Authorization", "Basic " + encoded);
        }
    }

    if (options.requestCookies != nullptr) {
        GbkText& cookies = *options.requestCookies;
        if (!cookies.empty() && ContainsNoCase(cookies, "Cookie:")) {
            cookies = RemoveAllNoCase(cookies, "Cookie:");
        }
        SetHeader(request, "Cookie", cookies);
    }

    for (const HeaderPair& header : HeaderCalls(headers)) {
        SetHeader(request, header.first, header.second);
    }

    if (options.postBytes && !options.postBytes->empty()) {
        request.Call(L"Send", AutoArg::Bytes(*options.postBytes));
    } else {
        request.Call(L"Send", AutoArg::Text(options.postText.value_or(GbkText())));
    }

    ByteSet body;
    if (!AnnouncesTooMuch(request)) {
        body = ReadBody(request);
    }
    GbkText responseHeaders = request.Call(L"GetAllResponseHeaders").Text();
    // The object's text may carry its terminator inside; the header text ends there.
    const std::size_t nul = responseHeaders.find('\0');
    if (nul != GbkText::npos) {
        responseHeaders.resize(nul);
    }
    const std::int32_t status = request.Get(L"Status").Int();
    if (options.responseHeaders != nullptr) {
        *options.responseHeaders = responseHeaders;
    }
    if (options.statusCode != nullptr) {
        *options.statusCode = status;
    }

    const MarkerCase markerCase =
        variant == Variant::Shared ? MarkerCase::IgnoreCase : MarkerCase::Exact;
    GbkText returnedCookies = CollectSetCookies(responseHeaders, markerCase);
    if (mergeCookies && options.requestCookies != nullptr) {
        returnedCookies = MergeCookies(*options.requestCookies, returnedCookies);
    }
    if (options.returnedCookies != nullptr) {
        *options.returnedCookies = returnedCookies;
    }

    request.Reset();
    return body;
}

} // namespace

ByteSet WebRequest(const GbkText& requestUrl, const WebRequestOptions& options)
{
    return Perform(Variant::Application, requestUrl, options);
}

ByteSet SharedWebRequest(const GbkText& requestUrl, const WebRequestOptions& options)
{
    return Perform(Variant::Shared, requestUrl, options);
}

} // namespace toolkit
