#include "update/UpdateCheck.h"

#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/TextBetween.h"
#include "update/ShareNote.h"
#include "update/VersionOrder.h"
#include "weather/Globals.h"
#include "windows/Templates.h"

namespace update {

namespace {

// "发现新版本，是否更新？\r\n当前版本："
constexpr char kQuestion[] = "\xB7\xA2\xCF\xD6\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xAC\xCA\xC7\xB7\xF1"
                             "\xB8\xFC\xD0\xC2\xA3\xBF\r\n\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA";
// "当前已是最新版本。"
constexpr char kUpToDate[] = "\xB5\xB1\xC7\xB0\xD2\xD1\xCA\xC7\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE"
                             "\xA1\xA3";
constexpr framework::Word kYesNoQuestion = MB_YESNO | MB_ICONQUESTION;
constexpr int kAnswerYes = 5;
constexpr int kShellOpen = 4;
constexpr int kShowNormal = 1;

// A refresh thread and the interface thread may both start a check; the second would ask
// again while the first question is up and enable the main window under it.
std::mutex g_checkLock;

void SetMainWindowDisabled(bool disabled)
{
    framework::SetUnitProperty(windows::MainWindow, windows::mainunits::Window,
                               framework::windowprop::kDisabled, disabled);
}

void RunCheck(bool manual)
{
    std::unique_lock running(g_checkLock, std::try_to_lock);
    if (!running.owns_lock()) {
        return;
    }
    SetMainWindowDisabled(true);
    const GbkText shareUrl = UpdateShareAddress();
    if (IsNewerVersionAvailable(shareUrl, GbkText(), kVersionMarker, kVersionMarker)) {
        const GbkText own = OwnVersion();
        const GbkText changelog = ReadChangelog(shareUrl, GbkText(), kChangelogMarker);
        const GbkText question = kQuestion + own + "\r\n\r\n" + changelog;
        if (framework::ShowMessage(question, kYesNoQuestion, GbkText()) == kAnswerYes) {
            framework::OpenWithShell(kShellOpen, framework::RunDirectory() + "\\Fernhop.exe",
                                     kShowNormal);
        }
    } else if (manual) {
        framework::ShowMessage(kUpToDate, MB_OK, GbkText());
    }
    SetMainWindowDisabled(false);
}

// The note read by one share-view request, kept as the last note seen.
GbkText ReadNote(const GbkText& shareUrl, const std::optional<GbkText>& password)
{
    GbkText note = ReadShareNote(shareUrl, password);
    weather::ShareNoteText.Set(note);
    return note;
}

} // namespace

GbkText UpdateShareAddress()
{
    return toolkit::ShareHost() + "/" + kUpdateShareKey;
}

void CheckForUpdate()
{
    RunCheck(false);
}

void CheckForUpdateManual()
{
    RunCheck(true);
}

bool IsNewerVersionAvailable(const GbkText& shareUrl, const std::optional<GbkText>& password,
                             const GbkText& leftMarker, const GbkText& rightMarker)
{
    const GbkText note = ReadNote(shareUrl, password);
    const GbkText own = OwnVersion();
    return IsLaterVersion(toolkit::TextBetweenAnyCase(note, leftMarker, rightMarker), own);
}

GbkText ReadChangelog(const GbkText& shareUrl, const std::optional<GbkText>& password,
                      const GbkText& marker)
{
    return toolkit::TextBetweenAnyCase(ReadNote(shareUrl, password), marker, marker);
}

GbkText OwnVersion()
{
    const TextArray info =
        framework::ReadFileVersionInfo(framework::RunDirectory() + "\\" + framework::OwnFileName());
    return info.empty() ? GbkText() : info[0];
}

void InitUpdateModule()
{
    std::srand(static_cast<unsigned>(GetTickCount()));
}

} // namespace update
