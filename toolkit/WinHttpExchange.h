#pragma once
// One synchronous request on WinHTTP's own functions, bounded as a whole: it ends within the
// span of its four time-outs and never holds more of a body than the programs accept, whatever
// the server sends (a trickle, a body without end, a stall).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/AnswerLimits.h"
#include "toolkit/HeaderLines.h"
#include "toolkit/Types.h"

namespace toolkit {

struct WinHttpCredentials {
    GbkText user;
    GbkText password;
    bool forProxy = true; // false: for the server
};

struct WinHttpExchangeRequest {
    GbkText verb;
    GbkText url; // absolute http or https address
    // The resolve, connect, send and receive time-out in milliseconds; none: WinHTTP's own.
    std::optional<std::int32_t> timeoutMs;
    GbkText proxyAddress; // empty: the machine's proxy setting
    std::optional<WinHttpCredentials> credentials;
    bool noRedirect = false;
    // true: full certificate checks, and no redirect from https to plain http. false: the four
    // usual certificate errors are ignored.
    bool verifyCertificate = false;
    std::vector<HeaderPair> headers; // added one by one, in this order
    ByteSet body;
    std::size_t maxBytes = kMaxAnswerBytes;
};

struct WinHttpExchangeAnswer {
    // The status and header text are those of the answer that arrived; 0 and empty when none
    // did. The body is empty when the request failed at any point, also after the headers.
    std::int32_t status = 0;
    GbkText headers; // the raw header lines joined by CR LF, without the status line
    ByteSet body;
};

// The time the exchange may take at most: the sum of its time-outs, WinHTTP's own defaults
// counted as 60 s to connect and 30 s each to send and receive when none are given.
std::int64_t ExchangeDeadlineMs(const std::optional<std::int32_t>& timeoutMs);

// Carries the request out; never waits past ExchangeDeadlineMs from the call.
WinHttpExchangeAnswer ExchangeOverWinHttp(const WinHttpExchangeRequest& request);

} // namespace toolkit
