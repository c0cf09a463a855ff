#pragma once
// The main window filled from the weather record at the end of every refresh, on the thread
// that ran it: the interface thread for the first refresh, a refresh thread for every later
// one.

namespace windows {

// Writes the record, the tip of the day and the alarm title into the main window, chooses the
// weather picture, the background (kept in WeatherImage for the other windows) and, when the
// settings ask for it, the notification icon, shows the advice controls and starts the alarm
// check on a thread of its own. Leaves AlarmDetail without its escaped line breaks and
// AlarmTitle with the title shown; a weather text without a keyword leaves picture, background,
// WeatherImage and icon as they were.
void FillMainWindow();

// Shows the three advice pictures and their labels, which the window keeps hidden until the
// first refresh has given them something to say.
void ShowIndexControls();

} // namespace windows
