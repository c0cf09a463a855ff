#include "toolkit/Base64.h"

#include <cstddef>

namespace toolkit {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

GbkText Base64Encode(const ByteSet& bytes)
{
    GbkText text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        // Missing bytes of the last group count as zero; their characters become "=" below.
        const std::size_t left = bytes.size() - i;
        const unsigned group = (unsigned{bytes[i]} << 16) |
                               (left > 1 ? unsigned{bytes[i + 1]} << 8 : 0u) |
                               (left > 2 ? unsigned{bytes[i + 2]} : 0u);
        text.push_back(kAlphabet[(group >> 18) & 0x3F]);
        text.push_back(kAlphabet[(group >> 12) & 0x3F]);
        text.push_back(left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
        text.push_back(left > 2 ? kAlphabet[group & 0x3F] : '=');
    }
    return text;
}

} // namespace toolkit
