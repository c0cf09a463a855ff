// The alarm detail window, the three advice windows and the about window: each fills itself
// once when created, from the weather record and the globals the main window fill keeps, and
// closes through its "×" button.

#include "framework/Framework.h"
#include "framework/WindowServices.h"
#include "weather/Globals.h"
#include "windows/AlarmRules.h"
#include "windows/Handlers.h"
#include "windows/MainWindowText.h"
#include "windows/SkinProperties.h"
#include "windows/Templates.h"
#include "windows/TextPositions.h"

namespace windows {
namespace {

using framework::EventResult;
using framework::UnitEvent;
using framework::UnitId;
using framework::WindowId;

using namespace skinprop;

// Every one of these windows has its own unit as unit 1.
constexpr UnitId kOwnUnit = 1;

constexpr char kRemarkOpen[] = "\xA3\xA8";  // （
constexpr char kRemarkClose[] = "\xA3\xA9"; // ）

void SetBackground(WindowId window, UnitId skin)
{
    framework::SetUnitProperty(window, skin, kBackgroundImage, weather::WeatherImage.Get());
}

GbkText Caption(WindowId window, UnitId label)
{
    return framework::GetUnitProperty(window, label, kCaption).AsText();
}

void SetCaption(WindowId window, UnitId label, const GbkText& text)
{
    framework::SetUnitProperty(window, label, kCaption, text);
}

void FillAdviceWindow(WindowId window, UnitId skin, UnitId infoLabel, const GbkText& info,
                      UnitId detailLabel, const GbkText& detail)
{
    SetBackground(window, skin);
    SetCaption(window, infoLabel, info);
    SetCaption(window, detailLabel, detail);
}

EventResult CloseOwnWindow(WindowId window)
{
    framework::CloseUnit(window, kOwnUnit);
    return std::nullopt;
}

} // namespace

EventResult OnAlarmDetailCreated(const UnitEvent&)
{
    namespace units = alarmdetailunits;
    SetBackground(AlarmDetailWindow, units::WindowSkin);
    SetCaption(AlarmDetailWindow, units::AlarmTextLabel, weather::CurrentWeather.Get().AlarmDetail);
    SetCaption(AlarmDetailWindow, units::AlarmTypeLabel, weather::AlarmTitle.Get());
    // The remarks in full-width parentheses go, and so do the escaped line breaks the answer
    // carries as a backslash and an "n".
    SetCaption(AlarmDetailWindow, units::AlarmTextLabel,
               ReplaceAtPositions(Caption(AlarmDetailWindow, units::AlarmTextLabel), kRemarkOpen,
                                  kRemarkClose));
    SetCaption(AlarmDetailWindow, units::AlarmTextLabel,
               RemoveEscapedLineBreaks(Caption(AlarmDetailWindow, units::AlarmTextLabel)));
    if (auto colour = AlarmTitleColour(Caption(AlarmDetailWindow, units::AlarmTypeLabel))) {
        framework::SetUnitProperty(AlarmDetailWindow, units::AlarmTypeLabel, kTextColour, *colour);
    }
    return std::nullopt;
}

EventResult OnAlarmDetailTextClick(const UnitEvent&)
{
    framework::ShowMessage(Caption(AlarmDetailWindow, alarmdetailunits::AlarmTextLabel), 0,
                           GbkText(), AlarmDetailWindow);
    return std::nullopt;
}

EventResult OnAlarmDetailCloseClick(const UnitEvent&)
{
    return CloseOwnWindow(AlarmDetailWindow);
}

EventResult OnAirconWindowCreated(const UnitEvent&)
{
    namespace units = airconunits;
    FillAdviceWindow(AirconAdviceWindow, units::WindowSkin, units::InfoLabel,
                     weather::CurrentWeather.Get().AirconInfo, units::DetailLabel,
                     weather::AirconExtra.Get());
    return std::nullopt;
}

EventResult OnAirconWindowCloseClick(const UnitEvent&)
{
    return CloseOwnWindow(AirconAdviceWindow);
}

EventResult OnClothesWindowCreated(const UnitEvent&)
{
    namespace units = clothesunits;
    FillAdviceWindow(ClothesAdviceWindow, units::WindowSkin, units::InfoLabel,
                     weather::CurrentWeather.Get().ClothesInfo, units::DetailLabel,
                     weather::ClothesExtra.Get());
    return std::nullopt;
}

EventResult OnClothesWindowCloseClick(const UnitEvent&)
{
    return CloseOwnWindow(ClothesAdviceWindow);
}

EventResult OnUmbrellaWindowCreated(const UnitEvent&)
{
    namespace units = umbrellaunits;
    weather::WeatherRecord record = weather::CurrentWeather.Get();
    FillAdviceWindow(UmbrellaAdviceWindow, units::WindowSkin, units::InfoLabel, record.UmbrellaInfo,
                     units::DetailLabel, record.UmbrellaDetail);
    return std::nullopt;
}

EventResult OnUmbrellaWindowCloseClick(const UnitEvent&)
{
    return CloseOwnWindow(UmbrellaAdviceWindow);
}

EventResult OnAboutWindowCreated(const UnitEvent&)
{
    SetBackground(AboutWindow, aboutunits::WindowSkin);
    return std::nullopt;
}

EventResult OnAboutWindowCloseClick(const UnitEvent&)
{
    return CloseOwnWindow(AboutWindow);
}

} // namespace windows
