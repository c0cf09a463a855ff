#pragma once
// File, version, shell and process services. Paths are code page 936 texts.

#include "toolkit/Types.h"

namespace framework {

// The eleven texts of the file's version resource, FileVersion first, then FileDescription,
// CompanyName, ProductName, ProductVersion, InternalName, OriginalFilename, LegalCopyright,
// LegalTrademarks, Comments, PrivateBuild. Taken from the first translation listed, or from
// "040904E4" when none is; all empty when the file has no version resource.
TextArray ReadFileVersionInfo(const GbkText& file);

// The special folder's path with a trailing backslash (index 7: the user's start-up folder);
// the empty text when the shell knows no such folder.
GbkText SpecialFolderPath(int index);

// Writes a shell link to `target` (".lnk" is added to the link file when missing), shown with
// SW_SHOW. Returns false when the link could not be saved.
bool CreateShortcut(const GbkText& linkFile, const GbkText& target);

// Starts the command line; show modes 1 hidden, 2 normal (also for any other value), 3
// minimised, 4 maximised, 5 normal not activated, 6 minimised not activated. With `wait` it
// waits for the process to end, else at most 1000 ms for it to become idle. False when the
// process could not be started.
bool RunCommandLine(const GbkText& commandLine, bool wait = false, int showMode = 2);

// ShellExecuteA of the file with no parameters in the current directory; verb 4 is "open",
// other verbs use the file's default action. True when the shell accepted it.
bool OpenWithShell(int verb, const GbkText& file, int showMode = 1);

bool RemoveFile(const GbkText& path);
// Creates or truncates the file and writes the bytes.
bool WriteWholeFile(const GbkText& path, const ByteSet& bytes);

} // namespace framework
