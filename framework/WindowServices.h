#pragma once
// Boxes, screen size and sound for the window code. Each accepts calls from any thread; a box
// runs on the calling thread, owned by the window named.

#include <optional>

#include "framework/LibraryProtocol.h"
#include "toolkit/Types.h"

namespace framework {

// A message box, task-modal unless the flags ask for system-modal. An absent title shows
// "信息："; a given empty one shows none. Returns 0 OK, 1 Cancel, 2 Abort, 3 Retry, 4 Ignore,
// 5 Yes, 6 No (-1 when no box could be shown).
int ShowMessage(const GbkText& text, Word flags = 0, std::optional<GbkText> title = std::nullopt,
                std::optional<WindowId> owner = std::nullopt);

// An input box with OK and Cancel. Input modes: 1 text, 2 password, 3 integer, 4 decimal. On OK
// stores the entry into `value` and returns true; on Cancel leaves `value` alone.
bool AskText(const GbkText& prompt, std::optional<GbkText> caption,
             std::optional<GbkText> initialText, GbkText& value, std::optional<Word> inputMode,
             std::optional<WindowId> owner);

Word ScreenWidth();
Word ScreenHeight();

// Plays a WAV file in the background, once or in a loop, stopping what played before. Returns
// false when the file cannot be read as a WAV file or no wave output accepts it.
bool PlaySoundFile(const GbkText& file, bool loop = false);

} // namespace framework
