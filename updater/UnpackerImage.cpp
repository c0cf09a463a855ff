#include "updater/UnpackerImage.h"

#include <windows.h>

namespace updater {

ByteSet UnpackerImage()
{
    HRSRC found =
        FindResourceA(nullptr, MAKEINTRESOURCEA(UPDATER_UNPACKER_RESOURCE), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    return ByteSet(first, first + SizeofResource(nullptr, found));
}

} // namespace updater
