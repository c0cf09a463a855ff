#pragma once
// The services of the framework that need no window: where the program runs, threads, the end
// of the program with its exit routines, files and INI values. Every one may be called from
// any thread.

#include <cstddef>
#include <optional>

#include "toolkit/ScopedWin.h"
#include "toolkit/Types.h"

namespace framework {

// The directory of the running executable, without a trailing backslash.
GbkText RunDirectory();

// The file name of the running executable, without its directory.
GbkText OwnFileName();

using ExitRoutine = void (*)();

// Adds a routine that EndProgram (or RunExitRoutines) runs before the process ends.
void RegisterExitRoutine(ExitRoutine routine);

// Runs the registered routines in the order of registration, each at most once over the life
// of the process, whichever thread or how many callers ask.
void RunExitRoutines();

// Runs the exit routines and ends the process with exitCode.
[[noreturn]] void EndProgram(int exitCode);

using ThreadRoutine = void (*)(void* parameter);

// Runs routine(parameter) on a new thread. The thread's handle goes to keptHandle when one is
// given and is closed otherwise. False when no thread could be started.
bool StartThread(ThreadRoutine routine, void* parameter = nullptr,
                 toolkit::ScopedHandle* keptHandle = nullptr);

// True when path names an existing file (not a directory).
bool FileExists(const GbkText& path);

// The longest INI value that ReadConfigValue gives back; a longer one comes back cut.
constexpr size_t kConfigValueMaxBytes = 10239;

// The INI value of key in section of file, as GetPrivateProfileStringA gives it (at most
// kConfigValueMaxBytes), with defaultValue for a missing key when one is given and the empty text
// otherwise. Leading bytes of 0x20 and below are skipped in file, section and key; when one
// of them is then empty the file is not read and the result is the empty text.
GbkText ReadConfigValue(const GbkText& file, const GbkText& section, const GbkText& key,
                        const std::optional<GbkText>& defaultValue = std::nullopt);

// Writes key=value into section of file; whether the write succeeded is not reported.
void WriteConfigValue(const GbkText& file, const GbkText& section, const GbkText& key,
                      const GbkText& value);

} // namespace framework
