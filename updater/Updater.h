#pragma once
// The updater program: no window, two stages told apart by "Quillet.exe" in the run directory.
// Stage 1 reads the version note, and when it names a newer version than the weather program's
// file version, resolves the package's address (over https only), stops the weather program,
// downloads the package afresh as "Temp.zip", writes out the unpacker it carries and starts
// it. A note, an address or a download that fails shows the failure box and starts the weather
// program again. Stage 2 (started by the unpacker) stops and removes the unpacker and starts
// the weather program.

#include <cstdint>

namespace updater {

// The program entry: the framework (no libraries, no windows), the module state, the update,
// then the message loop, which returns at once.
int UpdaterEntry();

// The whole update; returns 0 where it does not end the process itself.
std::int32_t RunUpdate();

void InitUpdaterGlobals();
void FreeUpdaterGlobals();

// The two boxes of stage 1, each on a thread of its own so that the update goes on while it is
// up; they close with the process.
void ShowUpdatingMessage();
void ShowUpdateFailedMessage();
void ShowUpdatingMessageThread(void* unused);
void ShowUpdateFailedMessageThread(void* unused);

// Waits amount units (0 milliseconds, 1 seconds, 2 minutes, 3 hours) while handling the
// thread's messages; returns true.
bool DelayWithMessages(std::int32_t amount, std::int32_t unit);

} // namespace updater
