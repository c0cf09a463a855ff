#pragma once
// Byte-wise searches that ignore the case of ASCII letters only; double-byte characters are
// compared as they stand.

#include <cstddef>

#include "toolkit/Types.h"

namespace toolkit {

// Position of the first `what` in `text` at or after `from`; npos when there is none or when
// `what` is empty.
std::size_t FindNoCase(const GbkText& text, const GbkText& what, std::size_t from = 0);

bool ContainsNoCase(const GbkText& text, const GbkText& what);

bool EqualsNoCase(const GbkText& a, const GbkText& b);

bool StartsWithNoCase(const GbkText& text, const GbkText& start);

// `text` with every occurrence of `what` removed, left to right.
GbkText RemoveAllNoCase(const GbkText& text, const GbkText& what);

} // namespace toolkit
