#pragma once
// What the settings window shows for a stored setting and what it stores for a choice, worked
// out without a window.

#include <cstdint>
#include <optional>

#include "toolkit/Types.h"

namespace windows {

// The refresh interval (milliseconds as text) to store: "0" when automatic refresh is not
// ticked, else the interval of the combo selection, the first item (one hour) when nothing is
// selected; none for a selection that no item has.
std::optional<GbkText> IntervalToStore(bool autoRefreshTicked, int32_t selection);

// The combo selection that shows a stored interval: -1 (nothing) for "0", 0-3 for the four
// intervals; none for any other value, which leaves the combo box as it is.
std::optional<int32_t> SelectionForInterval(const GbkText& interval);

// The text without its ASCII spaces and full-width spaces (A1 A1). Steps by character, so the
// trail byte of one character and the lead byte of the next are never taken for a space.
GbkText RemoveSpaces(const GbkText& text);

// The city as the settings keep it for a custom location: with 市 appended unless it holds one.
GbkText CityToStore(const GbkText& city);

} // namespace windows
