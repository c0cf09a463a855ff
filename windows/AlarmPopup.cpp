#include "windows/AlarmPopup.h"

#include <windows.h>

#include <functional>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "weather/Globals.h"
#include "weather/Refresh.h"
#include "weather/RefreshPlan.h"
#include "windows/AlarmRules.h"
#include "windows/Handlers.h"
#include "windows/SkinProperties.h"
#include "windows/Templates.h"

namespace windows {
namespace {

using framework::EventResult;
using framework::UnitEvent;
namespace units = alarmpopupunits;

using namespace skinprop;

constexpr int kSpaceBelow = 40;
constexpr int kExtraSlide = 10;
constexpr int32_t kRestSeconds = 8;

int WindowValue(framework::PropertyIndex index)
{
    return framework::GetUnitProperty(AlarmPopupWindow, units::Window, index).AsInt();
}

// Whether the notice that a slide was started for is still open. A notice closed by its button,
// or replaced by a newer alarm's, can be followed by the next one under the same window id
// before the old slide has noticed; that one has its own slide.
bool StillOpen(HWND notice)
{
    return notice != nullptr && framework::WindowHandle(AlarmPopupWindow) == notice;
}

// Runs `act` on the notice the slide was started for, if it is still open; the look and the act
// run together on the interface thread, so that they never reach a newer notice. False once the
// notice is gone or `act` fails.
bool OnOwnNotice(HWND notice, const std::function<bool()>& act)
{
    bool done = false;
    framework::RunOnInterfaceThread([&] { done = StillOpen(notice) && act(); });
    return done;
}

// Moves the notice by `step` pixels (width + 10) times; false once the notice is gone.
bool Slide(HWND notice, int step)
{
    int steps = WindowValue(kWidth) + kExtraSlide;
    for (int i = 0; i < steps; ++i) {
        bool moved = OnOwnNotice(notice, [step] {
            int left = WindowValue(kLeft) + step;
            return framework::SetUnitProperty(AlarmPopupWindow, units::Window, kLeft, left);
        });
        if (!moved) {
            return false;
        }
    }
    return true;
}

} // namespace

void FillAlarmPopup()
{
    framework::SetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, kCaption,
                               weather::AlarmTitle.Get());
    framework::SetUnitProperty(AlarmPopupWindow, units::AlarmTextLabel, kCaption,
                               weather::CurrentWeather.Get().AlarmDetail);
    GbkText shown =
        framework::GetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, kCaption).AsText();
    if (auto colour = AlarmTitleColour(shown)) {
        framework::SetUnitProperty(AlarmPopupWindow, units::AlarmTitleLabel, kTextColour, *colour);
    }
}

void SlideAlarmPopupThread(void* notice)
{
    SlideAlarmPopup(static_cast<HWND>(notice));
}

void SlideAlarmPopup(HWND notice)
{
    if (!Slide(notice, -1)) {
        return;
    }
    framework::PlaySoundFile(kAlarmSoundFile);
    weather::DelayWithMessages(kRestSeconds, weather::kSeconds);
    if (!Slide(notice, 1)) {
        return;
    }
    OnOwnNotice(notice, [] { return framework::CloseUnit(AlarmPopupWindow, units::Window); });
}

EventResult OnAlarmPopupCreated(const UnitEvent&)
{
    FillAlarmPopup();
    // Placed just beyond the right edge of the screen, from where it slides in.
    framework::SetUnitProperty(AlarmPopupWindow, units::Window, kLeft, framework::ScreenWidth());
    framework::SetUnitProperty(AlarmPopupWindow, units::Window, kTop,
                               framework::ScreenHeight() - WindowValue(kHeight) - kSpaceBelow);
    // The thread is told which notice is its own now: looked up by window id when it starts,
    // it would find a newer notice that replaced this one before it ran, and slide that one
    // beside its own thread, twice as far.
    framework::StartThread(SlideAlarmPopupThread, framework::WindowHandle(AlarmPopupWindow));
    return std::nullopt;
}

EventResult OnAlarmPopupTextClick(const UnitEvent&)
{
    framework::ShowMessage(weather::CurrentWeather.Get().AlarmDetail, 0, weather::AlarmTitle.Get());
    return std::nullopt;
}

EventResult OnAlarmPopupCloseClick(const UnitEvent&)
{
    framework::CloseUnit(AlarmPopupWindow, units::Window);
    return std::nullopt;
}

} // namespace windows
