#pragma once
// Cutting texts out of service answers by the markers around them, and splitting delimited
// texts into lists.
//
// Every search steps from one character to the next: a byte of 0x80 or above starts a two-byte
// character, so a marker never matches at the second byte of one. Positions are 1-based byte
// positions. Texts end at their first zero byte.
//
// In a marker the five bytes "#引号" (code page 936: 23 D2 FD BA C5) stand for one double quote,
// so that markers holding quotes can be written without escaping; the source is never changed.
//
// Chinese literals in this project's code are written as code page 936 byte escapes
// ("\xD6\xD0" for 中), since GbkText holds code page 936 bytes while the source files are UTF-8.

#include <cstdint>

#include "toolkit/Types.h"

namespace toolkit {

// The text between the first leftMarker at or after startPos (below 1 counts as 1) and the
// first rightMarker behind it. The empty text when either marker is missing. An empty marker
// is found at position 1 as long as a byte lies at or after the start.
GbkText TextBetween(const GbkText& source, const GbkText& leftMarker, const GbkText& rightMarker,
                    int32_t startPos = 1, bool ignoreCase = false);

// TextBetween whose searches ignore the case of A-Z unless caseSensitive is true.
GbkText TextBetweenAnyCase(const GbkText& source, const GbkText& leftMarker,
                           const GbkText& rightMarker, int32_t startPos = 1,
                           bool caseSensitive = false);

// The text between the last rightMarker and the nearest leftMarker before it. With
// offsetFromEnd above 0 only the first (length - offsetFromEnd - 1) bytes are searched for the
// right marker. The empty text when either marker is missing; never the text from the start.
GbkText TextBetweenFromEnd(const GbkText& source, const GbkText& rightMarker,
                           const GbkText& leftMarker, int32_t offsetFromEnd = 0,
                           bool ignoreCase = false);

// Empties list, then fills it with the non-empty pieces of text between occurrences of
// delimiter (an empty delimiter means ","). maxCount above 0 stops the cutting once that many
// pieces (empty ones included) exist and drops the rest; a negative maxCount gives no pieces.
// Returns the number of entries in list.
int32_t SplitText(const GbkText& text, TextArray& list, const GbkText& delimiter = ",",
                  int32_t maxCount = 0);

} // namespace toolkit
