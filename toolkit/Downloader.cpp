#include "toolkit/Downloader.h"

#include <windows.h>
#include <wininet.h>

#include <string>

#include "toolkit/ScopedWin.h"

namespace toolkit {

namespace {

constexpr DWORD kReadSize = 10240;
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT;
// As many as WinINet itself follows.
constexpr int kMaxRedirects = 10;
// Reported when two ticks of one read fall together, so that a rate computed from it never
// divides by zero.
constexpr std::int32_t kElapsedFloorMs = 10;

constexpr char kRequestHeaders[] =
    "Accept: */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

// A fresh agent name per call, "Agent" and the tick count written as a signed number.
std::string AgentName()
{
    return "Agent" + std::to_string(static_cast<std::int32_t>(GetTickCount()));
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD& value)
{
    DWORD size = sizeof value;
    DWORD index = 0;
    return HttpQueryInfoA(request, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index) != FALSE;
}

// The scheme WinINet reads in the address; INTERNET_SCHEME_UNKNOWN when it reads none.
INTERNET_SCHEME SchemeOf(const std::string& url)
{
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    return InternetCrackUrlA(url.c_str(), 0, 0, &parts) ? parts.nScheme : INTERNET_SCHEME_UNKNOWN;
}

bool IsRedirect(DWORD status)
{
    return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT ||
           status == HTTP_STATUS_REDIRECT_METHOD || status == HTTP_STATUS_REDIRECT_KEEP_VERB ||
           status == HTTP_STATUS_PERMANENT_REDIRECT;
}

// The address a redirect points to, a relative Location taken against the address that gave
// it; empty when the answer names none.
std::string RedirectTarget(HINTERNET request, const std::string& from)
{
    std::string location(INTERNET_MAX_URL_LENGTH + 1, '\0');
    DWORD length = static_cast<DWORD>(location.size());
    DWORD index = 0;
    if (!HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location.data(), &length, &index) ||
        length == 0) {
        return {};
    }
    location.resize(location.find('\0'));
    std::string target(INTERNET_MAX_URL_LENGTH + 1, '\0');
    length = static_cast<DWORD>(target.size());
    if (!InternetCombineUrlA(from.c_str(), location.c_str(), target.data(), &length, 0)) {
        return {};
    }
    target.resize(target.find('\0'));
    return target;
}

// Opens url and every address it is redirected to in turn, up to the answer that is no
// redirect; a null handle when a request fails, when the redirects go on too long, or when an
// address asked for over https leads anywhere else. WinINet is not left to follow them: it
// would have asked each address before we saw it, and Wine's WinINet follows https to plain
// http, where whoever is on the way could answer, and from there on to https again.
ScopedInternetHandle OpenFollowingRedirects(HINTERNET internet, const std::string& url,
                                            const std::string& headers)
{
    const bool httpsOnly = SchemeOf(url) == INTERNET_SCHEME_HTTPS;
    std::string address = url;
    for (int hop = 0;; ++hop) {
        ScopedInternetHandle request(InternetOpenUrlA(internet, address.c_str(), headers.c_str(),
                                                      static_cast<DWORD>(headers.size()),
                                                      kOpenUrlFlags, 0));
        DWORD status = 0;
        if (!request || !QueryNumber(request.Get(), HTTP_QUERY_STATUS_CODE, status) ||
            !IsRedirect(status)) {
            return request;
        }
        if (hop == kMaxRedirects) {
            return {};
        }
        address = RedirectTarget(request.Get(), address);
        if (address.empty() || (httpsOnly && SchemeOf(address) != INTERNET_SCHEME_HTTPS)) {
            return {};
        }
    }
}

ScopedHandle OpenTarget(const GbkText& filePath, bool resume)
{
    ScopedHandle file(
        CreateFileA(filePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    resume ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && resume) {
        LARGE_INTEGER zero = {};
        if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) {
            file.Reset();
        }
    }
    return file;
}

bool WriteAll(HANDLE file, const char* bytes, DWORD count)
{
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

} // namespace

std::int32_t DownloadFile(const GbkText& url, const GbkText& filePath, DownloadProgress progress,
                          std::int32_t from, bool resume)
{
    // A negative offset would make the Range line ask for the last bytes of the file instead.
    if (resume && from < 0) {
        return -1;
    }

    // Only its flags count: without a reported connection the download is still tried, since
    // the state is often wrong behind a proxy.
    DWORD connection = 0;
    InternetGetConnectedState(&connection, 0);
    const DWORD accessType = (connection & INTERNET_CONNECTION_PROXY) != 0
                                 ? INTERNET_OPEN_TYPE_PRECONFIG
                                 : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
    ScopedInternetHandle internet(InternetOpenA(AgentName().c_str(), accessType, "", "", 0));
    if (!internet) {
        return -1;
    }

    std::string headers = kRequestHeaders;
    if (resume) {
        headers += "\r\nRange:bytes=" + std::to_string(from) + "-";
    }
    ScopedInternetHandle request = OpenFollowingRedirects(internet.Get(), url, headers);
    if (!request) {
        return -1;
    }
    // An error page is no package, and appending a whole body or an error page to a partial
    // file would corrupt it: only the answer asked for is written, and the file is not touched
    // otherwise.
    DWORD status = 0;
    if (!QueryNumber(request.Get(), HTTP_QUERY_STATUS_CODE, status) ||
        status != (resume ? HTTP_STATUS_PARTIAL_CONTENT : HTTP_STATUS_OK)) {
        return -1;
    }

    ScopedHandle file = OpenTarget(filePath, resume);
    if (!file) {
        return -1;
    }

    DWORD total = 0;
    const bool lengthKnown = QueryNumber(request.Get(), HTTP_QUERY_CONTENT_LENGTH, total);
    if (!lengthKnown) {
        total = 0;
    }

    const std::uint64_t start = resume ? static_cast<std::uint64_t>(from) : 0;
    std::uint64_t done = start;
    const DWORD startTick = GetTickCount();
    std::string buffer(kReadSize, '\0');
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.Get(), buffer.data(), kReadSize, &read)) {
            return -1;
        }
        if (read == 0) {
            break;
        }
        if (!WriteAll(file.Get(), buffer.data(), read)) {
            return -1;
        }
        done += read;
        std::int32_t elapsed = static_cast<std::int32_t>(GetTickCount() - startTick);
        if (elapsed == 0) {
            elapsed = kElapsedFloorMs;
        }
        if (progress != nullptr) {
            progress(static_cast<std::int32_t>(total), static_cast<std::int32_t>(done), elapsed,
                     static_cast<std::int32_t>(done - start), 0);
        }
    }

    // A connection that closes early ends the reads like a complete body; only the announced
    // length tells a cut file from a whole one.
    if (lengthKnown && done - start < total) {
        return -1;
    }
    return 0;
}

void ProgressCallback(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

} // namespace toolkit
