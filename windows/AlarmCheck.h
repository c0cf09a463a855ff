#pragma once
// After each fill of the main window: is the current weather alarm new? A new one is
// remembered in the settings file ([Info] To and To_A) and announced by the alarm notice.

namespace windows {

// Thread entry (for StartThread) that FillMainWindow starts once it has set the weather record
// and AlarmTitle; runs CheckWeatherAlarm.
void CheckWeatherAlarmThread(void* unused);

// Reads the remembered alarm from the file at ConfigPath. When the current one, taken in the
// form RememberedAlarmText gives it, is new by IsNewAlarm, writes that form there and loads the
// alarm notice (which shows the texts as they are), modal over the main window, from the
// calling thread; a notice still open for an earlier alarm is closed first. Nothing happens
// without an alarm, nor for a detail of which that form keeps nothing.
void CheckWeatherAlarm();

} // namespace windows
