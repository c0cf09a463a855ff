// Where the unpacker puts an entry, and which entry names it refuses.
#include <gtest/gtest.h>

#include "updater/ZipEntryName.h"

using updater::EntryOutputPath;
using updater::IsSafeEntryName;

TEST(EntryOutputPath, JoinsWithOneBackslashAndTurnsSlashes)
{
    EXPECT_EQ(EntryOutputPath("C:\\run", "a/b/c.txt"), "C:\\run\\a\\b\\c.txt");
    EXPECT_EQ(EntryOutputPath("C:\\run\\", "a\\c.txt"), "C:\\run\\a\\c.txt");
    EXPECT_EQ(EntryOutputPath("C:\\run", "dir/"), "C:\\run\\dir\\");
    // "天/气" in code page 936: only the slash byte changes.
    EXPECT_EQ(EntryOutputPath("D:\\r", "\xCC\xEC/\xC6\xF8"), "D:\\r\\\xCC\xEC\\\xC6\xF8");
}

TEST(IsSafeEntryName, RefusesNamesThatLeaveTheTarget)
{
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"readme.txt", true},
        {"data/deep/b.txt", true},
        {"data\\deep\\", true},
        {"./a.txt", true},
        {"a/./b.txt", true},
        {"..a/b..c/x..", true},
        {"\xCC\xEC\xC6\xF8.txt", true},
        {"", false},
        {"../escape.txt", false},
        {"..\\escape.txt", false},
        {"sub/../../escape.txt", false},
        {"sub/..", false},
        {"sub/.. /x", false},
        {"sub/.../x", false},
        {"/rooted.txt", false},
        {"\\rooted.txt", false},
        {"\\\\server\\share\\x", false},
        {"C:/escape.txt", false},
        {"C:escape.txt", false},
        {"file.txt:stream", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
    }
}
