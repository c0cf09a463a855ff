#include "updater/VersionOrder.h"

#include <algorithm>

namespace updater {

bool IsOlderVersion(const GbkText& current, const GbkText& latest)
{
    // Explicitly unsigned: plain char is signed on our compilers, and a byte of a Chinese
    // character must sort after every ASCII byte.
    return std::lexicographical_compare(
        current.begin(), current.end(), latest.begin(), latest.end(), [](char a, char b) {
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
        });
}

} // namespace updater
