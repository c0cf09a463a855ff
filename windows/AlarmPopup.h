#pragma once
// The alarm notice: slides in at the right edge of the screen, 40 pixels above its bottom, with
// a sound, rests 8 seconds, slides out and is destroyed. Its event handlers are in
// windows/Handlers.h.

#include <windows.h>

#include "toolkit/Types.h"

namespace windows {

// Played once when the notice has slid in; a missing file leaves the notice silent.
inline constexpr char kAlarmSoundFile[] = "C:\\Windows\\Media\\Windows Unlock.wav";

// The notice's title and detail from AlarmTitle and the weather record, the title coloured by
// its colour word (the stored colour when it has none).
void FillAlarmPopup();

// Thread entry (for StartThread) that runs SlideAlarmPopup for the notice whose window it is
// given.
void SlideAlarmPopupThread(void* notice);

// Moves the notice left by one pixel at a time, its width + 10 in all, plays the sound, waits
// 8 seconds pumping messages, moves it back as far and destroys it. `notice` is the window of
// the notice as it was created: the slide ends early, without a sound, once that one is gone
// (closed by its button or replaced by a newer alarm's), even when a newer notice is open by
// then, and it never starts on a newer one.
void SlideAlarmPopup(HWND notice);

} // namespace windows
