#pragma once
// Every handler the window templates bind, one per event. Each takes the event as the framework
// raises it; the handlers ignore the event arguments unless their description says otherwise.

#include "framework/Template.h"

namespace windows {

// Main window: the window's own events.
framework::EventResult OnMainFirstActivate(const framework::UnitEvent& event);
framework::EventResult OnMainQueryClose(const framework::UnitEvent& event);
framework::EventResult OnMainDestroy(const framework::UnitEvent& event);
framework::EventResult OnMainTrayEvent(const framework::UnitEvent& event);

// Main window: its units and menu items.
framework::EventResult OnMinimiseClick(const framework::UnitEvent& event);
framework::EventResult OnAutoRefreshTimer(const framework::UnitEvent& event);
framework::EventResult OnClothesPictureClick(const framework::UnitEvent& event);
framework::EventResult OnUmbrellaPictureClick(const framework::UnitEvent& event);
framework::EventResult OnAirconPictureClick(const framework::UnitEvent& event);
framework::EventResult OnMenuButtonClick(const framework::UnitEvent& event);
framework::EventResult OnAlarmButtonClick(const framework::UnitEvent& event);
framework::EventResult OnCloseButtonClick(const framework::UnitEvent& event);
framework::EventResult OnMainMenuSettings(const framework::UnitEvent& event);
framework::EventResult OnMainMenuAbout(const framework::UnitEvent& event);
framework::EventResult OnTrayMenuOpenMain(const framework::UnitEvent& event);
framework::EventResult OnTrayMenuQuit(const framework::UnitEvent& event);

// Alarm detail window.
framework::EventResult OnAlarmDetailCreated(const framework::UnitEvent& event);
framework::EventResult OnAlarmDetailCloseClick(const framework::UnitEvent& event);
framework::EventResult OnAlarmDetailTextClick(const framework::UnitEvent& event);

// About window.
framework::EventResult OnAboutWindowCreated(const framework::UnitEvent& event);
framework::EventResult OnAboutWindowCloseClick(const framework::UnitEvent& event);

// Settings window.
framework::EventResult OnSettingsCreated(const framework::UnitEvent& event);
framework::EventResult OnRestoreDefaultsClick(const framework::UnitEvent& event);
framework::EventResult OnCustomLocationClick(const framework::UnitEvent& event);
framework::EventResult OnIntervalComboChanged(const framework::UnitEvent& event);
framework::EventResult OnCheckUpdateClick(const framework::UnitEvent& event);
framework::EventResult OnWeatherPictureDoubleClick(const framework::UnitEvent& event);
framework::EventResult OnCheckUpdateAtStartCheck(const framework::UnitEvent& event);
framework::EventResult OnTrayFollowsWeatherCheck(const framework::UnitEvent& event);
framework::EventResult OnShowTrayIconCheck(const framework::UnitEvent& event);
framework::EventResult OnPushAlarmCheck(const framework::UnitEvent& event);
framework::EventResult OnHideAtStartCheck(const framework::UnitEvent& event);
framework::EventResult OnRunAtStartupCheck(const framework::UnitEvent& event);
framework::EventResult OnSettingsCloseClick(const framework::UnitEvent& event);

// Advice windows.
framework::EventResult OnAirconWindowCreated(const framework::UnitEvent& event);
framework::EventResult OnAirconWindowCloseClick(const framework::UnitEvent& event);
framework::EventResult OnClothesWindowCreated(const framework::UnitEvent& event);
framework::EventResult OnClothesWindowCloseClick(const framework::UnitEvent& event);
framework::EventResult OnUmbrellaWindowCreated(const framework::UnitEvent& event);
framework::EventResult OnUmbrellaWindowCloseClick(const framework::UnitEvent& event);

// Alarm notice.
framework::EventResult OnAlarmPopupCreated(const framework::UnitEvent& event);
framework::EventResult OnAlarmPopupCloseClick(const framework::UnitEvent& event);
framework::EventResult OnAlarmPopupTextClick(const framework::UnitEvent& event);

// Adapters from the template's events to the refresh's own entry points.
// The button 刷新: runs StartRefresh.
framework::EventResult OnRefreshButtonClick(const framework::UnitEvent& event);
// The check box 选择框EX7 of the settings window: runs SaveRefreshInterval.
framework::EventResult OnAutoRefreshCheck(const framework::UnitEvent& event);

} // namespace windows
