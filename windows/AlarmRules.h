#pragma once
// When a weather alarm counts as new, and the colour its title is shown in. Shared by the
// alarm notice and the alarm detail window.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "toolkit/Types.h"

namespace windows {

// Whether the current alarm (detail, title) is to be remembered and announced, given the
// remembered one. Never for an empty detail. Always when nothing is remembered (both empty).
// Otherwise only when both the detail and the title differ from the remembered ones, so that a
// reworded detail under the same title, or a new title for the same detail, stays quiet.
bool IsNewAlarm(const GbkText& rememberedDetail, const GbkText& rememberedTitle,
                const GbkText& detail, const GbkText& title);

// The form of an alarm text (detail or title) that is remembered in the settings file and
// compared with the remembered one: a text that the file gives back byte for byte, however the
// answer wrote it. Each control byte (below 0x20, and 0x7F) becomes a space, a byte that begins
// no whole code page 936 character becomes "?", the text is cut to at most maxBytes without
// splitting a character, and what the file's reader would drop from its ends goes: spaces and
// a pair of enclosing quotes. Empty when nothing else is left.
GbkText RememberedAlarmText(const GbkText& text, size_t maxBytes);

// The ARGB text colour of the first of 黄色, 橙色, 红色, 蓝色 (tested in that order, not by
// their place in the title) that the title holds; none when it holds none of them.
std::optional<int32_t> AlarmTitleColour(const GbkText& title);

} // namespace windows
