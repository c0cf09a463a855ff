// Version texts compared byte by byte, never as numbers: the update check and the updater both
// decide by this order.
#include <gtest/gtest.h>

#include <string>

#include "update/VersionOrder.h"

TEST(VersionOrder, ComparesTextsByteByByte)
{
    struct Case {
        std::string candidate;
        std::string current;
        bool later;
    };
    const Case cases[] = {
        {"1.0.10.0", "1.0.9.0", false},
        {"1.0.9.0", "1.0.10.0", true},
        {"1.0.0.0", "1.0.0.0", false},
        {"2", "10.0.0.0", true},
        {"1.0.0.0a", "1.0.0.0", true},
        {"1.0.0", "1.0.0.0", false},
        {"1.0.0.1", "", true},
        {"", "", false},
        {"", "1.0.0.0", false},
        // Bytes from 0x80 up are larger than every ASCII byte.
        {"1.0\xB0\xE6", "1.0z", true},
        // A text ends at its first zero byte.
        {std::string("1.0\0"
                     "9",
                     5),
         "1.0", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(update::IsLaterVersion(c.candidate, c.current), c.later)
            << c.candidate << " after " << c.current;
    }
}
