#pragma once
// The alarm notice: slides in at the right edge of the screen, 40 pixels above its bottom, with
// a sound, rests 8 seconds, slides out and is destroyed. Its event handlers are in
// windows/Handlers.h.

#include "toolkit/Types.h"

namespace windows {

// Played once when the notice has slid in; a missing file leaves the notice silent.
inline constexpr char kAlarmSoundFile[] = "C:\\Windows\\Media\\Windows Unlock.wav";

// The notice's title and detail from AlarmTitle and the weather record, the title coloured by
// its colour word (the stored colour when it has none).
void FillAlarmPopup();

// Thread entry (for StartThread) that runs SlideAlarmPopup.
void SlideAlarmPopupThread(void* unused);

// Moves the notice left by one pixel at a time, its width + 10 in all, plays the sound, waits
// 8 seconds pumping messages, moves it back as far and destroys it. Ends early, without a sound,
// once the notice it started with is gone (closed by its button or replaced by a newer alarm's),
// even when a newer notice is open by then.
void SlideAlarmPopup();

} // namespace windows
