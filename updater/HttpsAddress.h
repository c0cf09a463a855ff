#pragma once
// The one scheme the updater follows on its way to the package.

#include "toolkit/Types.h"

namespace updater {

// True for an absolute address with the scheme https (in any case) and a host: "https://"
// followed by something other than a "/". False for every other scheme, for a relative or
// scheme-relative address and for the empty text.
bool IsHttpsAddress(const GbkText& address);

} // namespace updater
