#pragma once
// The order of version texts. Versions are compared as texts, byte by byte, never as numbers,
// so that every program that reads the note agrees on what is newer.

#include "toolkit/Types.h"

namespace updater {

// True when current comes before latest: the first differing byte, read as unsigned, is
// smaller, or current is a proper prefix of latest. An empty text comes before any other.
bool IsOlderVersion(const GbkText& current, const GbkText& latest);

} // namespace updater
