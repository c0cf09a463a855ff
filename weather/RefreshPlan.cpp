#include "weather/RefreshPlan.h"

#include <cmath>
#include <limits>

namespace weather {
namespace {

constexpr char kOn[] = "1";

// A double outside the 64-bit range has no integer to truncate to.
int64_t ToInt64(double value)
{
    constexpr double kLowest = static_cast<double>(std::numeric_limits<int64_t>::min());
    // 2^63 itself does not fit; the largest double below it does.
    constexpr double kBeyondHighest = -kLowest;
    if (value <= kLowest) {
        return std::numeric_limits<int64_t>::min();
    }
    if (value >= kBeyondHighest) {
        return std::numeric_limits<int64_t>::max();
    }
    return static_cast<int64_t>(value);
}

} // namespace

int64_t DelayMultiplier(int64_t unit)
{
    switch (unit) {
    case kSeconds:
        return 1000;
    case kMinutes:
        return 60000;
    case kHours:
        return 3600000;
    default:
        return 1;
    }
}

int64_t DelayDueTime(int32_t amount, int64_t unit)
{
    return ToInt64(static_cast<double>(amount) * static_cast<double>(DelayMultiplier(unit)) *
                   -10000.0);
}

int64_t DelayMilliseconds(int32_t amount, int64_t unit)
{
    if (amount <= 0) {
        return 0;
    }
    return ToInt64(static_cast<double>(amount) * static_cast<double>(DelayMultiplier(unit)));
}

AfterFetchAction ChooseAfterFetchAction(const GbkText& showTrayIcon,
                                        const GbkText& checkUpdateAtStart,
                                        const GbkText& hideAtStart)
{
    if (showTrayIcon == kOn) {
        return AfterFetchAction::ShowAppTrayIcon;
    }
    if (checkUpdateAtStart == kOn) {
        return AfterFetchAction::CheckForUpdate;
    }
    if (hideAtStart == kOn) {
        return AfterFetchAction::HideMainWindow;
    }
    return AfterFetchAction::None;
}

} // namespace weather
