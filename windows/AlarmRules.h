#pragma once
// When a weather alarm counts as new, and the colour its title is shown in. Shared by the
// alarm notice and the alarm detail window.

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

// The ARGB text colour of the first of 黄色, 橙色, 红色, 蓝色 (tested in that order, not by
// their place in the title) that the title holds; none when it holds none of them.
std::optional<int32_t> AlarmTitleColour(const GbkText& title);

} // namespace windows
