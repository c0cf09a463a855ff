#pragma once
// The decisions of a refresh that need no window: how long a delay lasts and which one of the
// after-fetch actions the settings ask for.

#include <cstdint>

#include "toolkit/Types.h"

namespace weather {

// Units of DelayWithMessages.
enum DelayUnit : int64_t {
    kMilliseconds = 0,
    kSeconds = 1,
    kMinutes = 2,
    kHours = 3,
};

// Milliseconds in one step of the unit; a unit outside the four counts as milliseconds.
int64_t DelayMultiplier(int64_t unit);

// The due time of a waitable timer for the delay: relative, in 100-nanosecond steps, so
// negative for a positive amount. Held within the 64-bit range for amounts too large for it.
int64_t DelayDueTime(int32_t amount, int64_t unit);

// The same delay in whole milliseconds for a plain wait: 0 for an amount of 0 or less, held
// within the 64-bit range.
int64_t DelayMilliseconds(int32_t amount, int64_t unit);

// The one action after a fetch, the first that the settings ask for.
enum class AfterFetchAction {
    None,
    ShowAppTrayIcon,
    CheckForUpdate,
    HideMainWindow,
};

// Switches count as on only when they are exactly "1".
AfterFetchAction ChooseAfterFetchAction(const GbkText& showTrayIcon,
                                        const GbkText& checkUpdateAtStart,
                                        const GbkText& hideAtStart);

} // namespace weather
