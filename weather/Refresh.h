#pragma once
// One weather refresh: the request, the judgement whether the answer carries anything, the cut
// into the weather record and its lists, the after-fetch actions the settings ask for, the
// advice sentences, then the main window fill. Also the wait that keeps a thread's windows
// answering.
//
// Only one refresh runs at a time. A refresh asked for while another runs is skipped, not
// queued: the running one is about to deliver the same answer, and waiting for it could
// deadlock the interface thread, which the running refresh may need for its boxes and window
// writes.

#include <cstdint>

#include "framework/Template.h"
#include "toolkit/Types.h"

namespace weather {

// The units of the main window the refresh acts on. The window code owns these ids and hands
// them over at start; a step whose id is 0 is left out.
struct MainWindowUnits {
    framework::WindowId window = 0;
    framework::UnitId refreshTimer = 0; // the timer "自动刷新"
    framework::UnitId skin = 0;         // the window skin "窗口EX1"
};
void SetMainWindowUnits(const MainWindowUnits& units);

using RefreshStep = void (*)();

// The main window fill, run on the refreshing thread at the end of every refresh that got an
// answer or was told to go on. None set: the refresh ends after the advice sentences.
void SetMainWindowFill(RefreshStep fill);

// The update check that an after-fetch action may run. None set: that action does nothing.
void SetUpdateCheck(RefreshStep check);

using PictureSource = ByteSet (*)();

// Where the after-fetch action takes the application's notification icon from (the bytes of an
// ICO file), asked each time it is shown. None set: that action shows nothing.
void SetAppTrayIcon(PictureSource icon);

// The whole refresh on the calling thread; returns when it is done, or at once when another
// refresh is running. Waits in its message boxes until the user answers.
void RefreshWeather();

// Thread entry that runs RefreshWeather.
void RefreshThread(void* unused);

// Waits 100 ms keeping the calling thread's windows alive, then starts RefreshThread and
// returns without waiting for it. The second form is the click handler of the button "刷新";
// it ignores its event.
void StartRefresh();
framework::EventResult StartRefresh(const framework::UnitEvent& ignored);

// The timer "自动刷新" gets the refresh interval from the settings, then the first of: the
// application icon in the notification area with an empty tip, the update check, the main
// window's skin hidden, that the settings ask for.
void ApplySettingsAfterFetch();

// ClothesExtra and AirconExtra from the record's two advice details: the text before the first
// "。" of each, both empty when the clothes detail has no two pieces.
void SplitAdviceTexts();

// Waits amount units (0 ms, 1 s, 2 min, 3 h) while handling the calling thread's window
// messages. Returns true. Without a waitable timer it still waits the same time, pumping; an
// end of the program asked for during the wait cuts it short.
bool DelayWithMessages(int32_t amount, int64_t unit = 0);

} // namespace weather
