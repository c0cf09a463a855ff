#pragma once
// The zip component of the unpacker: extraction of a zip archive over a directory with the zip
// reader of zlib's minizip.

#include <cstdint>

#include "toolkit/Types.h"

namespace updater {

// Extracts every entry of zipFile, in archive order, below targetDirectory (made with its
// missing parents when needed), the whole archive or nothing. The archive is read through
// first: every entry must have a safe name (IsSafeEntryName) and every file entry must give
// exactly its stored size with its stored check sum. Then every file is written to a
// temporary file beside its destination, and only once all are written is each old file moved
// aside and the new one moved in; a move is retried briefly while a file is in use. When any
// step fails, the old files are moved back and the new files, the temporary files and the
// directories made for the package are removed, so the directory is as it was. Files are
// stamped with their stored time and left with normal attributes; a read-only file is not
// replaced. An entry that names the running program's own file (the unpacker's, when it
// unpacks an update) is checked but not written. Returns 1 when the whole archive is in place;
// 0 when it is unreadable, damaged, holds an unsafe name or cannot be put in place (nothing
// changed); -1 when an argument is empty or zipFile does not exist.
std::int32_t ZipExtract(const GbkText& zipFile, const GbkText& targetDirectory);

} // namespace updater
