#include "framework/IconBytes.h"

#include <cstdint>
#include <cstring>

namespace framework {
namespace {

#pragma pack(push, 1)
struct IcoHeader {
    std::uint16_t reserved;
    std::uint16_t type;
    std::uint16_t count;
};
struct IcoEntry {
    std::uint8_t width;
    std::uint8_t height;
    std::uint8_t colourCount;
    std::uint8_t reserved;
    std::uint16_t planes;
    std::uint16_t bitCount;
    std::uint32_t bytesInImage;
    std::uint32_t imageOffset;
};
#pragma pack(pop)

// A width byte of 0 stands for 256 pixels.
int EntryWidth(const IcoEntry& entry)
{
    return entry.width == 0 ? 256 : entry.width;
}

} // namespace

HICON IconFromIcoBytes(const ByteSet& ico, int size)
{
    IcoHeader header{};
    if (ico.size() < sizeof header) {
        return nullptr;
    }
    std::memcpy(&header, ico.data(), sizeof header);
    if (header.reserved != 0 || header.type != 1 || header.count == 0 ||
        ico.size() < sizeof header + std::size_t{header.count} * sizeof(IcoEntry)) {
        return nullptr;
    }
    int best = -1;
    int bestWidth = 0;
    for (int i = 0; i < header.count; ++i) {
        IcoEntry entry{};
        std::memcpy(&entry, ico.data() + sizeof header + i * sizeof entry, sizeof entry);
        if (entry.imageOffset > ico.size() || entry.bytesInImage > ico.size() - entry.imageOffset) {
            continue;
        }
        int width = EntryWidth(entry);
        bool fits = width >= size;
        bool bestFits = bestWidth >= size;
        if (best < 0 || (fits && (!bestFits || width < bestWidth)) ||
            (!fits && !bestFits && width > bestWidth)) {
            best = i;
            bestWidth = width;
        }
    }
    if (best < 0) {
        return nullptr;
    }
    IcoEntry entry{};
    std::memcpy(&entry, ico.data() + sizeof header + best * sizeof entry, sizeof entry);
    // CreateIconFromResourceEx takes a non-const buffer but only reads it.
    auto* image = const_cast<std::uint8_t*>(ico.data() + entry.imageOffset);
    return CreateIconFromResourceEx(image, entry.bytesInImage, TRUE, 0x00030000, size, size,
                                    LR_DEFAULTCOLOR);
}

} // namespace framework
