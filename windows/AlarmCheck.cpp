#include "windows/AlarmCheck.h"

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "weather/Globals.h"
#include "windows/AlarmRules.h"
#include "windows/Templates.h"

namespace windows {
namespace {

constexpr char kSection[] = "Info";
constexpr char kDetailKey[] = "To";
constexpr char kTitleKey[] = "To_A";

} // namespace

void CheckWeatherAlarmThread(void*)
{
    CheckWeatherAlarm();
}

void CheckWeatherAlarm()
{
    // The texts come from the answer as they stand. Remembered raw, a line break in one would
    // write lines of its own into the settings file, and what the file gives back would differ
    // from the current text, so the same alarm would be announced at every refresh.
    GbkText detail = RememberedAlarmText(weather::CurrentWeather.Get().AlarmDetail,
                                         framework::kConfigValueMaxBytes);
    if (detail.empty()) {
        return;
    }
    GbkText title = RememberedAlarmText(weather::AlarmTitle.Get(), framework::kConfigValueMaxBytes);
    // Read from the file each time rather than held in memory, so that an alarm announced in an
    // earlier run stays announced.
    GbkText path = weather::ConfigPath.Get();
    GbkText rememberedDetail = framework::ReadConfigValue(path, kSection, kDetailKey);
    GbkText rememberedTitle = framework::ReadConfigValue(path, kSection, kTitleKey);
    if (!IsNewAlarm(rememberedDetail, rememberedTitle, detail, title)) {
        return;
    }
    framework::WriteConfigValue(path, kSection, kDetailKey, detail);
    framework::WriteConfigValue(path, kSection, kTitleKey, title);
    // Loading an open notice would only bring it to the front, still showing the alarm before
    // this one: it goes, and the new one slides in with its own texts, colour and full rest.
    framework::CloseUnit(AlarmPopupWindow, alarmpopupunits::Window);
    framework::LoadWindow(AlarmPopupWindow, MainWindow, true);
}

} // namespace windows
