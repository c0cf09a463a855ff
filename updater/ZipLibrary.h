#pragma once
// The zip component as the framework's library 2: one unit type, "ZIP压缩" (type code 0x20001),
// with no window and no unit interfaces; its one command is ZipExtract (updater/ZipExtract.h).

#include "framework/LibraryProtocol.h"

namespace updater {

inline constexpr framework::UnitTypeCode kTypeZipComponent = 0x20001;

extern const framework::LibraryInfo ZipLibraryInfo;

} // namespace updater
