#pragma once
// The update check of the weather application: the version in the update share's note
// against the program's own file version, and on a newer one the question with the changelog,
// whose Yes starts the updater "Fernhop.exe" from the run directory. The application keeps
// running; the updater stops it when it is ready.

#include <optional>

#include "toolkit/Types.h"

namespace update {

// The key of the share whose note announces new versions.
inline constexpr char kUpdateShareKey[] = "Hb71QxPa";

// The update share's address on the share host.
GbkText UpdateShareAddress();

// The automatic check (after a refresh, at the first activation): asks only when the note is
// newer, otherwise shows nothing. The main window is disabled for the span of the check. A
// check that starts while another one runs (on another thread) does nothing.
void CheckForUpdate();

// The check of the settings window's button: as CheckForUpdate, but tells the user when
// nothing newer is there.
void CheckForUpdateManual();

// Reads the note (into ShareNoteText) and tells whether the text between its leftMarker and
// rightMarker comes after the program's own version.
bool IsNewerVersionAvailable(const GbkText& shareUrl, const std::optional<GbkText>& password,
                             const GbkText& leftMarker, const GbkText& rightMarker);

// Reads the note again (into ShareNoteText) and gives the text between its first two markers;
// the empty text when there are fewer than two.
GbkText ReadChangelog(const GbkText& shareUrl, const std::optional<GbkText>& password,
                      const GbkText& marker);

// The FileVersion of the running executable's version resource; empty when it has none.
GbkText OwnVersion();

// The update channel's module initialiser: seeds the random generator from the tick count.
void InitUpdateModule();

} // namespace update
