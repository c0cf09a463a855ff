#include "toolkit/ChineseChars.h"

#include <cstdint>
#include <string_view>

namespace toolkit {

GbkText ExtractChineseChars(const GbkText& text)
{
    std::string_view source(text.c_str());
    GbkText result;
    size_t i = 0;
    while (i + 1 < source.size()) {
        auto first = static_cast<uint8_t>(source[i]);
        auto second = static_cast<uint8_t>(source[i + 1]);
        if (first >= 0xB0 && first <= 0xF7 && second >= 0xA1 && second <= 0xFE) {
            result.append(source.substr(i, 2));
            i += 2;
        } else if (first >= 0x80 && second >= 0x80) {
            i += 2;
        } else {
            i += 1;
        }
    }
    return result;
}

} // namespace toolkit
