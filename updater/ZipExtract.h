#pragma once
// The zip component of the unpacker: extraction of a zip archive over a directory with the zip
// reader of zlib's minizip.

#include <cstdint>

#include "toolkit/Types.h"

namespace updater {

// Extracts every entry of zipFile, in archive order, below targetDirectory (made with its
// missing parents when needed). The whole archive is read first, and nothing is written unless
// every entry has a safe name and reads to its end with a good check sum. Each file is then
// written beside its destination and moved over the old one, so a file is never left emptied
// or half-written; the move is retried briefly while the old file is in use. Files are
// stamped with their stored time and left with normal attributes. Returns 1 when every entry
// was extracted; 0 when the archive is unreadable, damaged or holds a name that points outside
// the target directory (nothing written), or when an entry cannot be put in place (the entries
// before it stay); -1 when an argument is empty or zipFile does not exist.
std::int32_t ZipExtract(const GbkText& zipFile, const GbkText& targetDirectory);

} // namespace updater
