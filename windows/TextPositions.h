#pragma once
// Byte-wise searches with 1-based positions, and the removal of marked stretches that the
// alarm texts need (escaped line breaks of the weather answer). Unlike the marker cutting of
// toolkit/TextBetween.h these searches are not aligned to two-byte characters. Texts end at
// their first zero byte.

#include <cstdint>
#include <vector>

#include "toolkit/Types.h"

namespace windows {

// The 1-based position of the first needle at or after byte startPos (1-based; below 1
// counts as 1) of text, or -1. -1 when text is empty or startPos lies past its end. An empty
// needle is found at startPos.
int32_t StrStrPos(const GbkText& text, const GbkText& needle, int32_t startPos);

// StrStrPos, but -1 when either text is empty; with ignoreCase true both texts are compared
// with their ASCII letters lower-cased.
int32_t FindTextNoCase(const GbkText& text, const GbkText& needle, int32_t startPos = 1,
                       bool ignoreCase = false);

// Empties positions, then fills it with the 1-based positions of the non-overlapping
// occurrences of needle in text, left to right, ignoring ASCII letter case. An empty needle
// gives no positions.
void FindAllPositions(const GbkText& text, const GbkText& needle, std::vector<int32_t>& positions);

// A copy of text in which every stretch that starts at a leftMarker and ends at the next
// rightMarker after it is removed, markers included (keepMarkers false), or only the bytes
// between the two markers (keepMarkers true). The left marker is found ignoring ASCII letter
// case, the right one exactly. A left marker without a right marker behind it stays. An empty
// right marker leaves the text unchanged.
GbkText ReplaceAtPositions(const GbkText& text, const GbkText& leftMarker,
                           const GbkText& rightMarker, bool keepMarkers = false);

} // namespace windows
