// Which addresses the updater follows on its way to the package.
#include <gtest/gtest.h>

#include "updater/HttpsAddress.h"

using updater::IsHttpsAddress;

TEST(IsHttpsAddress, OnlyAbsoluteHttpsAddressesWithAHost)
{
    struct Case {
        const char* address;
        bool https;
    };
    const Case cases[] = {
        {"https://www.lanzoux.com/iAbCdEf12", true},
        {"https://localhost:4443", true},
        {"HTTPS://localhost/file/?x", true},
        {"hTtPs://a", true},
        {"http://localhost/package/Temp.zip", false},
        {"ftp://localhost/Temp.zip", false},
        {"file:///C:/Temp.zip", false},
        {"httpsx://localhost/", false},
        {"https:/localhost/", false},
        {"https:localhost", false},
        {"https://", false},
        {"https:///path", false},
        {"https:\\\\\\host", false},
        {"//localhost/package", false},
        {"/file/?BmBXOFgzVGQ", false},
        {" https://localhost/", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsHttpsAddress(c.address), c.https) << c.address;
    }
}
