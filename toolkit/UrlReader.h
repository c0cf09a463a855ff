#pragma once
// The plain internet reader: one GET through WinINet, the whole body back as bytes.

#include "toolkit/Types.h"

namespace toolkit {

// The body of an HTTP/1.0 GET of url (http or https), sent with only "Accept: */*" beside
// WinINet's own lines, never from or into the cache. The status is not looked at: an error
// page comes back like any body. Any failure gives the empty ByteSet.
ByteSet ReadUrlBytes(const GbkText& url);

} // namespace toolkit
