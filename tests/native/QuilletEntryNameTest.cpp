// Where the unpacker puts an entry, and which entry names it refuses.
#include <gtest/gtest.h>

#include "updater/ZipEntryName.h"

using updater::EndsWithBackslash;
using updater::EntryOutputPath;
using updater::IsSafeEntryName;
using updater::LastBackslash;

// "乗" in code page 936: its second byte is the backslash byte.
#define TRAIL_5C "\x81\x5C"

TEST(EntryOutputPath, JoinsWithOneBackslashAndTurnsSlashes)
{
    EXPECT_EQ(EntryOutputPath("C:\\run", "a/b/c.txt"), "C:\\run\\a\\b\\c.txt");
    EXPECT_EQ(EntryOutputPath("C:\\run\\", "a\\c.txt"), "C:\\run\\a\\c.txt");
    EXPECT_EQ(EntryOutputPath("C:\\run", "dir/"), "C:\\run\\dir\\");
    // "天/气" in code page 936: only the slash byte changes.
    EXPECT_EQ(EntryOutputPath("D:\\r", "\xCC\xEC/\xC6\xF8"), "D:\\r\\\xCC\xEC\\\xC6\xF8");
    // A directory whose name ends in a character with a 0x5C second byte still needs its
    // separator; one after it is not doubled.
    EXPECT_EQ(EntryOutputPath("D:\\r" TRAIL_5C, "a.txt"), "D:\\r" TRAIL_5C "\\a.txt");
    EXPECT_EQ(EntryOutputPath("D:\\r" TRAIL_5C "\\", "a.txt"), "D:\\r" TRAIL_5C "\\a.txt");
}

TEST(EntryOutputPath, BackslashesAreFoundCharacterByCharacter)
{
    struct Case {
        const char* text;
        bool endsWithBackslash;
        std::size_t lastBackslash;
    };
    const Case cases[] = {
        {"dir\\", true, 3},
        {"a\\notes" TRAIL_5C, false, 1},
        {TRAIL_5C, false, std::string::npos},
        {TRAIL_5C "\\", true, 2},
        // A lead byte before a byte that cannot follow it stands alone.
        {"\x81\x7F\\", true, 2},
        {"\x81/\\", true, 2},
        {"", false, std::string::npos},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EndsWithBackslash(c.text), c.endsWithBackslash);
        EXPECT_EQ(LastBackslash(c.text), c.lastBackslash);
    }
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
        {"notes" TRAIL_5C, true},
        // The dots follow a character, not a separator: one step "a乗..".
        {"a" TRAIL_5C "..\\b", true},
        {TRAIL_5C "/../../x", false},
        // A stray lead byte does not swallow the slash after it.
        {"\x81/../../x", false},
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
