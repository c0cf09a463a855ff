#pragma once
// What the main window's handlers (windows/Handlers.h) run beyond a single call.

namespace windows {

// Thread entry of an auto-refresh tick: the refresh's 100 ms wait and the start of its thread,
// off the interface thread.
void RefreshWorkerThread(void* unused);

} // namespace windows
