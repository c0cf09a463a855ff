#include "toolkit/PercentEncoding.h"

#include <cstdio>
#include <cstring>

namespace toolkit {

namespace {

bool IsUnreserved(uint8_t byte)
{
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9')) {
        return true;
    }
    return std::strchr("-._'()*", byte) != nullptr && byte != 0;
}

} // namespace

void PutByteAt(ByteSet& buffer, size_t offset, uint8_t value)
{
    if (offset < buffer.size()) {
        buffer[offset] = value;
    }
}

GbkText PercentEncodeBytes(const ByteSet& bytes, bool keepUnreserved)
{
    if (bytes.empty()) {
        return {};
    }
    // Sized once for the worst case, three output bytes for each input byte, plus the
    // terminating zero.
    ByteSet buffer(3 * bytes.size() + 1, 0);
    size_t offset = 0;
    for (uint8_t byte : bytes) {
        if (byte == 0) {
            continue;
        }
        if (keepUnreserved && IsUnreserved(byte)) {
            PutByteAt(buffer, offset++, byte);
        } else if (byte == ' ') {
            PutByteAt(buffer, offset++, '+');
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            for (int i = 0; i < 3; ++i) {
                PutByteAt(buffer, offset++, static_cast<uint8_t>(hex[i]));
            }
        }
    }
    return GbkText(reinterpret_cast<const char*>(buffer.data()));
}

} // namespace toolkit
