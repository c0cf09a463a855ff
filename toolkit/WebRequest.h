#pragma once
// One synchronous HTTP or HTTPS request: browser-like default headers, capitalised header
// names, an optional proxy with Basic credentials, a cookie text sent and merged back with the
// answer's cookies. It runs on WinHTTP's functions and ends within the span of its time-outs,
// or, when the caller lends a WinHttp.WinHttpRequest.5.1 object, on that object with the calls
// the object expects.
//
// Nothing is reported: a step that fails is passed over and what it would have delivered stays
// empty, so callers judge the request by an empty body. A call on a lent object brackets its
// work with its own COM initialisation; every call can run on any thread.

#include <oaidl.h>

#include <cstdint>
#include <optional>

#include "toolkit/Types.h"

namespace toolkit {

// Parameters 2 to 19 of a request; every one may be left out, and a given empty text, false
// or 0 acts differently from an absent one where noted. The pointers name the caller's
// variables (null: not given); every call writes each of them.
struct WebRequestOptions {
    std::optional<std::int32_t> methodIndex; // 0 GET ... 7 CONNECT; others count as GET
    std::optional<GbkText> postText;         // sent when postBytes is empty
    // In/out: sent as the Cookie header (also when empty), "Cookie:" taken out of it first;
    // when merging, afterwards the merged cookies. Null: no Cookie header, no merge.
    GbkText* requestCookies = nullptr;
    GbkText* returnedCookies = nullptr; // out: the answer's cookies, or the merged text
    // Header lines "Name: value" joined by CR LF. The shared variant rewrites the caller's
    // text to the completed and normalised one; the application variant leaves it alone.
    GbkText* extraHeaders = nullptr;
    GbkText* responseHeaders = nullptr; // out: the answer's whole header text
    std::int32_t* statusCode = nullptr; // out: the answer's status, 0 when there is none
    std::optional<bool> noRedirect;     // true: a redirect answer is returned, not followed
    std::optional<ByteSet> postBytes;   // sent instead of postText when not empty
    std::optional<GbkText> proxyAddress;
    // -1: WinHTTP's (or the lent object's) own time-outs; below 1 (or absent): 15 s; else that many
    // seconds, for each of resolve, connect, send and receive.
    std::optional<std::int32_t> timeoutSeconds;
    std::optional<GbkText> proxyUser;
    std::optional<GbkText> proxyPassword;
    std::optional<std::int32_t> proxyAuthMode; // 1 (default): Basic Proxy-Authorization
    // A request object of the caller's to run on; this call takes and drops its own reference.
    IDispatch* requestObject = nullptr;
    std::optional<bool> mergeCookies;      // default true
    std::optional<bool> addDefaultHeaders; // default true
    std::optional<bool> normaliseHeaders;  // default true
    // true: the server's certificate is checked in full and an https address is followed over
    // https only (a redirect to plain http fails the request), as for any request whose answer
    // decides what is run. Absent or false: the four usual certificate errors are ignored.
    std::optional<bool> verifyCertificate;
};

// The application variant (the weather refresh, the custom-location test). Returns the answer
// body exactly as it arrived; empty when the request failed.
ByteSet WebRequest(const GbkText& requestUrl, const WebRequestOptions& options = {});

// The variant both programs share (the share note, the download-link resolution): the same
// request, but extraHeaders is rewritten in place, no SetCredentials call is made and the
// proxy credentials are encoded by the platform.
ByteSet SharedWebRequest(const GbkText& requestUrl, const WebRequestOptions& options = {});

} // namespace toolkit
