#include "update/VersionOrder.h"

#include <cstring>

namespace update {

bool IsLaterVersion(const GbkText& candidate, const GbkText& current)
{
    // strcmp compares as unsigned char and stops at the first zero byte.
    return std::strcmp(candidate.c_str(), current.c_str()) > 0;
}

} // namespace update
