#pragma once
// After each fill of the main window: is the current weather alarm new? A new one is
// remembered in the settings file ([Info] To and To_A) and announced by the alarm notice.

namespace windows {

// Thread entry (for StartThread) that FillMainWindow starts once it has set the weather record
// and AlarmTitle; runs CheckWeatherAlarm.
void CheckWeatherAlarmThread(void* unused);

// Reads the remembered alarm from the file at ConfigPath. When the current one is new by
// IsNewAlarm, writes it there and loads the alarm notice, modal over the main window, from the
// calling thread; a notice still open for an earlier alarm is closed first. Nothing happens
// without an alarm.
void CheckWeatherAlarm();

} // namespace windows
