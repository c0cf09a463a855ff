#pragma once
// Steers the local service fixture (tests/fixtures/service.py) that tools/wine-run.sh starts
// beside every Windows test: canned answers in, recorded requests out.

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct FixtureRoute {
    std::string method; // empty: any method
    std::string path;   // matched against the path without the query
    std::string target; // when set: the whole target, query included
    int status = 200;
    std::vector<std::string> headers; // whole header lines, sent as given
    std::string body;
    int delayMs = 0;       // before the answer
    int chunkDelayMs = 0;  // between pieces of 64 body bytes
    bool drop = false;     // close the connection without answering
    bool noLength = false; // no Content-Length: the body ends with the connection
    int cutAfter = -1;     // 0 or more: the whole length announced, only so many bytes sent
    bool once = false;     // the route answers one request, then is gone
    int repeat = 1;        // the body is `body` so many times over (large bodies, small control)
    bool endless = false;  // no Content-Length, `body` again and again until the client leaves
    int pauseMs = 0;       // between the copies of `repeat` and `endless`
};

// The most common route: this body with this status and these header lines at the path.
inline FixtureRoute Answer(const std::string& path, const std::string& body, int status = 200,
                           std::vector<std::string> headers = {})
{
    FixtureRoute route;
    route.path = path;
    route.body = body;
    route.status = status;
    route.headers = std::move(headers);
    return route;
}

struct RecordedRequest {
    std::string scheme; // "http" or "https"
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::string> headerLines; // exactly as received, in order
    std::string body;

    // The value of the first header line with this name (ASCII case ignored), trimmed; empty
    // when there is none. HasHeader tells an empty value from a missing line.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

class Fixture {
public:
    static int HttpPort();
    static int HttpsPort();
    static std::string HttpBase();  // "http://127.0.0.1:PORT"
    static std::string HttpsBase(); // "https://localhost:PORT"
    // The same routes over HTTPS with a certificate that the prefix does not trust.
    static int UntrustedHttpsPort();
    static std::string UntrustedHttpsBase(); // "https://localhost:PORT"

    // Each returns false when the fixture could not be reached.
    static bool Reset();
    static bool AddRoute(const FixtureRoute& route);
    static std::vector<RecordedRequest> Requests();
};

// Hex form of bytes, as the fixture's control texts carry bodies.
std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex);

} // namespace testsupport
