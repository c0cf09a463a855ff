// Where the unpacker puts an entry, and which entry names it refuses.
#include <gtest/gtest.h>

#include <string>

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

TEST(IsSafeEntryName, RefusesNamesThatLeaveTheTargetOrLandElsewhere)
{
    struct Case {
        std::string name;
        bool safe;
    };
    const Case cases[] = {
        {"readme.txt", true},
        {"data/deep/b.txt", true},
        {"data\\deep\\", true},
        {"..a/b..c/x..y", true},
        {".hidden", true},
        {"\xCC\xEC\xC6\xF8.txt", true},
        {"notes" TRAIL_5C, true},
        // The dots follow a character, not a separator: one step "a乗..b".
        {"a" TRAIL_5C "..b\\c", true},
        // Second bytes that are also ASCII characters Windows refuses, inside characters.
        {"\x81|.txt", true},
        {"\x81\x40\x81\x7E", true},
        // Device names only as a whole step, before its extension.
        {"console.txt", true},
        {"nul_/com10/lpt", true},
        {"com/aux1.txt", true},
        {"", false},
        // Steps that lead out of the target.
        {"../escape.txt", false},
        {"..\\escape.txt", false},
        {"sub/../../escape.txt", false},
        {"sub/..", false},
        {"sub/.. /x", false},
        {"sub/.../x", false},
        {TRAIL_5C "/../../x", false},
        // Rooted, network and drive paths, and streams.
        {"/rooted.txt", false},
        {"\\rooted.txt", false},
        {"\\\\server\\share\\x", false},
        {"C:/escape.txt", false},
        {"C:escape.txt", false},
        {"file.txt:stream", false},
        // The file calls see only the bytes before a NUL: "..".
        {std::string("..\0/x.txt", 9), false},
        {std::string("a\0", 2), false},
        {"data/a\x01z.txt", false},
        {"tab\there", false},
        {"line\r\nbreak", false},
        {"a\x1F", false},
        {"a<b", false},
        {"a>b", false},
        {"say\"hi\"", false},
        {"a|b", false},
        {"why?.txt", false},
        {"*.txt", false},
        // Windows drops a step's closing dots and spaces: these are other names.
        {"Skyvane.exe.", false},
        {"Skyvane.exe ", false},
        {"data./x.txt", false},
        {"data /x.txt", false},
        {"./a.txt", false},
        {"a/./b.txt", false},
        {" ", false},
        // Devices, whatever the case and the extension.
        {"CON", false},
        {"nul.txt", false},
        {"data/Aux.tar.gz", false},
        {"prn", false},
        {"COM1", false},
        {"lpt9.log", false},
        {"com0", false},
        {"Nul .txt", false},
        {"CONIN$", false},
        {"conout$.x", false},
        {"sub/con/x.txt", false},
        // A lead byte whose second byte is missing would take the next byte with it: here the
        // "/" that "\" becomes.
        {"data\x81/x.txt", false},
        {"\x81/../../x", false},
        {"end\xFE", false},
        {"\x81\x7F", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << testing::PrintToString(c.name);
    }
}
