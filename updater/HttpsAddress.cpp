#include "updater/HttpsAddress.h"

#include "toolkit/NoCase.h"

namespace updater {

bool IsHttpsAddress(const GbkText& address)
{
    static const GbkText kScheme = "https://";
    // A host must follow: "https:///path" names none.
    return address.size() > kScheme.size() && address[kScheme.size()] != '/' &&
           address[kScheme.size()] != '\\' && toolkit::StartsWithNoCase(address, kScheme);
}

} // namespace updater
