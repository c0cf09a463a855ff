// The order in which the updater finds a version newer: texts, byte by byte.
#include <gtest/gtest.h>

#include "updater/VersionOrder.h"

using updater::IsOlderVersion;

TEST(IsOlderVersion, ComparesTextsNotNumbers)
{
    struct Case {
        const char* current;
        const char* latest;
        bool older;
    };
    const Case cases[] = {
        {"1.0.0.0", "1.0.0.1", true},
        {"1.0.0.1", "1.0.0.0", false},
        {"1.0.0.0", "1.0.0.0", false},
        // As texts "9" comes after "1", so 1.0.0.10 is not newer than 1.0.0.9.
        {"1.0.0.9", "1.0.0.10", false},
        {"1.0.0.10", "1.0.0.9", true},
        {"1.2", "1.2.1", true},
        {"1.2.1", "1.2", false},
        // A missing version resource: any note version is newer; a note without one never is.
        {"", "1.0", true},
        {"1.0", "", false},
        {"", "", false},
        // Bytes count unsigned: a Chinese character sorts after every ASCII byte.
        {"1.0z", "1.0\xB0\xE6", true},
        {"1.0\xB0\xE6", "1.0z", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOlderVersion(c.current, c.latest), c.older)
            << '"' << c.current << "\" before \"" << c.latest << '"';
    }
}
