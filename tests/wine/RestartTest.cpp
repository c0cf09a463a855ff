// Restart through the batch file and the start-up shortcut: the short path, the script written
// into a directory with spaces and run for real (against a stand-in for the executable, so that
// the test process is not the one that restarts), the end of a process by its id, and the
// "开机自动运行" box with the start-up folder redirected to a folder of the test's own.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "tests/support/HandlerHarness.h"
#include "tests/support/UiDriver.h"
#include "toolkit/ScopedWin.h"
#include "weather/Globals.h"
#include "windows/Restart.h"
#include "windows/Templates.h"

using namespace windows;
using testsupport::ClickCheckBox;

namespace {

// The restart is tried for real in a copy of this executable (see RestartedProgram below). The
// copy, started again by its batch file without arguments, only leaves a mark and ends.
constexpr char kRestartMark[] = "SKYVANE_RESTART_MARK";

class RestartEnvironment : public testsupport::HandlerEnvironment {
public:
    void SetUp() override
    {
        char mark[MAX_PATH] = {};
        if (GetEnvironmentVariableA(kRestartMark, mark, sizeof mark) > 0 &&
            std::string(GetCommandLineA()).find("--gtest") == std::string::npos) {
            std::ofstream(mark) << "restarted";
            ExitProcess(0);
        }
        HandlerEnvironment::SetUp();
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new RestartEnvironment);

constexpr char kWritten[] = "\xC9\xE8\xD6\xC3\xB3\xC9\xB9\xA6"; // 设置成功
constexpr char kFailed[] = "\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC";  // 设置失败
constexpr char kDefaultTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";    // 信息：
// "重启失败，无法写入或运行 Restart.bat"
constexpr char kRestartFailed[] = "\xD6\xD8\xC6\xF4\xCA\xA7\xB0\xDC\xA3\xAC"
                                  "\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xBB\xF2\xD4\xCB\xD0\xD0 "
                                  "Restart.bat";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

class Restart : public testsupport::HandlerTest {
protected:
    void SetUp() override
    {
        HandlerTest::SetUp();
        // A space and Chinese characters (天气) in the directory, so that the short path matters.
        // A folder for each test: the batch files and what they start run on after a test.
        static int s_count = 0;
        m_spaced = m_folder + "\\run dir \xCC\xEC\xC6\xF8 " + std::to_string(++s_count);
        CreateDirectoryA(m_spaced.c_str(), nullptr);
        GetCurrentDirectoryA(sizeof m_oldDirectory, m_oldDirectory);
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(m_oldDirectory);
        for (const char* name : {"Restart.bat", "Long target name.cmd", "started.txt"}) {
            DeleteFileA((m_spaced + "\\" + name).c_str());
        }
        RemoveDirectoryA(m_spaced.c_str());
        HandlerTest::TearDown();
    }

    std::string m_spaced;
    char m_oldDirectory[MAX_PATH] = {};
};

TEST_F(Restart, ShortPathOfAnExistingPathHasNoSpaces)
{
    const std::string target = m_spaced + "\\Long target name.cmd";
    WriteFile(target, "exit\r\n");
    std::string shortPath = ToShortPath(target);
    ASSERT_FALSE(shortPath.empty());
    EXPECT_EQ(shortPath.find(' '), std::string::npos) << shortPath;
    EXPECT_TRUE(Exists(shortPath)) << shortPath;
    EXPECT_EQ(ToShortPath(m_spaced + "\\missing.exe"), "");
    EXPECT_EQ(ToShortPath(""), "");
}

TEST_F(Restart, ScriptStartsTheTargetByItsShortPathAndDeletesItself)
{
    // Stands in for the executable: records that it ran, beside itself.
    const std::string target = m_spaced + "\\Long target name.cmd";
    WriteFile(target, "@echo started>\"%~dp0started.txt\"\r\n@exit\r\n");
    ASSERT_TRUE(SetCurrentDirectoryA(m_spaced.c_str()));
    ASSERT_TRUE(StartRestartScript(m_spaced, target, 1));

    const std::string script = m_spaced + "\\Restart.bat";
    const std::string marker = m_spaced + "\\started.txt";
    EXPECT_TRUE(testsupport::PumpUntil([&] { return Exists(marker); }, std::chrono::seconds(20)))
        << "the target never ran";
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !Exists(script); }, std::chrono::seconds(10)))
        << "the batch file stayed:\n"
        << ReadFile(script);
}

TEST_F(Restart, ScriptTextHoldsTheDelayAndTheShortPath)
{
    const std::string target = m_spaced + "\\Long target name.cmd";
    WriteFile(target, "@exit\r\n");
    // Started from another directory, the batch file cannot delete itself and stays to be read.
    const std::string shortPath = ToShortPath(target);
    ASSERT_FALSE(shortPath.empty());
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str()));
    ASSERT_TRUE(StartRestartScript(m_spaced, target, std::nullopt));
    const std::string script = ReadFile(m_spaced + "\\Restart.bat");
    EXPECT_EQ(script, "@echo off \r\n@ping 127.0.0.1 -n 2 >nul\r\nstart \"\" \"" + shortPath +
                          "\"\r\ndel Restart.bat");
}

TEST_F(Restart, TerminateSelfEndsTheProcessOfTheId)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    char command[] = "cmd.exe /c ping -n 60 127.0.0.1";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &process));
    toolkit::ScopedHandle processHandle(process.hProcess);
    toolkit::ScopedHandle threadHandle(process.hThread);
    EXPECT_TRUE(TerminateSelf(static_cast<int32_t>(process.dwProcessId)));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 5000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(TerminateSelf(0x7FFFFFF0)) << "no such process";
}

// The start-up folder of the shell redirected to a folder of the test's own for the test.
class StartupShortcut : public Restart {
protected:
    static constexpr char kShellFolders[] =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

    void SetUp() override
    {
        Restart::SetUp();
        m_startup = m_folder + "\\Startup";
        CreateDirectoryA(m_startup.c_str(), nullptr);
        char old[MAX_PATH] = {};
        DWORD size = sizeof old;
        DWORD type = 0;
        m_hadOld = RegGetValueA(HKEY_CURRENT_USER, kShellFolders, "Startup",
                                RRF_RT_ANY | RRF_NOEXPAND, &type, old, &size) == ERROR_SUCCESS;
        m_old = old;
        Redirect(m_startup);
        ASSERT_TRUE(framework::LoadWindow(SettingsWindow));
    }

    void TearDown() override
    {
        if (m_hadOld) {
            RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_EXPAND_SZ,
                            m_old.c_str(), static_cast<DWORD>(m_old.size() + 1));
        } else {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Startup");
        }
        DeleteFileA((m_startup + "\\Skyvane.lnk").c_str());
        RemoveDirectoryA(m_startup.c_str());
        Restart::TearDown();
    }

    void Redirect(const std::string& folder)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_EXPAND_SZ,
                                  folder.c_str(), static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
    }

    // Ticks or unticks the box; the box a tick shows is answered and returned.
    testsupport::BoxSeen Tick(bool ticked)
    {
        testsupport::BoxAnswerer answerer(kDefaultTitle, IDOK);
        ClickCheckBox(SettingsWindow, settingsunits::RunAtStartupCheck, ticked);
        if (!ticked) {
            // No box comes; let the answerer give up quickly by showing it one.
            framework::ShowMessage("done", 0);
        }
        return answerer.Join();
    }

    std::string LinkTarget(const std::string& link)
    {
        toolkit::ScopedComApartment apartment;
        toolkit::ComPtr<IShellLinkA> shellLink;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    shellLink.PutVoid()))) {
            return "<no link object>";
        }
        auto file = shellLink.As<IPersistFile>(IID_IPersistFile);
        std::wstring wide(link.begin(), link.end());
        if (!file || FAILED(file->Load(wide.c_str(), STGM_READ))) {
            return "<not loaded>";
        }
        char target[MAX_PATH] = {};
        shellLink->GetPath(target, sizeof target, nullptr, 0);
        return target;
    }

    std::string m_startup;
    std::string m_old;
    bool m_hadOld = false;
};

TEST_F(StartupShortcut, PathIsInTheStartupFolder)
{
    EXPECT_EQ(StartupShortcutPath(), m_startup + "\\Skyvane.lnk");
}

TEST_F(StartupShortcut, TickWritesTheShortcutToTheOwnExecutable)
{
    testsupport::BoxSeen seen = Tick(true);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kWritten);
    EXPECT_EQ(seen.owner, framework::WindowHandle(SettingsWindow));
    EXPECT_EQ(Ini("PCS", "To"), "1");
    const std::string link = m_startup + "\\Skyvane.lnk";
    ASSERT_TRUE(Exists(link));
    EXPECT_EQ(LinkTarget(link), framework::RunDirectory() + "\\" + framework::OwnFileName());

    // Ticked again while it exists: written again, and said so.
    seen = Tick(true);
    EXPECT_EQ(seen.text, kWritten);
    EXPECT_EQ(Ini("PCS", "To"), "1");
}

TEST_F(StartupShortcut, UntickRemovesTheShortcutSilently)
{
    Tick(true);
    ASSERT_TRUE(Exists(m_startup + "\\Skyvane.lnk"));
    testsupport::BoxSeen seen = Tick(false);
    EXPECT_EQ(seen.text, "done") << "no box of its own";
    EXPECT_FALSE(Exists(m_startup + "\\Skyvane.lnk"));
    EXPECT_EQ(Ini("PCS", "To"), "0");

    WriteIni("PCS", "To", "1");
    Tick(false);
    EXPECT_EQ(Ini("PCS", "To"), "0") << "written also when there was no shortcut";
}

TEST_F(StartupShortcut, ShortcutThatCannotBeWrittenIsReported)
{
    Redirect(m_startup + "\\missing\\folder");
    testsupport::BoxSeen seen = Tick(true);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kFailed);
    EXPECT_EQ(Ini("PCS", "To"), "0");
    EXPECT_EQ(
        framework::GetUnitProperty(SettingsWindow, settingsunits::RunAtStartupCheck, 16).AsInt(), 1)
        << "the box stays ticked";
}

TEST_F(Restart, RestoreDefaultsAnsweredNoChangesNothing)
{
    ASSERT_TRUE(framework::LoadWindow(SettingsWindow));
    WriteIni("PCS", "H", "1");
    testsupport::BoxAnswerer answerer("", IDNO);
    ASSERT_TRUE(testsupport::Click(SettingsWindow, settingsunits::RestoreDefaultsButton));
    const testsupport::BoxSeen& seen = answerer.Join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "\xD5\xE6\xB5\xC4\xD2\xAA\xBB\xD6\xB8\xB4\xC4\xAC\xC8\xCF\xC9\xE8\xD6\xC3"
                         "\xC2\xF0\xA3\xBF\r\n\r\n\xC8\xED\xBC\xFE\xBB\xE1\xD2\xF2\xB4\xCB\xD6\xD8"
                         "\xC6\xF4\xD2\xBB\xB4\xCE");
    EXPECT_EQ(Ini("PCS", "H"), "1");
    EXPECT_NE(framework::WindowHandle(SettingsWindow), nullptr);
}

// Runs in the copy only (the mark is set): the user's action that restarts the program.
class RestartChild : public testsupport::HandlerTest {
protected:
    void SetUp() override
    {
        if (GetEnvironmentVariableA(kRestartMark, m_mark, sizeof m_mark) == 0) {
            GTEST_SKIP() << "only in the copy that RestartedProgram starts";
        }
        HandlerTest::SetUp();
        weather::ConfigPath.Set(framework::RunDirectory() + "\\Config.ini");
        ASSERT_TRUE(framework::LoadWindow(SettingsWindow));
    }

    // Leaves the box the failed restart showed in the mark, as proof that the copy lived on.
    void ReportKeptRunning(const testsupport::BoxSeen& seen)
    {
        ASSERT_TRUE(seen.found) << "no box";
        bool overSettings = seen.owner == framework::WindowHandle(SettingsWindow);
        std::ofstream(m_mark) << "kept running: " << seen.title << "|" << seen.text << "|"
                              << (overSettings ? "over the settings window" : "other owner");
    }

    char m_mark[MAX_PATH] = {};
};

TEST_F(RestartChild, RestoreDefaultsAnsweredYes)
{
    testsupport::BoxAnswerer answerer("", IDYES);
    testsupport::Click(SettingsWindow, settingsunits::RestoreDefaultsButton);
    ADD_FAILURE() << "still running after the restart";
}

TEST_F(RestartChild, PictureDoubleClicked)
{
    testsupport::RaiseControlEvent(SettingsWindow, settingsunits::AppPicture, 6);
    ADD_FAILURE() << "still running after the restart";
}

TEST_F(RestartChild, RestoreDefaultsAnsweredYesWithoutABatchFile)
{
    testsupport::BoxAnswerer failure(kDefaultTitle, IDOK);
    testsupport::BoxAnswerer question("", IDYES);
    testsupport::Click(SettingsWindow, settingsunits::RestoreDefaultsButton);
    ASSERT_TRUE(question.Join().found);
    ReportKeptRunning(failure.Join());
}

TEST_F(RestartChild, PictureDoubleClickedWithoutABatchFile)
{
    testsupport::BoxAnswerer failure(kDefaultTitle, IDOK);
    testsupport::RaiseControlEvent(SettingsWindow, settingsunits::AppPicture, 6);
    ReportKeptRunning(failure.Join());
}

struct RestartCase {
    const char* name;
    const char* childTest;
    bool configDeleted;
};

void PrintTo(const RestartCase& c, std::ostream* os)
{
    *os << c.name;
}

// A copy of this executable in a directory with a space and Chinese characters, under a name
// with a space, run with one RestartChild test.
class RestartCopy : public Restart, public ::testing::WithParamInterface<RestartCase> {
protected:
    void SetUp() override
    {
        Restart::SetUp();
        m_copyConfig = m_spaced + "\\Config.ini";
        // Outside the directory with Chinese characters: Wine cuts a multi-byte environment
        // value by its count of characters.
        m_mark = m_folder + "\\mark.txt";
    }

    void TearDown() override
    {
        for (const char* name : {"Sky vane.exe", "RecordingEngine.dll", "Config.ini"}) {
            DeleteFileA((m_spaced + "\\" + name).c_str());
        }
        RemoveDirectoryA((m_spaced + "\\Restart.bat").c_str());
        DeleteFileA(m_mark.c_str());
        Restart::TearDown();
    }

    // Runs the copy until it ends; its exit code, or -1 when it could not be run.
    long RunCopy()
    {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        const std::string copy = m_spaced + "\\Sky vane.exe";
        std::string engine = self;
        engine = engine.substr(0, engine.find_last_of('\\')) + "\\RecordingEngine.dll";
        if (!CopyFileA(self, copy.c_str(), FALSE) ||
            !CopyFileA(engine.c_str(), (m_spaced + "\\RecordingEngine.dll").c_str(), FALSE)) {
            return -1;
        }
        WriteFile(m_copyConfig, "[PCS]\r\nH=1\r\n");
        SetEnvironmentVariableA(kRestartMark, m_mark.c_str());
        std::string command =
            "\"" + copy + "\" --gtest_filter=RestartChild." + GetParam().childTest;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      m_spaced.c_str(), &startup, &process);
        SetEnvironmentVariableA(kRestartMark, nullptr);
        if (!started) {
            return -1;
        }
        toolkit::ScopedHandle processHandle(process.hProcess);
        toolkit::ScopedHandle threadHandle(process.hThread);
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }

    std::string m_copyConfig;
    std::string m_mark;
};

class RestartedProgram : public RestartCopy {};

// The copy ends itself in the middle of the handler, and its batch file starts it again.
TEST_P(RestartedProgram, EndsAndComesBackThroughTheBatchFile)
{
    EXPECT_EQ(RunCopy(), 0) << "ended by itself with exit code 0";
    EXPECT_TRUE(testsupport::PumpUntil([&] { return Exists(m_mark); }, std::chrono::seconds(30)))
        << "never started again; batch file: " << Exists(m_spaced + "\\Restart.bat") << "\n"
        << ReadFile(m_spaced + "\\Restart.bat");
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !Exists(m_spaced + "\\Restart.bat"); },
                                       std::chrono::seconds(10)))
        << "the batch file stayed";
    EXPECT_EQ(Exists(m_copyConfig), !GetParam().configDeleted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartedProgram,
    ::testing::Values(RestartCase{"restore defaults", "RestoreDefaultsAnsweredYes", true},
                      RestartCase{"picture double click", "PictureDoubleClicked", false}));

class RestartWithoutBatchFile : public RestartCopy {};

// A directory stands where the batch file would be written, so that writing it fails whoever
// runs the test (a read-only folder does not stop root). The copy must not end: it would never
// come back.
TEST_P(RestartWithoutBatchFile, KeepsRunningAndSaysSo)
{
    ASSERT_TRUE(CreateDirectoryA((m_spaced + "\\Restart.bat").c_str(), nullptr));
    EXPECT_EQ(RunCopy(), 0) << "the copy's test failed";
    EXPECT_EQ(ReadFile(m_mark), std::string("kept running: ") + kDefaultTitle + "|" +
                                    kRestartFailed + "|over the settings window");
    EXPECT_EQ(Exists(m_copyConfig), !GetParam().configDeleted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartWithoutBatchFile,
    ::testing::Values(
        RestartCase{"restore defaults", "RestoreDefaultsAnsweredYesWithoutABatchFile", true},
        RestartCase{"picture double click", "PictureDoubleClickedWithoutABatchFile", false}));

} // namespace
