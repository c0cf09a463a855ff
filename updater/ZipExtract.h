#pragma once
// The zip component of the unpacker: extraction of a zip archive over a directory with the zip
// reader of zlib's minizip.

#include <cstdint>

#include "toolkit/Types.h"

namespace updater {

// Extracts every entry of zipFile, in archive order, below targetDirectory (made with its
// missing parents when needed). Files are replaced, stamped with their stored time and left
// with normal attributes. Returns 1 when every entry was extracted; 0 when the archive is
// unreadable, an entry cannot be written (the entries before it stay) or an entry's name points
// outside the target directory; -1 when an argument is empty or zipFile does not exist.
std::int32_t ZipExtract(const GbkText& zipFile, const GbkText& targetDirectory);

} // namespace updater
