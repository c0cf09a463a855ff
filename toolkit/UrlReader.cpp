#include "toolkit/UrlReader.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "toolkit/ScopedWin.h"

namespace toolkit {

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kAcceptHeader[] = "Accept: */*";
constexpr DWORD kMaxChunk = 102400;
constexpr DWORD kChunkWithoutLength = 10240;

using Clock = std::chrono::steady_clock;

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

// The time left until the deadline as a WinINet time-out: at least 1 ms, since 0 would mean
// no time-out at all.
DWORD MillisecondsUntil(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 1, 0x7FFFFFFF));
}

void SetTimeouts(HINTERNET handle, Clock::time_point deadline)
{
    DWORD wait = MillisecondsUntil(deadline);
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &wait, sizeof wait);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &wait, sizeof wait);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
}

// Appends without letting the body's storage grow past maxBytes, so that a body near the limit
// does not cost twice the limit.
void AppendWithin(ByteSet& body, const char* bytes, std::size_t count, std::size_t maxBytes)
{
    const std::size_t needed = body.size() + count;
    if (needed > body.capacity()) {
        body.reserve(std::min(std::max(needed, body.capacity() * 2), maxBytes));
    }
    body.insert(body.end(), bytes, bytes + count);
}

ByteSet ReadBody(const GbkText& url, std::size_t maxBytes, Clock::time_point deadline)
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
    // Handles made from this one inherit the time-outs: no single wait outlasts the deadline.
    SetTimeouts(internet.Get(), deadline);
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
    DWORD length = 0;
    DWORD size = sizeof length;
    if (HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length,
                       &size, nullptr) &&
        length > maxBytes) {
        return {};
    }

    std::string chunk(ChunkSize(request.Get()), '\0');
    ByteSet body;
    for (;;) {
        // A body that comes a byte at a time never waits out a receive time-out.
        if (Clock::now() >= deadline) {
            return {};
        }
        SetTimeouts(request.Get(), deadline);
        DWORD read = 0;
        if (!InternetReadFile(request.Get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                              &read) ||
            read == 0) {
            break;
        }
        if (read > maxBytes - body.size()) {
            return {};
        }
        AppendWithin(body, chunk.data(), read, maxBytes);
    }
    return body;
}

// One read, shared by the caller and the thread that reads: a caller whose deadline passed
// leaves the read to finish on its own, which its time-outs bound.
struct ReadJob {
    GbkText url;
    std::size_t maxBytes = 0;
    Clock::time_point deadline;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    ByteSet body;
};

DWORD WINAPI ReadThread(void* parameter)
{
    std::unique_ptr<std::shared_ptr<ReadJob>> owner(
        static_cast<std::shared_ptr<ReadJob>*>(parameter));
    ReadJob& job = **owner;
    ByteSet body = ReadBody(job.url, job.maxBytes, job.deadline);
    std::lock_guard<std::mutex> hold(job.lock);
    job.body = std::move(body);
    job.done = true;
    job.finished.notify_all();
    return 0;
}

} // namespace

ByteSet ReadUrlBytes(const GbkText& url)
{
    return ReadUrlBytes(url, UrlReadBounds());
}

// WinINet gives no way to bound a whole request: the server can hold a synchronous call as long
// as it sends a byte now and then, in the headers as well as the body. So the read runs on a
// thread of its own, and the caller waits for it only until the deadline.
ByteSet ReadUrlBytes(const GbkText& url, const UrlReadBounds& bounds)
{
    auto job = std::make_shared<ReadJob>();
    job->url = url;
    job->maxBytes = bounds.maxBytes;
    job->deadline = Clock::now() + bounds.deadline;
    auto* handedOver = new std::shared_ptr<ReadJob>(job);
    ScopedHandle thread(CreateThread(nullptr, 0, ReadThread, handedOver, 0, nullptr));
    if (!thread) {
        delete handedOver;
        return {};
    }
    std::unique_lock<std::mutex> hold(job->lock);
    if (!job->finished.wait_until(hold, job->deadline, [&job] { return job->done; })) {
        return {};
    }
    return std::move(job->body);
}

} // namespace toolkit
