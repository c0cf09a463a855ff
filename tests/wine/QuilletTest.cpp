// The unpacker: its zip extraction over archives made by Python's zip writer
// (tests/fixtures/updater/make-zips.py), and the built Quillet.exe run from a run directory of
// its own with a stand-in updater.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/fixtures/updater/RunFolder.h"
#include "tests/support/SameBytes.h"
#include "toolkit/ScopedWin.h"
#include "updater/ZipExtract.h"

using testsupport::SameBytes;
using testsupport::SameTree;
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

// Wine lets its root user write over a read-only file, as Windows lets nobody: the unpacker
// does not either.
TEST(ZipExtract, AFileThatCannotBeReplacedLeavesEveryFileAsItWas)
{
    TempDirectory run;
    CreateDirectoryA((run / "data").c_str(), nullptr);
    CreateDirectoryA((run / "data\\deep").c_str(), nullptr);
    ASSERT_TRUE(Write(run / "readme.txt", "old readme"));
    ASSERT_TRUE(Write(run / "data\\deep\\b.txt", "old b"));
    ASSERT_TRUE(SetFileAttributesA((run / "data\\deep\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const Tree before = TreeOf(run.Path());
    EXPECT_EQ(ZipExtract(Archive("tree-slashes.zip"), run.Path()), 0);
    EXPECT_TRUE(SameTree(TreeOf(run.Path()), before));
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
    // Data that ends before the size both headers give, its check sum that of what is there:
    // the reader alone would take it for the whole entry.
    for (const char* archive : {"bad-short-deflated.zip", "bad-short-stored.zip"}) {
        SCOPED_TRACE(archive);
        EXPECT_EQ(ZipExtract(Archive(archive), run.Path()), 0);
        EXPECT_FALSE(Exists(run / "Skyvane.exe"));
        EXPECT_FALSE(Exists(run / "readme.txt"));
    }
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

struct ChangeNotificationTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { FindCloseChangeNotification(handle); }
};
// Signalled when anything below the directory is made, renamed, removed or written.
using ScopedChangeNotification = toolkit::ScopedResource<ChangeNotificationTraits>;

ScopedChangeNotification WatchForChanges(const std::string& directory)
{
    return ScopedChangeNotification(
        FindFirstChangeNotificationA(directory.c_str(), TRUE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                         FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
}

// Once the unpacker's window is up, its first step runs; one that did not wait for the
// updater's file would be writing into the run directory, or done, within moments. This is
// several times as long as that takes on a loaded machine.
constexpr DWORD kUnpackerQuietMs = 5000;

// The names of the unpacker's temporary files (new contents and old copies) in the directory.
std::vector<std::string> TemporaryFilesIn(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\ql*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The unpacker's part of an update as it runs in the field: the package as Temp.zip, the
// updater beside it, and the start record of what runs next. Where the real updater lies
// beside it, its second stage removes the unpacker and starts the weather program (a
// stand-in) again.
TEST(Quillet, HandsOverWithoutBreakingTheInstallation)
{
    // "乗" in code page 936: its second byte is the backslash byte.
    const std::string trail5C = "\x81\x5C";
    const auto standIn = Contents(StandIn());
    ASSERT_TRUE(standIn);
    const std::string oldProgram = *standIn + "old build";
    struct File {
        std::string path;                    // in the run directory
        std::optional<std::string> contents; // none: the file must not be there
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
         {{"Fernhop.exe", *standIn}, {"readme.txt", "new readme\r\n"}}},
        {"a package damaged after good entries",
         "",
         "corrupt-package.zip",
         false,
         "Skyvane.exe\r\n",
         {{"Skyvane.exe", oldProgram},
          {"readme.txt", "old readme\r\n"},
          {"data\\notes.txt", std::nullopt},
          {"broken.txt", std::nullopt}}},
        {"names that end in a character with a backslash byte",
         trail5C,
         "gbk-trail-package.zip",
         false,
         "Skyvane.exe\r\n",
         {{"readme.txt", "new readme\r\n"},
          {"notes" + trail5C, "gbk trail"},
          {"data" + trail5C + "\\inner.txt", "inner"}}},
        // The running unpacker's file could only be moved aside, never removed: its old image
        // would outlive the update as a backup.
        {"a package that carries the unpacker",
         "",
         "unpacker-self-package.zip",
         false,
         "Skyvane.exe\r\n",
         {{"readme.txt", "new readme\r\n"}, {"Skyvane.exe", oldProgram}}},
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
        ScopedChangeNotification changes;
        if (c.updaterStillEnding) {
            updaterFile.Reset(CreateFileA((run / "Fernhop.exe").c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(updaterFile);
            changes = WatchForChanges(run.Path());
            ASSERT_TRUE(changes);
        }
        Process unpacker(run / "Quillet.exe");
        ASSERT_TRUE(unpacker.Started());
        if (c.updaterStillEnding) {
            ASSERT_TRUE(WaitUntil([&] { return HasWindow(unpacker.Id()) || !unpacker.Running(); },
                                  std::chrono::seconds(30)));
            // Nothing is written, and the unpacker does not go on, while the updater's file is
            // held.
            HANDLE events[] = {changes.Get(), unpacker.Handle()};
            EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, kUnpackerQuietMs), WAIT_TIMEOUT);
            EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "old readme\r\n"));
            EXPECT_TRUE(Exists(run / "Temp.zip"));
            updaterFile.Reset();
        }
        EXPECT_EQ(unpacker.WaitForEnd(30000), 0);
        EXPECT_EQ(StartedWhenThere(run, c.started, 30000), c.started);

        for (const File& file : c.expected) {
            SCOPED_TRACE(file.path);
            if (file.contents) {
                EXPECT_TRUE(SameBytes(Contents(run / file.path), file.contents));
            } else {
                EXPECT_FALSE(Exists(run / file.path));
            }
        }
        EXPECT_FALSE(Exists(run / "Temp.zip"));
        if (!c.updaterStillEnding) {
            EXPECT_TRUE(
                WaitUntil([&] { return !Exists(run / "Quillet.exe"); }, std::chrono::seconds(30)));
        }
        // Nothing landed beside the run directory under a name run together with its own.
        EXPECT_FALSE(Exists(run.Path() + "readme.txt"));
        // No new or old copy of a file is left once the update is done.
        EXPECT_EQ(TemporaryFilesIn(run.Path()), std::vector<std::string>{});
    }
}

constexpr char kOldProgram[] = "the old weather program";

// The installation an update finds, in a run directory that the test keeps inside a folder of
// its own, so that anything written beside or above it shows as well: the unpacker, the
// package as Temp.zip, a stand-in updater (it only notes that it was started) and the old
// files.
::testing::AssertionResult PrepareRun(const std::string& run, const std::string& package)
{
    if (!CreateDirectoryA(run.c_str(), nullptr) ||
        !CreateDirectoryA((run + "\\data").c_str(), nullptr)) {
        return ::testing::AssertionFailure() << "no run directory";
    }
    const bool copied =
        CopyFileA(BuiltProgram("Quillet.exe").c_str(), (run + "\\Quillet.exe").c_str(), FALSE) &&
        CopyFileA(StandIn().c_str(), (run + "\\Fernhop.exe").c_str(), FALSE) &&
        CopyFileA(Archive(package).c_str(), (run + "\\Temp.zip").c_str(), FALSE);
    const bool written = Write(run + "\\Skyvane.exe", kOldProgram) &&
                         Write(run + "\\readme.txt", "old readme\r\n") &&
                         Write(run + "\\data\\notes.txt", "old notes") &&
                         Write(run + "\\Config.ini", "[PCS]\r\nTo=1\r\n");
    if (!copied || !written) {
        return ::testing::AssertionFailure() << "the run directory could not be filled";
    }
    return ::testing::AssertionSuccess();
}

// What the unpacker leaves of a package that is not installed: the tree it found, without the
// package, and the start record of the updater.
Tree Untouched(Tree before)
{
    before.erase("run\\Temp.zip");
    before["run\\started.txt"] = "Fernhop.exe\r\n";
    return before;
}

// A package that cannot be installed whole is not installed at all. Each has good entries
// before and after the one that spoils it, and the files it would replace are there.
TEST(Quillet, RefusesAPackageThatCannotBeInstalledWhole)
{
    enum class Held { Nothing, InUse, ReadOnly }; // what is done to the old Skyvane.exe
    struct Case {
        const char* name;
        const char* package;
        Held held = Held::Nothing;
    };
    const Case cases[] = {
        {"deflated data that ends before its size", "bad-short-deflated.zip"},
        {"stored data that ends before its size", "bad-short-stored.zip"},
        {"data that fails its check sum", "bad-check-sum.zip"},
        {"a NUL byte in a name", "bad-nul-name.zip"},
        {"a control byte in a name", "bad-control-name.zip"},
        {"a character Windows refuses in names", "bad-refused-character.zip"},
        {"a device name", "bad-device-name.zip"},
        {"a name that ends in a dot", "bad-trailing-dot.zip"},
        {"a name that ends in a space", "bad-trailing-space.zip"},
        {"a lead byte before a slash", "bad-lone-lead-byte.zip"},
        {"a name the file system refuses", "bad-long-name.zip"},
        // The entries before it are in place by the time it is tried, and are put back.
        {"a file that stays in use", "install-package.zip", Held::InUse},
        {"a read-only file", "install-package.zip", Held::ReadOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory root;
        const std::string run = root / "run";
        ASSERT_TRUE(PrepareRun(run, c.package));
        const std::string program = run + "\\Skyvane.exe";
        if (c.held == Held::ReadOnly) {
            ASSERT_TRUE(SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        const Tree before = TreeOf(root.Path());
        // As a running program holds its own file.
        toolkit::ScopedHandle inUse;
        if (c.held == Held::InUse) {
            inUse.Reset(CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(inUse);
        }

        Process unpacker(run + "\\Quillet.exe");
        ASSERT_TRUE(unpacker.Started());
        bool sawNewReadme = false;
        WaitUntil(
            [&] {
                sawNewReadme =
                    sawNewReadme || Contents(run + "\\readme.txt") == std::string("new readme\r\n");
                return !unpacker.Running();
            },
            std::chrono::seconds(60));
        EXPECT_EQ(unpacker.WaitForEnd(0), 0);
        inUse.Reset();
        if (c.held == Held::InUse) {
            EXPECT_TRUE(sawNewReadme);
        }
        if (c.held == Held::ReadOnly) {
            EXPECT_NE(GetFileAttributesA(program.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        }

        EXPECT_EQ(StartedWhenThere(run, "Fernhop.exe\r\n"), "Fernhop.exe\r\n");
        // Every file as it was, nothing beside or above the run directory, no temporary or old
        // copy left, and no package.
        EXPECT_TRUE(SameTree(TreeOf(root.Path()), Untouched(before)));
    }
}

TEST(Quillet, InstallsAWholePackage)
{
    struct Case {
        const char* name;
        // The old Skyvane.exe in use until the files before it are in place.
        bool programLetGoDuringTheRetries;
    };
    const Case cases[] = {
        {"nothing in use", false},
        {"a file let go while the unpacker tries again", true},
    };
    const auto standIn = Contents(StandIn());
    ASSERT_TRUE(standIn);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory root;
        const std::string run = root / "run";
        ASSERT_TRUE(PrepareRun(run, "install-package.zip"));
        Tree expected = Untouched(TreeOf(root.Path()));
        expected["run\\readme.txt"] = "new readme\r\n";
        expected["run\\data\\notes.txt"] = "new notes";
        expected["run\\added\\"] = "";
        expected["run\\added\\new.txt"] = "added";
        expected["run\\Skyvane.exe"] = *standIn;
        expected["run\\data\\more\\"] = "";
        expected["run\\data\\more\\after.txt"] = "after";
        const std::string program = run + "\\Skyvane.exe";
        toolkit::ScopedHandle inUse;
        if (c.programLetGoDuringTheRetries) {
            inUse.Reset(CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(inUse);
        }

        Process unpacker(run + "\\Quillet.exe");
        ASSERT_TRUE(unpacker.Started());
        if (c.programLetGoDuringTheRetries) {
            // The files before it are moved in just before it is first tried.
            ASSERT_TRUE(WaitUntil(
                [&] { return Contents(run + "\\readme.txt") == std::string("new readme\r\n"); },
                std::chrono::seconds(30)));
            EXPECT_TRUE(unpacker.Running());
            inUse.Reset();
        }
        EXPECT_EQ(unpacker.WaitForEnd(30000), 0);
        EXPECT_EQ(StartedWhenThere(run, "Fernhop.exe\r\n"), "Fernhop.exe\r\n");
        EXPECT_TRUE(SameTree(TreeOf(root.Path()), expected));
    }
}

} // namespace
