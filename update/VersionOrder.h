#pragma once
// The order in which version texts follow each other. Versions are compared as texts, never
// as numbers, so that any text written between the note's markers can be compared with the
// program's own version.

#include "toolkit/Types.h"

namespace update {

// True when candidate comes after current: byte by byte from the left as unsigned values, the
// first differing byte deciding, a text that ends first being the smaller. Each text ends at
// its first zero byte. So "1.0.10.0" does not come after "1.0.9.0", and any non-empty text
// comes after the empty one.
bool IsLaterVersion(const GbkText& candidate, const GbkText& current);

} // namespace update
