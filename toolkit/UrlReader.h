#pragma once
// The plain internet reader: one GET through WinINet, the whole body back as bytes.

#include <chrono>
#include <cstddef>

#include "toolkit/AnswerLimits.h"
#include "toolkit/Types.h"

namespace toolkit {

// The start waits for the geolocation before the main window opens; this long at most.
constexpr std::chrono::milliseconds kUrlReadDeadline{30000};

struct UrlReadBounds {
    std::size_t maxBytes = kMaxAnswerBytes;
    std::chrono::milliseconds deadline = kUrlReadDeadline; // for the whole read, from the call
};

// The body of an HTTP/1.0 GET of url (http or https), sent with only "Accept: */*" beside
// WinINet's own lines, never from or into the cache. The status is not looked at: an error
// page comes back like any body. Any failure gives the empty ByteSet, and so does a body larger
// than the bounds' size or one that is not complete by their deadline: the call returns by
// then, whatever the server does.
ByteSet ReadUrlBytes(const GbkText& url);
ByteSet ReadUrlBytes(const GbkText& url, const UrlReadBounds& bounds);

} // namespace toolkit
