#pragma once
// The unpacker program that the updater carries: the built Quillet.exe, linked into Fernhop.exe
// as a resource, so that the updater can write it out byte for byte.

#include "toolkit/Types.h"
#include "updater/UnpackerResource.h"

namespace updater {

// The complete executable file of the unpacker; empty when the resource is missing.
ByteSet UnpackerImage();

} // namespace updater
