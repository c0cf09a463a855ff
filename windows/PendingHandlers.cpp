// Handlers not written yet: each does nothing, so that every template links. A handler leaves
// this file when its real body is written.

#include "windows/Handlers.h"

namespace windows {

using framework::EventResult;
using framework::UnitEvent;

EventResult OnMainFirstActivate(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainQueryClose(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainDestroy(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainTrayEvent(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMinimiseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAutoRefreshTimer(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnClothesPictureClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnUmbrellaPictureClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAirconPictureClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMenuButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnCloseButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainMenuSettings(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnMainMenuAbout(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnTrayMenuOpenMain(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnTrayMenuQuit(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmDetailCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmDetailCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmDetailTextClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAboutWindowCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAboutWindowCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnSettingsCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnRestoreDefaultsClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnCustomLocationClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnIntervalComboChanged(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnCheckUpdateClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnWeatherPictureDoubleClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnCheckUpdateAtStartCheck(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnTrayFollowsWeatherCheck(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnShowTrayIconCheck(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnPushAlarmCheck(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnHideAtStartCheck(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnRunAtStartupCheck(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnSettingsCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAirconWindowCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAirconWindowCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnClothesWindowCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnClothesWindowCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnUmbrellaWindowCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnUmbrellaWindowCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmPopupCreated(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmPopupCloseClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAlarmPopupTextClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnRefreshButtonClick(const UnitEvent&)
{
    return std::nullopt;
}

EventResult OnAutoRefreshCheck(const UnitEvent&)
{
    return std::nullopt;
}

} // namespace windows
