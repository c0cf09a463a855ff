#include "toolkit/WebRequest.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "toolkit/AnswerLimits.h"
#include "toolkit/Automation.h"
#include "toolkit/Base64.h"
#include "toolkit/Cookies.h"
#include "toolkit/HeaderLines.h"
#include "toolkit/NoCase.h"
#include "toolkit/ScopedWin.h"
#include "toolkit/WinHttpExchange.h"

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

// A text body as the request object sends it: a text of ASCII characters as it stands;
// any other as UTF-8, with "; charset=utf-8" after the request's Content-Type (or that type
// for plain text when the request has none).
ByteSet ObjectTextBody(const GbkText& text, std::vector<HeaderPair>& headers)
{
    const std::wstring wide = GbkToWide(text);
    const bool ascii = std::all_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x80; });
    if (ascii) {
        return ByteSet(wide.begin(), wide.end());
    }
    const auto contentType =
        std::find_if(headers.rbegin(), headers.rend(), [](const HeaderPair& header) {
            return EqualsNoCase(header.first, "Content-Type");
        });
    if (contentType != headers.rend()) {
        contentType->second += "; charset=utf-8";
    } else {
        headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    ByteSet bytes(static_cast<std::size_t>(std::max(length, 0)));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                        reinterpret_cast<char*>(bytes.data()), length, nullptr, nullptr);
    return bytes;
}

// Everything the options make of one request, worked out before any of it goes out, so that
// either carrier sends the same.
struct PreparedRequest {
    const char* verb = "GET";
    std::optional<std::int32_t> timeoutMs; // none: the carrier's own time-outs
    GbkText proxyAddress;
    bool noRedirect = false;
    bool verifyCertificate = false;
    // SetCredentials of the application variant: user, password and the flags.
    std::optional<std::int32_t> credentialsMode;
    GbkText proxyUser;
    GbkText proxyPassword;
    std::vector<HeaderPair> headers; // in the order they are set
    std::optional<ByteSet> bodyBytes;
    GbkText bodyText; // sent when there are no bodyBytes
};

// What an answer gave, whichever carrier brought it.
struct Outcome {
    ByteSet body;
    GbkText headers;
    std::int32_t status = 0;
};

std::optional<std::int32_t> TimeoutMs(const WebRequestOptions& options)
{
    const std::int32_t timeoutSeconds = options.timeoutSeconds.value_or(0);
    if (timeoutSeconds == -1) {
        return std::nullopt;
    }
    // Beyond about 24 days the milliseconds no longer fit; such a wait is as good as none.
    const std::int32_t seconds = std::min(timeoutSeconds, kMaxTimeoutSeconds);
    return seconds < 1 ? kDefaultTimeoutMs : seconds * 1000;
}

// Completes the header text and the cookie text (the caller's own variables where the variant
// says so) and collects what is to be set on the request.
PreparedRequest Prepare(Variant variant, const GbkText& requestUrl,
                        const WebRequestOptions& options)
{
    PreparedRequest prepared;
    const std::int32_t methodIndex = options.methodIndex.value_or(0);
    prepared.verb = VerbOfMethodIndex(methodIndex);
    prepared.timeoutMs = TimeoutMs(options);
    prepared.proxyAddress = options.proxyAddress.value_or(GbkText());
    prepared.noRedirect = options.noRedirect.value_or(false);
    prepared.verifyCertificate = options.verifyCertificate.value_or(false);

    // The shared variant completes the caller's own text; the application variant a copy.
    GbkText privateHeaders;
    GbkText& headers = (variant == Variant::Shared && options.extraHeaders != nullptr)
                           ? *options.extraHeaders
                           : privateHeaders;
    if (&headers == &privateHeaders && options.extraHeaders != nullptr) {
        privateHeaders = *options.extraHeaders;
    }
    if (options.addDefaultHeaders.value_or(true)) {
        AddDefaultHeaderLines(headers, requestUrl, methodIndex);
    }
    if (options.normaliseHeaders.value_or(true)) {
        headers = NormaliseHeaderLines(headers);
    }

    const GbkText proxyUser = options.proxyUser.value_or(GbkText());
    if (!prepared.proxyAddress.empty() && !proxyUser.empty()) {
        const GbkText proxyPassword = options.proxyPassword.value_or(GbkText());
        const std::int32_t authMode = options.proxyAuthMode.value_or(1);
        if (variant == Variant::Application) {
            prepared.credentialsMode = authMode;
            prepared.proxyUser = proxyUser;
            prepared.proxyPassword = proxyPassword;
        }
        if (authMode == 1) {
            const GbkText credentials = proxyUser + ":" + proxyPassword;
            const ByteSet bytes(credentials.begin(), credentials.end());
            const GbkText encoded =
                variant == Variant::Application ? Base64Encode(bytes) : PlatformBase64Encode(bytes);
            prepared.headers.emplace_back("Proxy-Authorization", "Basic " + encoded);
        }
    }

    if (options.requestCookies != nullptr) {
        GbkText& cookies = *options.requestCookies;
        if (!cookies.empty() && ContainsNoCase(cookies, "Cookie:")) {
            cookies = RemoveAllNoCase(cookies, "Cookie:");
        }
        prepared.headers.emplace_back("Cookie", cookies);
    }

    for (HeaderPair& header : HeaderCalls(headers)) {
        prepared.headers.push_back(std::move(header));
    }

    if (options.postBytes && !options.postBytes->empty()) {
        prepared.bodyBytes = *options.postBytes;
    } else {
        prepared.bodyText = options.postText.value_or(GbkText());
    }
    return prepared;
}

// The request on the caller's automation object, call by call as the object expects them.
Outcome CarryOnObject(AutoObject& request, const GbkText& requestUrl,
                      const PreparedRequest& prepared)
{
    if (prepared.timeoutMs) {
        const std::int32_t t = *prepared.timeoutMs;
        request.Call(L"SetTimeouts", AutoArg::Int(t), AutoArg::Int(t), AutoArg::Int(t),
                     AutoArg::Int(t));
    }
    if (!prepared.proxyAddress.empty()) {
        request.Call(L"SetProxy", AutoArg::Int(kProxySettingNamed),
                     AutoArg::Text(prepared.proxyAddress));
    }

    request.Call(L"Open", AutoArg::Text(prepared.verb), AutoArg::Text(requestUrl),
                 AutoArg::Bool(false));
    if (prepared.noRedirect) {
        SetOption(request, kOptionEnableRedirects, AutoArg::Int(0));
    }
    if (prepared.verifyCertificate) {
        // One plain-http hop would let anyone on the way write the answer that decides what is
        // run. Windows refuses that redirect unless told otherwise, and a lent object may have
        // been told; Wine does not implement the option and refuses the redirect anyway.
        SetOption(request, kOptionEnableHttpsToHttpRedirects, AutoArg::Bool(false));
    } else {
        // Wine does not implement this option; the request then goes on with full checks.
        SetOption(request, kOptionSslErrorIgnoreFlags, AutoArg::Int(kIgnoredCertificateErrors));
    }

    if (prepared.credentialsMode) {
        request.Call(L"SetCredentials", AutoArg::Text(prepared.proxyUser),
                     AutoArg::Text(prepared.proxyPassword),
                     AutoArg::Int(*prepared.credentialsMode));
    }
    for (const HeaderPair& header : prepared.headers) {
        SetHeader(request, header.first, header.second);
    }

    if (prepared.bodyBytes) {
        request.Call(L"Send", AutoArg::Bytes(*prepared.bodyBytes));
    } else {
        request.Call(L"Send", AutoArg::Text(prepared.bodyText));
    }

    Outcome outcome;
    if (!AnnouncesTooMuch(request)) {
        outcome.body = ReadBody(request);
    }
    outcome.headers = request.Call(L"GetAllResponseHeaders").Text();
    // The object's text may carry its terminator inside; the header text ends there.
    const std::size_t nul = outcome.headers.find('\0');
    if (nul != GbkText::npos) {
        outcome.headers.resize(nul);
    }
    outcome.status = request.Get(L"Status").Int();
    return outcome;
}

// The request on WinHTTP's functions: the object's synchronous Send cannot be bounded as a
// whole, and aborting it from outside is not safe under Wine.
Outcome CarryOnWinHttp(const GbkText& requestUrl, const PreparedRequest& prepared)
{
    WinHttpExchangeRequest call;
    call.verb = prepared.verb;
    call.url = requestUrl;
    call.timeoutMs = prepared.timeoutMs;
    call.proxyAddress = prepared.proxyAddress;
    if (prepared.credentialsMode) {
        // The object's SetCredentials flags: 1 names the proxy, 0 the server.
        call.credentials = WinHttpCredentials{prepared.proxyUser, prepared.proxyPassword,
                                              (*prepared.credentialsMode & 1) != 0};
    }
    call.noRedirect = prepared.noRedirect;
    call.verifyCertificate = prepared.verifyCertificate;
    call.headers = prepared.headers;
    call.body =
        prepared.bodyBytes ? *prepared.bodyBytes : ObjectTextBody(prepared.bodyText, call.headers);
    WinHttpExchangeAnswer answer = ExchangeOverWinHttp(call);
    return Outcome{std::move(answer.body), std::move(answer.headers), answer.status};
}

void Report(Variant variant, const WebRequestOptions& options, const Outcome& outcome)
{
    if (options.responseHeaders != nullptr) {
        *options.responseHeaders = outcome.headers;
    }
    if (options.statusCode != nullptr) {
        *options.statusCode = outcome.status;
    }
    const MarkerCase markerCase =
        variant == Variant::Shared ? MarkerCase::IgnoreCase : MarkerCase::Exact;
    GbkText returnedCookies = CollectSetCookies(outcome.headers, markerCase);
    if (options.mergeCookies.value_or(true) && options.requestCookies != nullptr) {
        returnedCookies = MergeCookies(*options.requestCookies, returnedCookies);
    }
    if (options.returnedCookies != nullptr) {
        *options.returnedCookies = returnedCookies;
    }
}

ByteSet Perform(Variant variant, const GbkText& requestUrl, const WebRequestOptions& options)
{
    const PreparedRequest prepared = Prepare(variant, requestUrl, options);
    Outcome outcome;
    if (options.requestObject != nullptr) {
        // Only the object needs COM. Declared before the object so that the object is released
        // first.
        ScopedComApartment apartment;
        AutoObject request(ShareReference(options.requestObject));
        outcome = CarryOnObject(request, requestUrl, prepared);
    } else {
        outcome = CarryOnWinHttp(requestUrl, prepared);
    }
    Report(variant, options, outcome);
    return std::move(outcome.body);
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
