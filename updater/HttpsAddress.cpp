#include "updater/HttpsAddress.h"

namespace updater {

bool IsHttpsAddress(const GbkText& address)
{
    static constexpr char kScheme[] = "https://";
    constexpr std::size_t kLength = sizeof kScheme - 1;
    if (address.size() <= kLength || address[kLength] == '/' || address[kLength] == '\\') {
        return false;
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        char c = address[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kScheme[i]) {
            return false;
        }
    }
    return true;
}

} // namespace updater
