// Restart through the batch file and the start-up shortcut: the short path, the script written
// into a directory with spaces and run for real (against a stand-in for the executable, so that
// the test process is not the one that restarts), a restart whose batch file cannot be written,
// the end of a process by its id, and the "开机自动运行" box with the start-up folder redirected
// to a folder of the test's own. Whatever a test starts is ended when it ends.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "tests/support/HandlerHarness.h"
#include "tests/support/UiDriver.h"
#include "toolkit/ScopedWin.h"
#include "weather/Config.h"
#include "weather/Globals.h"
#include "windows/Handlers.h"
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
// The address the copy holds when it writes the defaults, so that they can be told.
constexpr char kCopyWeatherUrl[] = "https://localhost/weather/common?restart=test";
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

// A 16x16 icon file with one uncompressed 32-bit image, for a notification icon of the test's
// own.
ByteSet TestIcon()
{
    constexpr std::uint32_t kSide = 16;
    constexpr std::uint32_t kColours = kSide * kSide * 4;
    constexpr std::uint32_t kMask = kSide * 4; // rows of one bit a pixel, padded to 4 bytes
    ByteSet icon;
    auto put16 = [&](std::uint32_t value) {
        icon.push_back(static_cast<std::uint8_t>(value & 0xFF));
        icon.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    };
    auto put32 = [&](std::uint32_t value) {
        put16(value & 0xFFFF);
        put16(value >> 16);
    };
    // The directory: one icon image.
    put16(0);
    put16(1);
    put16(1);
    icon.push_back(kSide);
    icon.push_back(kSide);
    put16(0);
    put16(1);
    put16(32);
    put32(40 + kColours + kMask);
    put32(6 + 16);
    // The image: its header (twice as high, for the mask), the colours, an empty mask.
    for (std::uint32_t word : {40u, kSide, kSide * 2}) {
        put32(word);
    }
    put16(1);
    put16(32);
    for (std::uint32_t word : {0u, kColours, 0u, 0u, 0u, 0u}) {
        put32(word);
    }
    for (std::uint32_t i = 0; i < kSide * kSide; ++i) {
        put32(0xFF2D7DD2u);
    }
    icon.insert(icon.end(), kMask, 0);
    return icon;
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

// Why a path has no short form: the first step of it that the file system does not find, with
// the error, for a failure message.
std::string WhyNoShortPath(const std::string& path)
{
    for (std::size_t end = path.find('\\', 3);; end = path.find('\\', end + 1)) {
        const std::string step = path.substr(0, end);
        WIN32_FIND_DATAA found{};
        HANDLE find = FindFirstFileA(step.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) {
            return "not found: " + step + " (error " + std::to_string(GetLastError()) + ")";
        }
        FindClose(find);
        if (end == std::string::npos) {
            return "every step found (error " + std::to_string(GetLastError()) + ")";
        }
    }
}

// ---- what the tests start
// ------------------------------------------------------------------------

std::vector<PROCESSENTRY32> RunningProcesses()
{
    std::vector<PROCESSENTRY32> processes;
    toolkit::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return processes;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        processes.push_back(entry);
    }
    return processes;
}

std::uint64_t StartTime(HANDLE process)
{
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

void EndAndWait(HANDLE process)
{
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 30000);
}

// What the batch files run: the command interpreter, its console, its wait and its start.
bool IsScriptProgram(const char* name)
{
    for (const char* program : {"cmd.exe", "conhost.exe", "ping.exe", "start.exe"}) {
        if (lstrcmpiA(name, program) == 0) {
            return true;
        }
    }
    return false;
}

// Ends the batch files this test program started that still run, with the programs they
// started in turn, parents first so that none of them starts another one meanwhile. Only the
// programs of a script: Wine starts its desktop and services from whichever process first needs
// them, as children of that process, and they must live on. A process is taken for the child
// of a running one only when it began after it, as an ended process's id is given out again;
// what outlived its parent is no longer known as anyone's child, which is why the copies are
// ended by their path (EndProgramsIn).
void EndStartedProcesses()
{
    struct Started {
        DWORD id;
        std::uint64_t startTime;
        toolkit::ScopedHandle handle;
    };
    // A round can miss what a process started between the snapshot and its end.
    for (int round = 0; round < 5; ++round) {
        std::vector<PROCESSENTRY32> running = RunningProcesses();
        std::vector<Started> tree;
        tree.push_back({GetCurrentProcessId(), StartTime(GetCurrentProcess()), {}});
        for (std::size_t parent = 0; parent < tree.size(); ++parent) {
            for (const PROCESSENTRY32& entry : running) {
                if (entry.th32ParentProcessID != tree[parent].id ||
                    entry.th32ProcessID == tree[parent].id || !IsScriptProgram(entry.szExeFile)) {
                    continue;
                }
                toolkit::ScopedHandle child(
                    OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                FALSE, entry.th32ProcessID));
                std::uint64_t started = child ? StartTime(child.Get()) : 0;
                if (started != 0 && started >= tree[parent].startTime) {
                    tree.push_back({entry.th32ProcessID, started, std::move(child)});
                }
            }
        }
        if (tree.size() == 1) {
            return;
        }
        for (std::size_t i = 1; i < tree.size(); ++i) {
            EndAndWait(tree[i].handle.Get());
        }
    }
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
        EndStartedProcesses();
        testsupport::EndProgramsIn(m_spaced);
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
    ASSERT_FALSE(shortPath.empty()) << WhyNoShortPath(target);
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
    ASSERT_FALSE(shortPath.empty()) << WhyNoShortPath(target);
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
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
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
        weather::WeatherUrl.Set(kCopyWeatherUrl);
        ASSERT_TRUE(framework::LoadWindow(SettingsWindow));
    }

    // The main window with a notification icon, as the user sees it before the double click.
    // Its first refresh finds no service (no address is set) and is told not to go on.
    void ShowMainWindowWithItsIcon()
    {
        weather::WeatherUrl.Set("");
        weather::CustomLocationOn.Set("0");
        testsupport::BoxAnswerer firstRefresh("", IDNO);
        ASSERT_TRUE(framework::LoadWindow(MainWindow));
        ASSERT_TRUE(testsupport::PumpUntil(
            [] {
                return framework::UnitWindowHandle(MainWindow, mainunits::LoadingPicture) ==
                       nullptr;
            },
            std::chrono::seconds(60)))
            << "the first activation never ended";
        ASSERT_TRUE(firstRefresh.Join().found);
        ASSERT_TRUE(framework::SetTrayIcon(MainWindow, TestIcon(), GbkText("Skyvane")));
        ASSERT_TRUE(TrayIconShown());
    }

    // Leaves the box the failed restart showed in the mark, as proof that the copy lived on.
    void ReportKeptRunning(const testsupport::BoxSeen& seen, const std::string& more = "")
    {
        ASSERT_TRUE(seen.found) << "no box";
        bool overSettings = seen.owner == framework::WindowHandle(SettingsWindow);
        std::ofstream(m_mark) << "kept running: " << seen.title << "|" << seen.text << "|"
                              << (overSettings ? "over the settings window" : "other owner")
                              << more;
    }

    // Whether the shell still knows the main window's icon: modifying one that is not there
    // fails.
    static bool TrayIconShown()
    {
        NOTIFYICONDATAA data{};
        data.cbSize = sizeof data;
        data.hWnd = framework::WindowHandle(MainWindow);
        data.uID = framework::kTrayIconId;
        return data.hWnd != nullptr && Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
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
    ShowMainWindowWithItsIcon();
    testsupport::BoxAnswerer failure(kDefaultTitle, IDOK);
    testsupport::RaiseControlEvent(SettingsWindow, settingsunits::AppPicture, 6);
    ReportKeptRunning(failure.Join(), TrayIconShown() ? "|icon shown" : "|icon gone");
    framework::SetTrayIcon(MainWindow);
}

// The double click's handler on a worker, so that each request it makes of the window thread
// is answered here only after a look at how far it has got. The batch file cannot delete itself
// from another current directory and stays as the sign that the restart is under way; the icon
// must be gone by then, or a slow shell would keep this copy alive while the new one reaches the
// single-instance guard. What is seen out of order goes into a file beside the mark.
TEST_F(RestartChild, PictureDoubleClickedOffTheWindowThread)
{
    ShowMainWindowWithItsIcon();
    const std::string script = framework::RunDirectory() + "\\Restart.bat";
    ASSERT_FALSE(Exists(script));
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str()));
    toolkit::ScopedHandle returned(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE waitFor = returned.Get();
    std::thread user([waitFor] {
        OnWeatherPictureDoubleClick(framework::UnitEvent{});
        SetEvent(waitFor);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &waitFor, 1000, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) {
            break;
        }
        // Asked of the framework, not of the shell: a call to the shell would answer the
        // waiting request before it returned.
        if (Exists(script) && framework::ShownTrayIcon(MainWindow)) {
            std::ofstream(std::string(m_mark) + ".order")
                << "the icon was still there once the batch file had been written";
        }
        MSG message{};
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    user.join();
    ADD_FAILURE() << "still running after the restart";
}

// What the copy's settings file holds once its test is over.
enum class SettingsAfter {
    Kept,
    Deleted,
    // The nine defaults, as a first run writes them, and nothing else.
    Defaults,
};

struct RestartCase {
    const char* name;
    const char* childTest;
    SettingsAfter settings;
    // What the copy that kept running adds to the report of its box.
    const char* alsoReported;
};

void PrintTo(const RestartCase& c, std::ostream* os)
{
    *os << c.name;
}

// A copy of this executable in a directory with a space and Chinese characters, under a name
// with a space, run with one RestartChild test.
class RestartCopy : public Restart, public ::testing::WithParamInterface<RestartCase> {
protected:
    // Not the first-run content: a key that differs from its default and a section that the
    // defaults do not have.
    static constexpr char kCopySettings[] = "[PCS]\r\nH=1\r\n[Info]\r\nTo=old alarm\r\n";

    void SetUp() override
    {
        Restart::SetUp();
        m_copyConfig = m_spaced + "\\Config.ini";
        // Outside the directory with Chinese characters: Wine cuts a multi-byte environment
        // value by its count of characters.
        m_mark = m_folder + "\\mark.txt";
        m_output = m_folder + "\\copy output.txt";
    }

    // What the copy's test printed.
    std::string CopyOutput() const { return ReadFile(m_output); }

    void TearDown() override
    {
        // Ended first, so that nothing of the copy still holds its files.
        EndStartedProcesses();
        testsupport::EndProgramsIn(m_spaced);
        for (const char* name : {"Sky vane.exe", "RecordingEngine.dll", "Config.ini"}) {
            DeleteFileA((m_spaced + "\\" + name).c_str());
        }
        RemoveDirectoryA((m_spaced + "\\Restart.bat").c_str());
        DeleteFileA(m_mark.c_str());
        DeleteFileA(m_output.c_str());
        Restart::TearDown();
    }

    // Runs the copy until it ends; its exit code, or -1 when it could not be run or did not end
    // in time (it is ended then).
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
        WriteFile(m_copyConfig, kCopySettings);
        SetEnvironmentVariableA(kRestartMark, m_mark.c_str());
        std::string command =
            "\"" + copy + "\" --gtest_filter=RestartChild." + GetParam().childTest;
        // What the copy's test prints goes to a file, for the failure message of this one.
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        toolkit::ScopedHandle output(CreateFileA(m_output.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                 &inherited, CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.Get();
        startup.hStdError = output.Get();
        PROCESS_INFORMATION process{};
        BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      m_spaced.c_str(), &startup, &process);
        SetEnvironmentVariableA(kRestartMark, nullptr);
        output.Reset();
        if (!started) {
            return -1;
        }
        toolkit::ScopedHandle processHandle(process.hProcess);
        toolkit::ScopedHandle threadHandle(process.hThread);
        // Generous: the copy loads its windows and answers boxes on a machine that may be busy.
        if (WaitForSingleObject(process.hProcess, 90000) != WAIT_OBJECT_0) {
            EndAndWait(process.hProcess);
            return -1;
        }
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }

    void ExpectCopySettings(SettingsAfter expected)
    {
        switch (expected) {
        case SettingsAfter::Kept:
            EXPECT_EQ(ReadFile(m_copyConfig), kCopySettings);
            break;
        case SettingsAfter::Deleted:
            EXPECT_FALSE(Exists(m_copyConfig));
            break;
        case SettingsAfter::Defaults: {
            // What a first run writes, with the address the copy had.
            weather::ConfigPath.Set(m_folder + "\\first run.ini");
            weather::WeatherUrl.Set(kCopyWeatherUrl);
            weather::WriteDefaultConfig();
            const std::string firstRun = ReadFile(weather::ConfigPath.Get());
            DeleteFileA(weather::ConfigPath.Get().c_str());
            ASSERT_NE(firstRun.find(kCopyWeatherUrl), std::string::npos) << firstRun;
            EXPECT_EQ(ReadFile(m_copyConfig), firstRun);
            break;
        }
        }
    }

    std::string m_copyConfig;
    std::string m_mark;
    std::string m_output;
};

class RestartedProgram : public RestartCopy {};

// The copy ends itself in the middle of the handler, and its batch file starts it again.
TEST_P(RestartedProgram, EndsAndComesBackThroughTheBatchFile)
{
    EXPECT_EQ(RunCopy(), 0) << "ended by itself with exit code 0; it printed:\n" << CopyOutput();
    EXPECT_TRUE(testsupport::PumpUntil([&] { return Exists(m_mark); }, std::chrono::seconds(30)))
        << "never started again; batch file: " << Exists(m_spaced + "\\Restart.bat") << "\n"
        << ReadFile(m_spaced + "\\Restart.bat");
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !Exists(m_spaced + "\\Restart.bat"); },
                                       std::chrono::seconds(10)))
        << "the batch file stayed";
    ExpectCopySettings(GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartedProgram,
    ::testing::Values(
        RestartCase{"restore defaults", "RestoreDefaultsAnsweredYes", SettingsAfter::Deleted, ""},
        RestartCase{"picture double click", "PictureDoubleClicked", SettingsAfter::Kept, ""}));

class RestartOrder : public RestartCopy {
protected:
    std::string OrderReport() const { return m_mark + ".order"; }

    void TearDown() override
    {
        DeleteFileA(OrderReport().c_str());
        RestartCopy::TearDown();
    }
};

// The double click takes the notification icon away before the batch file starts: once it has
// started, nothing may keep the copy from ending.
TEST_P(RestartOrder, IconGoesBeforeTheBatchFileIsWritten)
{
    EXPECT_EQ(RunCopy(), 0) << "ended by itself with exit code 0; it printed:\n" << CopyOutput();
    EXPECT_TRUE(testsupport::PumpUntil([&] { return Exists(m_mark); }, std::chrono::seconds(30)))
        << "never started again";
    EXPECT_FALSE(Exists(OrderReport())) << ReadFile(OrderReport());
    ExpectCopySettings(GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(Cases, RestartOrder,
                         ::testing::Values(RestartCase{"picture double click",
                                                       "PictureDoubleClickedOffTheWindowThread",
                                                       SettingsAfter::Kept, ""}));

class RestartWithoutBatchFile : public RestartCopy {};

// A directory stands where the batch file would be written, so that writing it fails whoever
// runs the test (a read-only folder does not stop root). The copy must not end: it would never
// come back. What the handler undid before the restart is back: the notification icon shows
// again, and the defaults the user asked for are in the settings file.
TEST_P(RestartWithoutBatchFile, KeepsRunningAndSaysSo)
{
    ASSERT_TRUE(CreateDirectoryA((m_spaced + "\\Restart.bat").c_str(), nullptr));
    EXPECT_EQ(RunCopy(), 0) << "the copy's test failed:\n" << CopyOutput();
    EXPECT_EQ(ReadFile(m_mark), std::string("kept running: ") + kDefaultTitle + "|" +
                                    kRestartFailed + "|over the settings window" +
                                    GetParam().alsoReported);
    ExpectCopySettings(GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestartWithoutBatchFile,
    ::testing::Values(RestartCase{"restore defaults", "RestoreDefaultsAnsweredYesWithoutABatchFile",
                                  SettingsAfter::Defaults, ""},
                      RestartCase{"picture double click", "PictureDoubleClickedWithoutABatchFile",
                                  SettingsAfter::Kept, "|icon shown"}));

} // namespace
