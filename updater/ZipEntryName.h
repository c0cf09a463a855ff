#pragma once
// Where an entry of the update package lands: its stored name joined to the target directory.

#include "toolkit/Types.h"

namespace updater {

// The target directory, a "\" when it does not end in one, then the entry name with every "/"
// turned into "\".
GbkText EntryOutputPath(const GbkText& targetDirectory, const GbkText& entryName);

// False for a name that could put a file outside the target directory: an empty name, one that
// begins with a separator (a rooted or network path), one with a ":" (a drive letter or a
// stream), or one with a step made only of dots and spaces beyond "." (Windows reads ".. " as
// "..").
bool IsSafeEntryName(const GbkText& entryName);

} // namespace updater
