#pragma once
// The filter by which an answer is judged to carry content.

#include "toolkit/Types.h"

namespace toolkit {

// Only the GB2312 Chinese characters of text (first byte B0..F7, second A1..FE), in order.
// ASCII, full-width punctuation and symbols, and GBK extension characters are dropped; a lone
// last byte is never looked at. The empty text when there is none.
GbkText ExtractChineseChars(const GbkText& text);

} // namespace toolkit
