#pragma once
// The batch file through which the program restarts itself: it waits, starts the executable
// again and deletes itself.

#include <cstdint>
#include <optional>

#include "toolkit/Types.h"

namespace windows {

// Name of the batch file in the run directory; its last line deletes it by this name.
inline constexpr char kRestartScriptName[] = "Restart.bat";

// The script's four lines joined by CR LF, without a line break after the last: echo off,
// a ping of 127.0.0.1 as many times as delaySeconds (2 when absent or below 1), the start of
// the executable at `path` in quotes, the deletion of the script. A "%" in the path is doubled,
// since the command processor would otherwise read it as the start of a variable.
GbkText RestartScript(const GbkText& path, std::optional<int32_t> delaySeconds = std::nullopt);

} // namespace windows
