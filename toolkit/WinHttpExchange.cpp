#include "toolkit/WinHttpExchange.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "toolkit/Automation.h"
#include "toolkit/ScopedWin.h"

namespace toolkit {
namespace {

using Clock = std::chrono::steady_clock;

// The agent the request object announces; a request without a User-Agent line of its own goes
// out with it, as it did through the object.
constexpr wchar_t kObjectAgent[] = L"Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";

// WinHTTP's own time-outs (0: no limit).
constexpr DWORD kOwnResolveMs = 0;
constexpr DWORD kOwnConnectMs = 60000;
constexpr DWORD kOwnSendMs = 30000;
constexpr DWORD kOwnReceiveMs = 30000;

constexpr DWORD kIgnoredCertificateErrors =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

constexpr DWORD kMaxPiece = 65536;

struct Waits {
    DWORD resolve;
    DWORD connect;
    DWORD send;
    DWORD receive;
};

Waits WaitsOf(const std::optional<std::int32_t>& timeoutMs)
{
    if (!timeoutMs) {
        return {kOwnResolveMs, kOwnConnectMs, kOwnSendMs, kOwnReceiveMs};
    }
    const DWORD t = static_cast<DWORD>(std::max(*timeoutMs, 0));
    return {t, t, t, t};
}

struct UrlParts {
    std::wstring host;
    std::wstring pathAndQuery;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool SplitUrl(const std::wstring& url, UrlParts& parts)
{
    URL_COMPONENTS components = {};
    components.dwStructSize = sizeof components;
    components.dwHostNameLength = static_cast<DWORD>(-1);
    components.dwUrlPathLength = static_cast<DWORD>(-1);
    components.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), 0, 0, &components)) {
        return false;
    }
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) {
        return false;
    }
    parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    if (components.lpszUrlPath != nullptr) {
        parts.pathAndQuery.assign(components.lpszUrlPath, components.dwUrlPathLength);
    }
    if (components.lpszExtraInfo != nullptr) {
        parts.pathAndQuery.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    }
    if (parts.pathAndQuery.empty()) {
        parts.pathAndQuery = L"/";
    }
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return !parts.host.empty();
}

// Keeps every wait of the request inside the time left, so that no single step, however the
// server paces it, outlasts the deadline.
class Deadline {
public:
    Deadline(Clock::time_point end, Waits waits) : m_end(end), m_waits(waits) {}

    bool Passed() const { return Clock::now() >= m_end; }

    // False when the deadline has passed already.
    bool Bound(HINTERNET request) const
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_end - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        const DWORD cap = static_cast<DWORD>(std::min<long long>(left, 0x7FFFFFFF));
        DWORD receive = Within(m_waits.receive, cap);
        WinHttpSetTimeouts(request, static_cast<int>(Within(m_waits.resolve, cap)),
                           static_cast<int>(Within(m_waits.connect, cap)),
                           static_cast<int>(Within(m_waits.send, cap)), static_cast<int>(receive));
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive,
                         sizeof receive);
        return true;
    }

private:
    // A WinHTTP wait of 0 has no limit; the cap is at least 1 ms.
    static DWORD Within(DWORD wait, DWORD cap) { return wait == 0 ? cap : std::min(wait, cap); }

    Clock::time_point m_end;
    Waits m_waits;
};

void SetDword(HINTERNET handle, DWORD option, DWORD value)
{
    WinHttpSetOption(handle, option, &value, sizeof value);
}

// The header text as the request object's GetAllResponseHeaders gives it: the raw lines
// without the status line.
GbkText HeaderText(HINTERNET request)
{
    DWORD size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                        WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return GbkText();
    }
    std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             raw.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
        return GbkText();
    }
    raw.resize(size / sizeof(wchar_t));
    const std::size_t statusEnd = raw.find(L"\r\n");
    if (statusEnd == std::wstring::npos) {
        return GbkText();
    }
    return WideToGbk(std::wstring_view(raw).substr(statusEnd + 2));
}

bool AnnouncesMoreThan(HINTERNET request, std::size_t maxBytes)
{
    wchar_t length[32] = {};
    DWORD size = sizeof length;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                             length, &size, WINHTTP_NO_HEADER_INDEX)) {
        return false;
    }
    return std::wcstoull(length, nullptr, 10) > maxBytes;
}

// Appends without letting the body's storage grow past maxBytes, so that a body near the limit
// does not cost twice the limit.
void AppendWithin(ByteSet& body, const std::uint8_t* bytes, std::size_t count, std::size_t maxBytes)
{
    const std::size_t needed = body.size() + count;
    if (needed > body.capacity()) {
        body.reserve(std::min(std::max(needed, body.capacity() * 2), maxBytes));
    }
    body.insert(body.end(), bytes, bytes + count);
}

// The body in pieces; empty when it is larger than maxBytes, breaks off or is not complete by
// the deadline.
ByteSet ReadBody(HINTERNET request, const Deadline& deadline, std::size_t maxBytes)
{
    if (AnnouncesMoreThan(request, maxBytes)) {
        return ByteSet();
    }
    ByteSet body;
    ByteSet piece;
    for (;;) {
        // A body that comes a byte at a time never waits out a receive time-out.
        if (!deadline.Bound(request)) {
            return ByteSet();
        }
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) {
            return ByteSet();
        }
        if (available == 0) {
            return body;
        }
        if (available > maxBytes - body.size()) {
            return ByteSet();
        }
        piece.resize(std::min(available, kMaxPiece));
        DWORD read = 0;
        if (!WinHttpReadData(request, piece.data(), static_cast<DWORD>(piece.size()), &read)) {
            return ByteSet();
        }
        AppendWithin(body, piece.data(), read, maxBytes);
    }
}

} // namespace

std::int64_t ExchangeDeadlineMs(const std::optional<std::int32_t>& timeoutMs)
{
    const Waits waits = WaitsOf(timeoutMs);
    return std::int64_t{waits.resolve} + waits.connect + waits.send + waits.receive;
}

WinHttpExchangeAnswer ExchangeOverWinHttp(const WinHttpExchangeRequest& call)
{
    const Deadline deadline(Clock::now() +
                                std::chrono::milliseconds(ExchangeDeadlineMs(call.timeoutMs)),
                            WaitsOf(call.timeoutMs));
    WinHttpExchangeAnswer answer;

    UrlParts parts;
    if (!SplitUrl(GbkToWide(call.url), parts)) {
        return answer;
    }
    const std::wstring proxy = GbkToWide(call.proxyAddress);
    ScopedWinHttpHandle session(proxy.empty()
                                    ? WinHttpOpen(kObjectAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)
                                    : WinHttpOpen(kObjectAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                                  proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return answer;
    }
    ScopedWinHttpHandle connection(
        WinHttpConnect(session.Get(), parts.host.c_str(), parts.port, 0));
    if (!connection) {
        return answer;
    }
    const std::wstring verb = GbkToWide(call.verb);
    // As from the object: a request without an Accept line of its own accepts anything.
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    ScopedWinHttpHandle request(WinHttpOpenRequest(
        connection.Get(), verb.c_str(), parts.pathAndQuery.c_str(), nullptr, WINHTTP_NO_REFERER,
        acceptTypes, parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) {
        return answer;
    }

    if (call.noRedirect) {
        SetDword(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS);
    }
    if (call.verifyCertificate) {
        // WinHTTP's default already, but said here: one plain-http hop would let anyone on the
        // way write the answer that decides what is run.
        SetDword(request.Get(), WINHTTP_OPTION_REDIRECT_POLICY,
                 WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP);
    } else {
        SetDword(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, kIgnoredCertificateErrors);
    }
    if (call.credentials) {
        const std::wstring user = GbkToWide(call.credentials->user);
        const std::wstring password = GbkToWide(call.credentials->password);
        WinHttpSetCredentials(request.Get(),
                              call.credentials->forProxy ? WINHTTP_AUTH_TARGET_PROXY
                                                         : WINHTTP_AUTH_TARGET_SERVER,
                              WINHTTP_AUTH_SCHEME_BASIC, user.c_str(), password.c_str(), nullptr);
    }
    for (const HeaderPair& header : call.headers) {
        const std::wstring line = GbkToWide(header.first + ": " + header.second + "\r\n");
        WinHttpAddRequestHeaders(request.Get(), line.c_str(), static_cast<DWORD>(-1),
                                 WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
    }

    if (!deadline.Bound(request.Get())) {
        return answer;
    }
    const DWORD bodySize = static_cast<DWORD>(call.body.size());
    void* bodyData =
        call.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<std::uint8_t*>(call.body.data());
    if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, bodyData, bodySize,
                            bodySize, 0)) {
        return answer;
    }
    if (!deadline.Bound(request.Get()) || !WinHttpReceiveResponse(request.Get(), nullptr)) {
        return answer;
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    answer.status = static_cast<std::int32_t>(status);
    answer.headers = HeaderText(request.Get());
    answer.body = ReadBody(request.Get(), deadline, call.maxBytes);
    return answer;
}

} // namespace toolkit
