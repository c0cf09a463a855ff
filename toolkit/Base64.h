#pragma once
// Standard base64 (the RFC 4648 alphabet, "=" padding, one line without CR or LF).

#include "toolkit/Types.h"

namespace toolkit {

// Our own encoder, used by the weather application's request client. Empty bytes give the
// empty text.
GbkText Base64Encode(const ByteSet& bytes);

// The same text through CryptBinaryToStringA, used by the request client that both programs
// share. The empty text when the platform cannot tell the size. Windows only.
GbkText PlatformBase64Encode(const ByteSet& bytes);

} // namespace toolkit
