// Message and input boxes answered the way a user answers them, and the file and shell services,
// each case that writes files in a directory of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "tests/support/UiDriver.h"

using namespace framework;
using testsupport::BoxAnswerer;

namespace {

// "信息："
constexpr char kDefaultTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";
constexpr WindowId kOwnerWindow = 1;

const WindowTemplate kOwnerTemplate = {
    .id = kOwnerWindow, .unit = 1, .name = "owner", .caption = "owner", .width = 200, .height = 80};
const WindowTemplate* const kTemplates[] = {&kOwnerTemplate};

class ServicesEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(Initialise({}, kTemplates)); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServicesEnvironment);

std::string TempDirectory(const char* what)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static int counter = 0;
    std::string path = std::string(base) + "skyvane-" + what + "-" +
                       std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

TEST(ShowMessage, ButtonPressedGivesItsResult)
{
    struct Case {
        Word flags;
        int button;
        int result;
    } cases[] = {
        {MB_OK, IDOK, 0},
        {MB_OKCANCEL, IDCANCEL, 1},
        {MB_ABORTRETRYIGNORE, IDABORT, 2},
        {MB_RETRYCANCEL, IDRETRY, 3},
        {MB_ABORTRETRYIGNORE, IDIGNORE, 4},
        {36, IDYES, 5},
        {36, IDNO, 6},
    };
    for (const Case& c : cases) {
        BoxAnswerer user("question", c.button);
        EXPECT_EQ(ShowMessage("text of the box", c.flags, GbkText("question")), c.result)
            << "flags " << c.flags << " button " << c.button;
        const auto& seen = user.Join();
        EXPECT_TRUE(seen.found);
        EXPECT_EQ(seen.text, "text of the box");
    }
}

TEST(ShowMessage, TitleAbsentShowsTheDefaultGivenEmptyShowsNone)
{
    {
        BoxAnswerer user(kDefaultTitle, IDOK);
        EXPECT_EQ(ShowMessage("absent"), 0);
        EXPECT_TRUE(user.Join().found);
    }
    {
        BoxAnswerer user("", IDOK);
        EXPECT_EQ(ShowMessage("empty", 0, GbkText()), 0);
        EXPECT_TRUE(user.Join().found) << "a box with no title";
    }
}

TEST(ShowMessage, OwnedByTheWindowNamed)
{
    ASSERT_TRUE(LoadWindow(kOwnerWindow));
    HWND owner = WindowHandle(kOwnerWindow);
    BoxAnswerer user("owned", IDOK);
    EXPECT_EQ(ShowMessage("x", 0, GbkText("owned"), kOwnerWindow), 0);
    const auto& seen = user.Join();
    EXPECT_EQ(seen.owner, owner);
    EXPECT_TRUE(IsWindowEnabled(owner)) << "given back after the box";
    CloseUnit(kOwnerWindow, 1);
}

TEST(ShowMessage, TaskModalUnlessSystemModalIsAsked)
{
    ASSERT_TRUE(LoadWindow(kOwnerWindow));
    HWND window = WindowHandle(kOwnerWindow);
    struct Case {
        Word flags;
        bool windowEnabledDuringBox;
    } cases[] = {{MB_OK, false}, {MB_OK | MB_SYSTEMMODAL, true}};
    for (const Case& c : cases) {
        bool enabledDuringBox = !c.windowEnabledDuringBox;
        std::thread user([&] {
            HWND box = testsupport::WaitForTopWindow("#32770", "modality");
            enabledDuringBox = IsWindowEnabled(window) != FALSE;
            testsupport::PressButton(box, IDOK);
        });
        EXPECT_EQ(ShowMessage("no owner", c.flags, GbkText("modality")), 0);
        user.join();
        EXPECT_EQ(enabledDuringBox, c.windowEnabledDuringBox) << "flags " << c.flags;
        EXPECT_TRUE(IsWindowEnabled(window));
    }
    CloseUnit(kOwnerWindow, 1);
}

TEST(ShowMessage, FromAWorkerThreadWithTheOwnerOnTheInterfaceThread)
{
    ASSERT_TRUE(LoadWindow(kOwnerWindow));
    int result = -1;
    std::thread worker(
        [&] { result = ShowMessage("worker", 36, GbkText("from worker"), kOwnerWindow); });
    BoxAnswerer user("from worker", IDYES);
    testsupport::PumpUntil([&] { return result != -1; });
    worker.join();
    EXPECT_EQ(result, 5);
    CloseUnit(kOwnerWindow, 1);
}

TEST(AskText, OkStoresTheEntryCancelLeavesTheValue)
{
    {
        GbkText value = "before";
        // "广东"
        BoxAnswerer user("", IDOK, "\xB9\xE3\xB6\xAB");
        EXPECT_TRUE(AskText("province?", std::nullopt, std::nullopt, value, 1, std::nullopt));
        const auto& seen = user.Join();
        EXPECT_TRUE(seen.found);
        EXPECT_NE(seen.text.find("province?"), std::string::npos);
        EXPECT_EQ(value, "\xB9\xE3\xB6\xAB");
    }
    {
        GbkText value = "before";
        BoxAnswerer user("caption", IDCANCEL, "typed");
        EXPECT_FALSE(
            AskText("city?", GbkText("caption"), GbkText("start"), value, 1, std::nullopt));
        EXPECT_TRUE(user.Join().found);
        EXPECT_EQ(value, "before");
    }
}

TEST(AskText, InitialTextIsOfferedAndKeptOnOk)
{
    ASSERT_TRUE(LoadWindow(kOwnerWindow));
    GbkText value;
    BoxAnswerer user("with initial", IDOK);
    EXPECT_TRUE(AskText("p", GbkText("with initial"), GbkText("initial"), value, 1, kOwnerWindow));
    EXPECT_EQ(user.Join().owner, WindowHandle(kOwnerWindow));
    EXPECT_EQ(value, "initial");
    CloseUnit(kOwnerWindow, 1);
}

TEST(ScreenSize, IsTheDisplays)
{
    EXPECT_EQ(ScreenWidth(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(ScreenHeight(), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(ScreenWidth(), 0);
}

TEST(PlaySoundFile, FilesThatAreNoWaveArePlayedNot)
{
    std::string directory = TempDirectory("sound");
    std::string notWave = directory + "\\not.wav";
    ASSERT_TRUE(
        WriteWholeFile(notWave, ByteSet{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}));
    EXPECT_FALSE(PlaySoundFile(directory + "\\missing.wav"));
    EXPECT_FALSE(PlaySoundFile(notWave));
    RemoveFile(notWave);
    RemoveDirectoryA(directory.c_str());
}

TEST(Files, WriteWholeFileReplacesRemoveFileDeletes)
{
    std::string directory = TempDirectory("files");
    std::string file = directory + "\\Temp.zip";
    ASSERT_TRUE(WriteWholeFile(file, ByteSet{'l', 'o', 'n', 'g', 'e', 'r'}));
    ASSERT_TRUE(WriteWholeFile(file, ByteSet{'a', '\0', 'b'}));
    EXPECT_EQ(ReadBytes(file), std::string("a\0b", 3));
    ASSERT_TRUE(WriteWholeFile(file, ByteSet{}));
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_TRUE(RemoveFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(RemoveFile(file));
    EXPECT_FALSE(WriteWholeFile(directory + "\\no such folder\\x", ByteSet{1}));
    RemoveDirectoryA(directory.c_str());
}

TEST(Shell, SpecialFolderEndsWithABackslash)
{
    GbkText startup = SpecialFolderPath(7);
    ASSERT_FALSE(startup.empty());
    EXPECT_EQ(startup.back(), '\\');
}

TEST(Shell, ShortcutGetsItsExtensionAndTarget)
{
    std::string directory = TempDirectory("link");
    std::string target = RunDirectory() + "\\" + OwnFileName();
    ASSERT_TRUE(CreateShortcut(directory + "\\Skyvane", target));
    EXPECT_TRUE(FileExists(directory + "\\Skyvane.lnk"));
    ASSERT_TRUE(CreateShortcut(directory + "\\Other.LNK", target));
    EXPECT_TRUE(FileExists(directory + "\\Other.LNK"));
    EXPECT_FALSE(FileExists(directory + "\\Other.LNK.lnk"));
    EXPECT_FALSE(CreateShortcut(directory + "\\no such folder\\x.lnk", target));
    RemoveFile(directory + "\\Skyvane.lnk");
    RemoveFile(directory + "\\Other.LNK");
    RemoveDirectoryA(directory.c_str());
}

TEST(Shell, RunCommandLineWaitsWhenAsked)
{
    std::string directory = TempDirectory("run");
    std::string marker = directory + "\\ran.txt";
    EXPECT_TRUE(RunCommandLine("cmd.exe /c echo ran>\"" + marker + "\"", true, 1));
    EXPECT_TRUE(FileExists(marker)) << "the process has ended when a waiting run returns";
    EXPECT_FALSE(RunCommandLine(directory + "\\missing.exe", true, 1));
    RemoveFile(marker);
    RemoveDirectoryA(directory.c_str());
}

TEST(Shell, VersionInfoOfTheBuiltProgramAndOfAFileWithout)
{
    TextArray version = ReadFileVersionInfo(RunDirectory() + "\\..\\bin\\Skyvane.exe");
    ASSERT_EQ(version.size(), 11u);
    EXPECT_FALSE(version[0].empty());
    EXPECT_NE(version[0].find('.'), std::string::npos) << version[0];
    TextArray none = ReadFileVersionInfo(RunDirectory() + "\\" + OwnFileName());
    ASSERT_EQ(none.size(), 11u);
    for (const GbkText& text : none) {
        EXPECT_TRUE(text.empty());
    }
}
