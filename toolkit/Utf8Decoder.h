#pragma once
// The reader of UTF-8 answers: lenient about what it accepts, but it stops at the first place
// that is not UTF-8 at all and keeps what came before, so a damaged answer still yields its
// readable start.

#include <string>

#include "toolkit/Types.h"

namespace toolkit {

// UTF-16 units of the bytes up to the first malformed place: a continuation byte where a lead
// byte is due, a lead byte FE or FF, or a sequence cut short by another byte or by the end.
// Lead bytes C0..FD start sequences of 2 to 6 bytes; code points above FFFF become surrogate
// pairs, and those beyond the UTF-16 range become U+FFFD.
std::u16string DecodeUtf8(const ByteSet& bytes);

} // namespace toolkit
