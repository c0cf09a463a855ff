#pragma once
// Restarting the program through a batch file, and the shortcut in the user's start-up folder
// that starts it with Windows. The handlers that use them are in windows/Handlers.h.

#include <cstdint>
#include <optional>

#include "toolkit/Types.h"

namespace windows {

// Writes Restart.bat into the run directory, starts it hidden and ends this process at once
// (exit code 0, no exit routines), after which the batch file pings delaySeconds times (2 when
// absent or below 1; a second apart, so that 1 is no wait at all), starts the executable again
// and deletes itself.
// Whatever the caller undoes of the running program, it undoes before the call. Does nothing,
// and returns, when the executable is not at run directory + "\" + own file name. When the batch
// file cannot be written or started, says so in a box over the settings window and returns, the
// program still running.
void RestartProgram(std::optional<int32_t> delaySeconds = std::nullopt);

// The part of RestartProgram before the end of the process: writes directory\Restart.bat for
// the executable (by its short path, by its full path when it has none) and starts it hidden by
// its quoted full path. False when the batch file could not be written or started. The batch
// file deletes itself from the current directory, which is meant to be `directory`.
bool StartRestartScript(const GbkText& directory, const GbkText& executable,
                        std::optional<int32_t> delaySeconds);

// The 8.3 form of a path through GetShortPathNameW; "" when the path has none (it does not
// exist, for one).
GbkText ToShortPath(const GbkText& path);

// Ends the process with exit code 0: this one when processId is absent or 0. False when the
// process could not be opened or ended.
bool TerminateSelf(std::optional<int32_t> processId = std::nullopt);

// Start-up folder + "Skyvane.lnk"; "" when the shell knows no start-up folder.
GbkText StartupShortcutPath();

} // namespace windows
