#pragma once
// Stopping another program of the run directory by its bare executable name.

#include "toolkit/Types.h"

namespace updater {

// Stops one process: the one owning a top-level window whose title is exactly name, else the
// first process in a snapshot whose executable file name equals name, case ignored. An empty
// name stops nothing. True when a process was terminated; it then returns once the process has
// ended, or after a few seconds.
bool TerminateProcessByName(const GbkText& name);

} // namespace updater
