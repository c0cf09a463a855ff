#pragma once
// The settings window. Its handlers write "Config.ini" only, never the settings held in
// memory, so a changed option takes effect at the next start; the custom location alone also
// changes Province, City and WeatherUrl at once. The handlers are in windows/Handlers.h.

namespace windows {

// Ticks the option boxes whose settings (as read at start) are "1", ticks automatic refresh
// unless the interval is "0" and selects the combo item of the interval.
void LoadSettingsControls();

// Stores the refresh interval that automatic refresh and the combo box show together.
void SaveRefreshInterval();

// Thread entry (for StartThread) that runs SaveRefreshInterval.
void SaveRefreshIntervalThread(void* unused);

} // namespace windows
