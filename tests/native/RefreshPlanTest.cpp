// The length of a delay and the choice of the after-fetch action.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "weather/RefreshPlan.h"

using namespace weather;

namespace {

constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();

struct DelayCase {
    int32_t amount;
    int64_t unit;
    int64_t dueTime;
    int64_t milliseconds;
};

const DelayCase kDelays[] = {
    {100, kMilliseconds, -1000000, 100},
    {8, kSeconds, -80000000, 8000},
    {2, kMinutes, -1200000000, 120000},
    {1, kHours, -36000000000, 3600000},
    // A unit the caller made up waits milliseconds rather than something unforeseen.
    {5, 7, -50000, 5},
    {5, -1, -50000, 5},
    {0, kHours, 0, 0},
    // A positive due time is an absolute time long past: the timer fires at once.
    {-5, kMilliseconds, 50000, 0},
    // Beyond the range of the due time: held at its ends instead of wrapping round.
    {kMax32, kHours, kMin64, int64_t{kMax32} * 3600000},
    {kMin32, kHours, kMax64, 0},
    {kMax32, kMilliseconds, int64_t{kMax32} * -10000, kMax32},
};

TEST(Delay, DueTimeAndMillisecondsByUnit)
{
    for (const DelayCase& c : kDelays) {
        SCOPED_TRACE(testing::Message() << c.amount << " unit " << c.unit);
        EXPECT_EQ(DelayDueTime(c.amount, c.unit), c.dueTime);
        EXPECT_EQ(DelayMilliseconds(c.amount, c.unit), c.milliseconds);
    }
}

struct ActionCase {
    const char* showTrayIcon;
    const char* checkUpdate;
    const char* hide;
    AfterFetchAction action;
};

const ActionCase kActions[] = {
    // The icon wins over the update check, which wins over hiding.
    {"1", "1", "1", AfterFetchAction::ShowAppTrayIcon},
    {"0", "1", "1", AfterFetchAction::CheckForUpdate},
    {"0", "0", "1", AfterFetchAction::HideMainWindow},
    {"0", "0", "0", AfterFetchAction::None},
    // The empty settings of a first run are neither on nor off.
    {"", "", "", AfterFetchAction::None},
    {"", "1", "", AfterFetchAction::CheckForUpdate},
    // Only "1" itself is on.
    {"01", "1 ", "true", AfterFetchAction::None},
    {"2", "0", "1", AfterFetchAction::HideMainWindow},
};

TEST(AfterFetch, FirstActionTheSettingsAskFor)
{
    for (const ActionCase& c : kActions) {
        SCOPED_TRACE(testing::Message() << c.showTrayIcon << "/" << c.checkUpdate << "/" << c.hide);
        EXPECT_EQ(ChooseAfterFetchAction(c.showTrayIcon, c.checkUpdate, c.hide), c.action);
    }
}

} // namespace
