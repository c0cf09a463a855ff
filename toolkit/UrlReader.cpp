#include "toolkit/UrlReader.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <string>

#include "toolkit/ScopedWin.h"

namespace toolkit {

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kAcceptHeader[] = "Accept: */*";
constexpr DWORD kMaxChunk = 102400;
constexpr DWORD kChunkWithoutLength = 10240;

struct UrlParts {
    std::string host;
    std::string pathAndQuery;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool SplitUrl(const GbkText& url, UrlParts& parts)
{
    std::string host(INTERNET_MAX_HOST_NAME_LENGTH, '\0');
    std::string path(url.size() + 1, '\0');
    std::string extra(url.size() + 1, '\0');
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof components;
    components.lpszHostName = host.data();
    components.dwHostNameLength = static_cast<DWORD>(host.size());
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = static_cast<DWORD>(path.size());
    components.lpszExtraInfo = extra.data();
    components.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) {
        return false;
    }
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) {
        return false;
    }
    parts.host.assign(host.c_str());
    parts.pathAndQuery.assign(path.c_str());
    parts.pathAndQuery.append(extra.c_str());
    if (parts.pathAndQuery.empty()) {
        parts.pathAndQuery.push_back('/');
    }
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return !parts.host.empty();
}

// Content-Length plus one byte, so that a body of the announced size comes in one read that
// is followed by the read of nothing; bounded so that a bogus length cannot claim memory.
DWORD ChunkSize(HINTERNET request)
{
    DWORD length = 0;
    DWORD size = sizeof length;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                        nullptr) ||
        static_cast<LONG>(length) <= 0) {
        return kChunkWithoutLength;
    }
    return std::min(length + 1, kMaxChunk);
}

} // namespace

ByteSet ReadUrlBytes(const GbkText& url)
{
    UrlParts parts;
    if (!SplitUrl(url, parts)) {
        return {};
    }
    ScopedInternetHandle internet(
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!internet) {
        return {};
    }
    ScopedInternetHandle connection(InternetConnectA(internet.Get(), parts.host.c_str(), parts.port,
                                                     nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                                                     0));
    if (!connection) {
        return {};
    }
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    if (parts.secure) {
        flags |= INTERNET_FLAG_SECURE;
    }
    ScopedInternetHandle request(HttpOpenRequestA(connection.Get(), "GET",
                                                  parts.pathAndQuery.c_str(), "HTTP/1.0", nullptr,
                                                  nullptr, flags, 0));
    if (!request) {
        return {};
    }
    if (!HttpSendRequestA(request.Get(), kAcceptHeader,
                          static_cast<DWORD>(sizeof kAcceptHeader - 1), nullptr, 0)) {
        return {};
    }

    std::string chunk(ChunkSize(request.Get()), '\0');
    ByteSet body;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.Get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                              &read) ||
            read == 0) {
            break;
        }
        body.insert(body.end(), chunk.begin(), chunk.begin() + read);
    }
    return body;
}

} // namespace toolkit
