#pragma once
// Where an entry of the update package lands: its stored name joined to the target directory.
// Paths and names are code page 936 text, read a character at a time: the second byte of a
// two-byte character may be 0x5C, which is a backslash only as a character of its own.

#include <cstddef>

#include "toolkit/Types.h"

namespace updater {

// The end of the character that begins at `at`: two bytes for a lead byte (0x81 to 0xFE)
// followed by a valid second byte (0x40 to 0xFE but 0x7F), else one.
std::size_t CharacterEnd(const GbkText& text, std::size_t at);

// True when the last character of text is a "\" of its own.
bool EndsWithBackslash(const GbkText& text);

// The position of the last "\" that is a character of its own; npos when there is none.
std::size_t LastBackslash(const GbkText& text);

// The target directory, a "\" when it does not end in one, then the entry name with every "/"
// that is a character of its own turned into "\".
GbkText EntryOutputPath(const GbkText& targetDirectory, const GbkText& entryName);

// False for a name that could put a file outside the target directory, or somewhere other than
// the name says: an empty name; one that begins with a separator (a rooted or network path);
// one that holds a NUL or control byte, a character Windows refuses in names (< > : " | ? *;
// the ":" would also name a drive or a stream) or a lead byte without its second byte; one
// with a step that is a device name (CON, NUL, COM1 and the like, in any case, with or without
// an extension) or that ends in a dot or a space (Windows drops those, so ".. " is "..",
// "Skyvane.exe." is Skyvane.exe, and "." and ".." go too).
bool IsSafeEntryName(const GbkText& entryName);

} // namespace updater
