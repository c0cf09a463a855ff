#include "windows/Pictures.h"

#include <windows.h>

namespace windows {

namespace {
// RT_RCDATA, spelled as its number because the macro's type follows the UNICODE setting.
constexpr WORD kRawDataType = 10;
} // namespace

ByteSet LoadPicture(PictureId id)
{
    // The pictures live in the executable itself, so the module is the process's own; resource
    // memory stays mapped for the life of the process and needs no freeing.
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(static_cast<int>(id)),
                                MAKEINTRESOURCEW(kRawDataType));
    if (!found) {
        return {};
    }
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return ByteSet(bytes, bytes + size);
}

} // namespace windows
