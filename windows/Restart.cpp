#include "windows/Restart.h"

#include <windows.h>

#include <utility>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "toolkit/CodePage.h"
#include "weather/Config.h"
#include "weather/Globals.h"
#include "windows/Handlers.h"
#include "windows/RestartScript.h"
#include "windows/Templates.h"

namespace windows {
namespace {

using framework::EventResult;
using framework::UnitEvent;

constexpr int kStartupFolder = 7; // CSIDL_STARTUP
constexpr char kShortcutName[] = "Skyvane.lnk";
constexpr framework::PropertyIndex kTicked = 16;
constexpr int kShowHidden = 1;
constexpr int kAnswerYes = 5;
constexpr framework::Word kYesNoQuestion = 36;
// Both callers restart at once. With a count of 1 ping sends a single echo and does not pause,
// so the batch file starts the program again without waiting: this process has to end right
// after starting it, before the new copy reaches the single-instance guard.
constexpr int32_t kRestartDelay = 1;

// "真的要恢复默认设置吗？\r\n\r\n软件会因此重启一次"
constexpr char kRestoreQuestion[] =
    "\xD5\xE6\xB5\xC4\xD2\xAA\xBB\xD6\xB8\xB4\xC4\xAC\xC8\xCF\xC9\xE8\xD6\xC3\xC2\xF0\xA3\xBF"
    "\r\n\r\n"
    "\xC8\xED\xBC\xFE\xBB\xE1\xD2\xF2\xB4\xCB\xD6\xD8\xC6\xF4\xD2\xBB\xB4\xCE";
constexpr char kShortcutWritten[] = "\xC9\xE8\xD6\xC3\xB3\xC9\xB9\xA6"; // 设置成功
constexpr char kShortcutFailed[] = "\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC";  // 设置失败
// "重启失败，无法写入或运行 Restart.bat"
constexpr char kRestartFailed[] = "\xD6\xD8\xC6\xF4\xCA\xA7\xB0\xDC\xA3\xAC"
                                  "\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xBB\xF2\xD4\xCB\xD0\xD0 "
                                  "Restart.bat";

GbkText OwnExecutable()
{
    return framework::RunDirectory() + "\\" + framework::OwnFileName();
}

void StoreRunAtStartup(const char* value)
{
    framework::WriteConfigValue(weather::ConfigPath.Get(), "PCS", "To", value);
}

} // namespace

void RestartProgram(std::optional<int32_t> delaySeconds)
{
    GbkText executable = OwnExecutable();
    if (!framework::FileExists(executable)) {
        return;
    }
    if (!StartRestartScript(framework::RunDirectory(), executable, delaySeconds)) {
        // Ending now would leave nothing to start the program again: it would simply vanish.
        framework::ShowMessage(kRestartFailed, 0, std::nullopt, SettingsWindow);
        return;
    }
    // Nothing may come between: the new copy is on its way to the single-instance guard.
    TerminateSelf();
}

bool StartRestartScript(const GbkText& directory, const GbkText& executable,
                        std::optional<int32_t> delaySeconds)
{
    GbkText path = ToShortPath(executable);
    if (path.empty()) {
        // The quotes of the start line carry a long path as well; without it the batch file
        // would start nothing and the program would be gone for good.
        path = executable;
    }
    GbkText script = RestartScript(path, delaySeconds);
    GbkText scriptFile = directory + "\\" + kRestartScriptName;
    if (!framework::WriteWholeFile(scriptFile, ByteSet(script.begin(), script.end()))) {
        return false;
    }
    // Quoted: unquoted, a run directory with a space would have the system try to start
    // whatever lies at the path before the space.
    return framework::RunCommandLine("\"" + scriptFile + "\"", false, kShowHidden);
}

GbkText ToShortPath(const GbkText& path)
{
    ByteSet wide = toolkit::GbkToUtf16(path);
    if (wide.size() < 2) {
        return GbkText();
    }
    auto* longPath = reinterpret_cast<const wchar_t*>(wide.data());
    DWORD needed = GetShortPathNameW(longPath, nullptr, 0);
    if (needed == 0) {
        return GbkText();
    }
    ByteSet shortPath(static_cast<std::size_t>(needed) * 2, 0);
    DWORD written =
        GetShortPathNameW(longPath, reinterpret_cast<wchar_t*>(shortPath.data()), needed);
    if (written == 0 || written >= needed) {
        return GbkText();
    }
    ByteSet text = toolkit::Utf16ToMultiByte(shortPath, toolkit::kCodePageGbk);
    return GbkText(text.begin(), text.end());
}

bool TerminateSelf(std::optional<int32_t> processId)
{
    int32_t id = processId.value_or(0);
    if (id == 0) {
        return TerminateProcess(GetCurrentProcess(), 0) != FALSE;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        return false;
    }
    bool ended = TerminateProcess(process, 0) != FALSE;
    CloseHandle(process);
    return ended;
}

GbkText StartupShortcutPath()
{
    GbkText folder = framework::SpecialFolderPath(kStartupFolder);
    if (folder.empty()) {
        return GbkText();
    }
    // The folder's path already ends with a backslash.
    return folder + kShortcutName;
}

EventResult OnWeatherPictureDoubleClick(const UnitEvent&)
{
    // The icon would stay in the notification area until the mouse passed over it, since the
    // process ends without its window teardown. It goes before the batch file starts, as taking
    // it away waits on the shell, which may be slow.
    std::optional<framework::TrayIconSet> shown = framework::ShownTrayIcon(MainWindow);
    framework::SetTrayIcon(MainWindow);
    RestartProgram(kRestartDelay);
    // Still running: the restart failed. Without its icon the program could not be reached once
    // its window is hidden.
    if (shown) {
        framework::SetTrayIcon(MainWindow, std::move(shown->icon), std::move(shown->tip));
    }
    return std::nullopt;
}

EventResult OnRestoreDefaultsClick(const UnitEvent&)
{
    if (framework::ShowMessage(kRestoreQuestion, kYesNoQuestion, GbkText(), SettingsWindow) !=
        kAnswerYes) {
        return std::nullopt;
    }
    // The next start finds no settings file and writes the defaults, as on a first run.
    framework::RemoveFile(weather::ConfigPath.Get());
    RestartProgram(kRestartDelay);
    // Still running: the restart failed. The user asked for the defaults, so the file holds
    // them as a first run writes them; without a file the next alarm check would write one with
    // only its own section, which the next start would read as every setting off. An alarm
    // check may have done so already while the failure was shown.
    framework::RemoveFile(weather::ConfigPath.Get());
    weather::WriteDefaultConfig();
    return std::nullopt;
}

EventResult OnRunAtStartupCheck(const UnitEvent&)
{
    bool ticked =
        framework::GetUnitProperty(SettingsWindow, settingsunits::RunAtStartupCheck, kTicked)
            .AsInt() == 1;
    GbkText shortcut = StartupShortcutPath();
    if (!ticked) {
        if (!shortcut.empty()) {
            framework::RemoveFile(shortcut);
        }
        StoreRunAtStartup("0");
        return std::nullopt;
    }
    if (!shortcut.empty() && framework::CreateShortcut(shortcut, OwnExecutable())) {
        framework::ShowMessage(kShortcutWritten, 0, std::nullopt, SettingsWindow);
        StoreRunAtStartup("1");
    } else {
        framework::ShowMessage(kShortcutFailed, 0, std::nullopt, SettingsWindow);
        StoreRunAtStartup("0");
    }
    return std::nullopt;
}

} // namespace windows
