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
    GbkText detail = weather::CurrentWeather.Get().AlarmDetail;
    if (detail.empty()) {
        return;
    }
    GbkText title = weather::AlarmTitle.Get();
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
