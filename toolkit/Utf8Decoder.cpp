#include "toolkit/Utf8Decoder.h"

#include <cstdint>

namespace toolkit {

namespace {

// The length of the sequence a lead byte starts, 0 when it cannot start one.
size_t SequenceLength(uint8_t lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead < 0xC0) {
        return 0;
    }
    if (lead < 0xE0) {
        return 2;
    }
    if (lead < 0xF0) {
        return 3;
    }
    if (lead < 0xF8) {
        return 4;
    }
    if (lead < 0xFC) {
        return 5;
    }
    if (lead < 0xFE) {
        return 6;
    }
    return 0;
}

} // namespace

std::u16string DecodeUtf8(const ByteSet& bytes)
{
    std::u16string units;
    units.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        uint8_t lead = bytes[i];
        size_t length = SequenceLength(lead);
        if (length == 0 || i + length > bytes.size()) {
            break;
        }
        // The lead byte keeps 7 - length payload bits (all 7 for ASCII).
        uint32_t codePoint = length == 1 ? lead : lead & (0x7Fu >> length);
        size_t k = 1;
        for (; k < length; ++k) {
            uint8_t next = bytes[i + k];
            if (next < 0x80 || next > 0xBF) {
                break;
            }
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (k < length) {
            break;
        }
        if (codePoint <= 0xFFFF) {
            units.push_back(static_cast<char16_t>(codePoint));
        } else if (codePoint <= 0x10FFFF) {
            codePoint -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
        } else {
            units.push_back(u'\uFFFD');
        }
        i += length;
    }
    return units;
}

} // namespace toolkit
