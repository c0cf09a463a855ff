// The unpacker: its zip extraction over archives made by Python's zip writer
// (tests/fixtures/updater/make-zips.py), and the built Quillet.exe run from a run directory of
// its own with a stand-in updater.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/fixtures/updater/RunFolder.h"
#include "tests/support/SameBytes.h"
#include "toolkit/ScopedWin.h"
#include "updater/ZipExtract.h"

using testsupport::SameBytes;
using updater::ZipExtract;

namespace {

using namespace updatertest;

// The long file of the tree archives, as make-zips.py writes it.
std::string BigFile()
{
    std::string text;
    char line[80];
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(line, sizeof line, "line %05d of a file longer than one write piece\r\n", i);
        text += line;
    }
    return text;
}

TEST(ZipExtract, ArgumentsAndMissingArchives)
{
    TempDirectory run;
    struct Case {
        const char* name;
        std::string zip;
        std::string target;
    };
    const Case cases[] = {
        {"no archive named", "", run.Path()},
        {"no target named", Archive("tree-slashes.zip"), ""},
        {"archive missing", run / "Temp.zip", run.Path()},
        {"a directory is no archive", run.Path(), run / "out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZipExtract(c.zip, c.target), -1);
    }
    EXPECT_FALSE(Exists(run / "out"));
}

TEST(ZipExtract, EitherSeparatorGivesTheSameTree)
{
    for (const char* archive : {"tree-slashes.zip", "tree-backslashes.zip"}) {
        SCOPED_TRACE(archive);
        TempDirectory run;
        // Missing target directories are made with their parents.
        const std::string target = run / "a\\b";
        ASSERT_EQ(ZipExtract(Archive(archive), target), 1);
        EXPECT_TRUE(SameBytes(Contents(target + "\\readme.txt"), "new readme\r\n"));
        EXPECT_TRUE(SameBytes(Contents(target + "\\data\\a.txt"), BigFile()));
        EXPECT_TRUE(SameBytes(Contents(target + "\\data\\deep\\b.txt"), "b"));
        EXPECT_TRUE(IsDirectory(target + "\\empty"));
        EXPECT_TRUE(IsDirectory(target + "\\bare"));
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((target + "\\empty\\*.txt").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
        }
    }
}

TEST(ZipExtract, ReplacesFilesAndLeavesThemNormal)
{
    TempDirectory run;
    ASSERT_TRUE(Write(run / "readme.txt", "old readme, longer than the new one\r\n"));
    ASSERT_EQ(ZipExtract(Archive("tree-slashes.zip"), run.Path()), 1);
    EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "new readme\r\n"));

    // A target with its closing backslash takes no second one.
    ASSERT_EQ(ZipExtract(Archive("attributes.zip"), run.Path() + "\\"), 1);
    EXPECT_TRUE(SameBytes(Contents(run / "locked.txt"), "locked"));
    const DWORD attributes = GetFileAttributesA((run / "locked.txt").c_str());
    EXPECT_EQ(
        attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
    // So a second update can replace it.
    EXPECT_EQ(ZipExtract(Archive("attributes.zip"), run.Path()), 1);

    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA((run / "dated.txt").c_str(), GetFileExInfoStandard, &data));
    FILETIME local{};
    SYSTEMTIME stamp{};
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &stamp);
    EXPECT_EQ(stamp.wYear, 2020);
    EXPECT_EQ(stamp.wMonth, 5);
    EXPECT_EQ(stamp.wDay, 17);
    EXPECT_EQ(stamp.wHour, 10);
    EXPECT_EQ(stamp.wMinute, 30);
}

// A file in use (here held open without sharing) cannot be replaced. A read-only file would
// do on Windows, but the tests run Wine as root, whom no file refuses.
TEST(ZipExtract, FileThatCannotBeReplacedStopsTheExtractionAtItsEntry)
{
    TempDirectory run;
    CreateDirectoryA((run / "data").c_str(), nullptr);
    CreateDirectoryA((run / "data\\deep").c_str(), nullptr);
    ASSERT_TRUE(Write(run / "data\\deep\\b.txt", "old b"));
    HANDLE inUse = CreateFileA((run / "data\\deep\\b.txt").c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ZipExtract(Archive("tree-slashes.zip"), run.Path()), 0);
    CloseHandle(inUse);
    // The entries before it stay; nothing after it is made.
    EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "new readme\r\n"));
    EXPECT_TRUE(SameBytes(Contents(run / "data\\a.txt"), BigFile()));
    EXPECT_TRUE(SameBytes(Contents(run / "data\\deep\\b.txt"), "old b"));
    EXPECT_FALSE(Exists(run / "empty"));
    EXPECT_FALSE(Exists(run / "bare"));
}

TEST(ZipExtract, RefusesEntriesThatLeaveTheTarget)
{
    for (const char* archive :
         {"unsafe-parent.zip", "unsafe-parent-backslash.zip", "unsafe-parent-inside.zip",
          "unsafe-parent-space.zip", "unsafe-rooted.zip", "unsafe-drive.zip"}) {
        SCOPED_TRACE(archive);
        TempDirectory run;
        const std::string target = run / "inner";
        EXPECT_EQ(ZipExtract(Archive(archive), target), 0);
        // The names are checked before anything is written.
        EXPECT_FALSE(Exists(target + "\\first.txt"));
        EXPECT_FALSE(Exists(run / "escape.txt"));
        EXPECT_FALSE(Exists(target + "\\rooted.txt"));
        EXPECT_FALSE(Exists(target + "\\after.txt"));
    }
}

TEST(ZipExtract, UnreadableArchives)
{
    TempDirectory run;
    EXPECT_EQ(ZipExtract(Archive("not-a-zip.zip"), run.Path()), 0);
    // The data of the broken entry fails its check sum: not even the good entry before it is
    // written, and a file of that name keeps its old contents.
    ASSERT_TRUE(Write(run / "first.txt", "old first"));
    EXPECT_EQ(ZipExtract(Archive("corrupt.zip"), run.Path()), 0);
    EXPECT_TRUE(SameBytes(Contents(run / "first.txt"), "old first"));
    EXPECT_FALSE(Exists(run / "broken.txt"));
}

TEST(ZipExtract, NamesStayAsStored)
{
    TempDirectory run;
    ASSERT_EQ(ZipExtract(Archive("chinese-name.zip"), run.Path()), 1);
    // "天气.txt" in code page 936, as the archive stores it.
    EXPECT_TRUE(SameBytes(Contents(run / "\xCC\xEC\xC6\xF8.txt"), "gbk"));
}

// Runs Quillet.exe from the run directory and waits for it to end; its exit code, or -1.
int RunUnpacker(const TempDirectory& run)
{
    Process unpacker(run / "Quillet.exe");
    return unpacker.WaitForEnd(30000);
}

TEST(Quillet, UnpacksOverTheRunDirectoryAndStartsTheNewUpdater)
{
    TempDirectory run;
    ASSERT_TRUE(
        CopyFileA(BuiltProgram("Quillet.exe").c_str(), (run / "Quillet.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(Archive("unpacker-package.zip").c_str(), (run / "Temp.zip").c_str(), FALSE));
    ASSERT_TRUE(Write(run / "readme.txt", "old readme\r\n"));
    ASSERT_TRUE(Write(run / "Fernhop.exe", "an old updater"));
    ASSERT_TRUE(Write(run / "Config.ini", "[PCS]\r\nTo=1\r\n"));

    EXPECT_EQ(RunUnpacker(run), 0);
    // The package's updater was written before it was started: the stand-in says so.
    EXPECT_EQ(StartedWhenThere(run, "Fernhop.exe"), "Fernhop.exe\r\n");
    EXPECT_TRUE(SameBytes(Contents(run / "Fernhop.exe"), Contents(StandIn())));
    EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "new readme\r\n"));
    EXPECT_TRUE(SameBytes(Contents(run / "data\\notes.txt"), "notes"));
    EXPECT_TRUE(SameBytes(Contents(run / "Config.ini"), "[PCS]\r\nTo=1\r\n"));
    EXPECT_FALSE(Exists(run / "Temp.zip"));
}

TEST(Quillet, StartsTheUpdaterWhateverThePackage)
{
    struct Case {
        const char* name;
        const char* package; // copied in as Temp.zip; null: none
    };
    const Case cases[] = {
        {"no zip", "not-a-zip.zip"},
        {"no package", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory run;
        ASSERT_TRUE(
            CopyFileA(BuiltProgram("Quillet.exe").c_str(), (run / "Quillet.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(StandIn().c_str(), (run / "Fernhop.exe").c_str(), FALSE));
        if (c.package != nullptr) {
            ASSERT_TRUE(CopyFileA(Archive(c.package).c_str(), (run / "Temp.zip").c_str(), FALSE));
        }
        EXPECT_EQ(RunUnpacker(run), 0);
        EXPECT_EQ(StartedWhenThere(run, "Fernhop.exe"), "Fernhop.exe\r\n");
        EXPECT_FALSE(Exists(run / "Temp.zip"));
    }
}

// The unpacker's part of an update as it runs in the field: the package as Temp.zip, the
// updater beside it, and the start record of what runs next. Where the real updater lies
// beside it, its second stage removes the unpacker and starts the weather program (a
// stand-in) again.
TEST(Quillet, HandsOverWithoutBreakingTheInstallation)
{
    // "乗" in code page 936: its second byte is the backslash byte.
    const std::string trail5C = "\x81\x5C";
    const std::string oldProgram = Contents(StandIn()) + "old build";
    struct File {
        std::string path; // in the run directory
        std::string contents;
    };
    struct Case {
        const char* name;
        std::string runEnding; // how the run directory's name ends
        const char* package;
        // The updater's file held open the while the old updater needs to end; the package
        // brings a new one (the stand-in), which the unpacker starts.
        bool updaterStillEnding;
        const char* started;
        std::vector<File> expected;
    };
    const Case cases[] = {
        {"a new updater while the old one still ends",
         "",
         "unpacker-package.zip",
         true,
         "Fernhop.exe\r\n",
         {{"Fernhop.exe", Contents(StandIn())}, {"readme.txt", "new readme\r\n"}}},
        {"a package damaged after good entries",
         "",
         "corrupt-package.zip",
         false,
         "Skyvane.exe\r\n",
         {{"Skyvane.exe", oldProgram},
          {"readme.txt", "old readme\r\n"},
          {"data\\notes.txt", "<missing>"},
          {"broken.txt", "<missing>"}}},
        {"names that end in a character with a backslash byte",
         trail5C,
         "gbk-trail-package.zip",
         false,
         "Skyvane.exe\r\n",
         {{"readme.txt", "new readme\r\n"},
          {"notes" + trail5C, "gbk trail"},
          {"data" + trail5C + "\\inner.txt", "inner"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory run(c.runEnding);
        ASSERT_TRUE(
            CopyFileA(BuiltProgram("Quillet.exe").c_str(), (run / "Quillet.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Archive(c.package).c_str(), (run / "Temp.zip").c_str(), FALSE));
        ASSERT_TRUE(Write(run / "readme.txt", "old readme\r\n"));
        if (c.updaterStillEnding) {
            ASSERT_TRUE(Write(run / "Fernhop.exe", "an old updater"));
        } else {
            ASSERT_TRUE(CopyFileA(BuiltProgram("Fernhop.exe").c_str(),
                                  (run / "Fernhop.exe").c_str(), FALSE));
            ASSERT_TRUE(Write(run / "Skyvane.exe", oldProgram));
        }

        // Held as a running program holds its own file: others may read it, not write it.
        toolkit::ScopedHandle updaterFile;
        if (c.updaterStillEnding) {
            updaterFile.Reset(CreateFileA((run / "Fernhop.exe").c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(updaterFile);
        }
        Process unpacker(run / "Quillet.exe");
        ASSERT_TRUE(unpacker.Started());
        if (c.updaterStillEnding) {
            // The time an old updater might take to end.
            Sleep(2000);
            // Nothing is written while the updater's file is held.
            EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "old readme\r\n"));
            EXPECT_TRUE(Exists(run / "Temp.zip"));
            updaterFile.Reset();
        }
        EXPECT_EQ(unpacker.WaitForEnd(30000), 0);
        EXPECT_EQ(StartedWhenThere(run, c.started, 30000), c.started);

        for (const File& file : c.expected) {
            SCOPED_TRACE(file.path);
            EXPECT_TRUE(SameBytes(Contents(run / file.path), file.contents));
        }
        EXPECT_FALSE(Exists(run / "Temp.zip"));
        if (!c.updaterStillEnding) {
            EXPECT_FALSE(Exists(run / "Quillet.exe"));
        }
        // Nothing landed beside the run directory under a name run together with its own.
        EXPECT_FALSE(Exists(run.Path() + "readme.txt"));
    }
}

} // namespace
