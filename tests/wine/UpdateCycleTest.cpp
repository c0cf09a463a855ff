// The whole update cycle as a user meets it: the weather program runs, the updater is started,
// and at the end the new version runs from the same run directory. The real Fernhop.exe, with
// the Quillet.exe it carries, against the local share and download services; a stand-in plays
// the weather program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/fixtures/updater/RunFolder.h"
#include "tests/fixtures/updater/UpdateServices.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/SameBytes.h"

using testsupport::Fixture;
using testsupport::RecordedRequest;
using testsupport::SameBytes;

namespace {

using namespace updatertest;

// "程序正在更新，请等待。"
constexpr char kUpdatingText[] = "\xB3\xCC\xD0\xF2\xD5\xFD\xD4\xDA\xB8\xFC\xD0\xC2\xA3\xAC\xC7\xEB"
                                 "\xB5\xC8\xB4\xFD\xA1\xA3";

const RecordedRequest* FindRequest(const std::vector<RecordedRequest>& requests,
                                   const std::string& target)
{
    for (const RecordedRequest& request : requests) {
        if (request.target == target) {
            return &request;
        }
    }
    return nullptr;
}

TEST(UpdateCycle, ReplacesTheProgramAndStartsTheNewVersion)
{
    ASSERT_TRUE(Fixture::Reset());
    ASSERT_TRUE(ServeNote(NoteHtml("1.0.0.1")));
    ASSERT_TRUE(ServeDownload(Archive("update-package.zip")));

    const auto standIn = Contents(StandIn());
    ASSERT_TRUE(standIn);
    TempDirectory run;
    ASSERT_TRUE(
        CopyFileA(BuiltProgram("Fernhop.exe").c_str(), (run / "Fernhop.exe").c_str(), FALSE));
    // The old weather program: the stand-in (version 1.0.0.0) with bytes of its own behind it,
    // so that its replacement shows.
    ASSERT_TRUE(Write(run / "Skyvane.exe", *standIn + "old build"));
    ASSERT_TRUE(Write(run / "Skyvane.exe.stay", ""));
    ASSERT_TRUE(Write(run / "readme.txt", "version 1.0.0.0\r\n"));
    ASSERT_TRUE(Write(run / "Config.ini", "[PCS]\r\nTo=1\r\n"));

    Process weather(run / "Skyvane.exe");
    ASSERT_TRUE(weather.Started());
    ASSERT_EQ(StartedWhenThere(run, "Skyvane.exe"), "Skyvane.exe\r\n");
    // The new version, once started, ends at once.
    DeleteFileA((run / "Skyvane.exe.stay").c_str());

    Process updater(run / "Fernhop.exe");
    ASSERT_TRUE(updater.Started());
    bool sawUpdatingBox = false;
    for (int i = 0; i < 600 && updater.WaitForEnd(50) == -1; ++i) {
        for (const std::string& text : BoxTextsOf("Fernhop.exe")) {
            sawUpdatingBox = sawUpdatingBox || text == kUpdatingText;
        }
    }
    EXPECT_EQ(updater.WaitForEnd(0), 0);
    EXPECT_TRUE(sawUpdatingBox);
    // The old program was stopped for the files to be replaced.
    EXPECT_EQ(weather.WaitForEnd(30000), 0);

    // Stage 1 hands over to the unpacker, which starts the updater again; its second stage
    // removes the unpacker and starts the new version.
    EXPECT_EQ(StartedWhenThere(run, "Skyvane.exe\r\nSkyvane.exe\r\n", 30000),
              "Skyvane.exe\r\nSkyvane.exe\r\n");
    EXPECT_TRUE(WaitUntil([&] { return !Exists(run / "Quillet.exe"); }, std::chrono::seconds(30)));
    EXPECT_FALSE(Exists(run / "Temp.zip"));
    EXPECT_TRUE(SameBytes(Contents(run / "Skyvane.exe"), standIn));
    EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "version 1.0.0.1\r\n"));
    EXPECT_TRUE(SameBytes(Contents(run / "data\\notes.txt"), "notes"));
    EXPECT_TRUE(SameBytes(Contents(run / "Config.ini"), "[PCS]\r\nTo=1\r\n"));
    EXPECT_TRUE(Exists(run / "Fernhop.exe"));

    const auto requests = Fixture::Requests();
    EXPECT_NE(FindRequest(requests,
                          std::string(kShareViewPath) + "?refer=unknown_windows&g_tk=5820417396"),
              nullptr);
    EXPECT_NE(FindRequest(requests, "/file/?BmBXOFgzVGQ"), nullptr);
    const RecordedRequest* package = FindRequest(requests, kPackagePath);
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(package->Header("User-Agent"), kDownloaderAgent);
    // One note read: the second stage goes by the unpacker's file alone.
    int noteReads = 0;
    for (const RecordedRequest& request : requests) {
        noteReads += request.target.rfind(kShareViewPath, 0) == 0;
    }
    EXPECT_EQ(noteReads, 1);
}

// Without a version to compare, any version in the note counts as newer.
TEST(UpdateCycle, InstallsTheProgramWhenNoVersionIsFound)
{
    const char* const cases[] = {"no weather program", "a weather program without a version"};
    for (const char* name : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Fixture::Reset());
        ASSERT_TRUE(ServeNote(NoteHtml("0.0.1")));
        ASSERT_TRUE(ServeDownload(Archive("update-package.zip")));
        TempDirectory run;
        ASSERT_TRUE(
            CopyFileA(BuiltProgram("Fernhop.exe").c_str(), (run / "Fernhop.exe").c_str(), FALSE));
        if (name == cases[1]) {
            ASSERT_TRUE(Write(run / "Skyvane.exe", "no program, no version resource"));
        }
        Process updater(run / "Fernhop.exe");
        EXPECT_EQ(updater.WaitForEnd(30000), 0);
        EXPECT_EQ(StartedWhenThere(run, "Skyvane.exe", 30000), "Skyvane.exe\r\n");
        EXPECT_TRUE(SameBytes(Contents(run / "Skyvane.exe"), Contents(StandIn())));
        EXPECT_TRUE(SameBytes(Contents(run / "readme.txt"), "version 1.0.0.1\r\n"));
        EXPECT_TRUE(
            WaitUntil([&] { return !Exists(run / "Quillet.exe"); }, std::chrono::seconds(30)));
        EXPECT_FALSE(Exists(run / "Temp.zip"));
    }
}

} // namespace
