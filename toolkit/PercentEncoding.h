#pragma once
// Percent-encoding of request parameters.

#include <cstddef>
#include <cstdint>

#include "toolkit/Types.h"

namespace toolkit {

// Every byte as "%XX" with upper-case hexadecimal digits, except: a zero byte writes nothing,
// a space becomes "+", and with keepUnreserved the letters, digits and - . _ ' ( ) * stay as
// they are. The tilde and the exclamation mark are always encoded. No bytes: the empty text.
GbkText PercentEncodeBytes(const ByteSet& bytes, bool keepUnreserved);

// Stores value at offset; an offset outside the buffer stores nothing.
void PutByteAt(ByteSet& buffer, size_t offset, uint8_t value);

} // namespace toolkit
