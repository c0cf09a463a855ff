#include "tests/support/FixtureClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>

namespace testsupport {
namespace {

int PortFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

// One control exchange over a plain socket: the client under test (WinHttp, WinINet) must not
// also carry the test's own traffic.
bool Exchange(const std::string& method, const std::string& what, const std::string& body,
              std::string& answer)
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started || Fixture::HttpPort() == 0) {
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(Fixture::HttpPort()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return false;
    }
    std::string request = method + " /__fixture/" + what +
                          " HTTP/1.0\r\nContent-Length: " + std::to_string(body.size()) +
                          "\r\n\r\n" + body;
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string reply;
    char buffer[4096];
    for (;;) {
        int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        reply.append(buffer, static_cast<size_t>(n));
    }
    closesocket(s);
    size_t end = reply.find("\r\n\r\n");
    if (reply.compare(0, 12, "HTTP/1.1 200") != 0 || end == std::string::npos) {
        return false;
    }
    answer = reply.substr(end + 4);
    return true;
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

std::string ToHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

bool RecordedRequest::HasHeader(const std::string& name) const
{
    for (const std::string& line : headerLines) {
        size_t colon = line.find(':');
        if (colon != std::string::npos && Lower(line.substr(0, colon)) == Lower(name)) {
            return true;
        }
    }
    return false;
}

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const std::string& line : headerLines) {
        size_t colon = line.find(':');
        if (colon != std::string::npos && Lower(line.substr(0, colon)) == Lower(name)) {
            size_t begin = line.find_first_not_of(' ', colon + 1);
            return begin == std::string::npos ? std::string() : line.substr(begin);
        }
    }
    return {};
}

int Fixture::HttpPort()
{
    return PortFromEnvironment("SKYVANE_FIXTURE_HTTP_PORT");
}
int Fixture::HttpsPort()
{
    return PortFromEnvironment("SKYVANE_FIXTURE_HTTPS_PORT");
}
int Fixture::UntrustedHttpsPort()
{
    return PortFromEnvironment("SKYVANE_FIXTURE_UNTRUSTED_PORT");
}
std::string Fixture::HttpBase()
{
    return "http://127.0.0.1:" + std::to_string(HttpPort());
}
std::string Fixture::HttpsBase()
{
    return "https://localhost:" + std::to_string(HttpsPort());
}
std::string Fixture::UntrustedHttpsBase()
{
    return "https://localhost:" + std::to_string(UntrustedHttpsPort());
}

bool Fixture::Reset()
{
    std::string answer;
    return Exchange("POST", "reset", "", answer);
}

bool Fixture::AddRoute(const FixtureRoute& route)
{
    std::ostringstream text;
    if (!route.method.empty())
        text << "METHOD " << route.method << "\n";
    if (!route.path.empty())
        text << "PATH " << route.path << "\n";
    if (!route.target.empty())
        text << "TARGET " << route.target << "\n";
    text << "STATUS " << route.status << "\n";
    for (const std::string& h : route.headers)
        text << "HEADER " << h << "\n";
    text << "BODY " << ToHex(route.body) << "\n";
    if (route.delayMs)
        text << "DELAY " << route.delayMs << "\n";
    if (route.chunkDelayMs)
        text << "CHUNKDELAY " << route.chunkDelayMs << "\n";
    if (route.drop)
        text << "DROP 1\n";
    if (route.noLength)
        text << "NOLENGTH 1\n";
    if (route.cutAfter >= 0)
        text << "CUTAFTER " << route.cutAfter << "\n";
    if (route.once)
        text << "ONCE 1\n";
    if (route.repeat != 1)
        text << "REPEAT " << route.repeat << "\n";
    if (route.endless)
        text << "ENDLESS 1\n";
    if (route.pauseMs)
        text << "PAUSE " << route.pauseMs << "\n";
    std::string answer;
    return Exchange("POST", "route", text.str(), answer);
}

std::vector<RecordedRequest> Fixture::Requests()
{
    std::vector<RecordedRequest> requests;
    std::string answer;
    if (!Exchange("GET", "requests", "", answer)) {
        return requests;
    }
    std::istringstream in(answer);
    std::string line;
    while (std::getline(in, line)) {
        std::string key = line.substr(0, line.find(' '));
        std::string value = line.size() > key.size() ? line.substr(key.size() + 1) : "";
        if (key == "REQUEST")
            requests.emplace_back();
        else if (requests.empty())
            continue;
        else if (key == "SCHEME")
            requests.back().scheme = value;
        else if (key == "METHOD")
            requests.back().method = value;
        else if (key == "TARGET")
            requests.back().target = value;
        else if (key == "VERSION")
            requests.back().version = value;
        else if (key == "HEADER")
            requests.back().headerLines.push_back(value);
        else if (key == "BODY")
            requests.back().body = FromHex(value);
    }
    return requests;
}

} // namespace testsupport
