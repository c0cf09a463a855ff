#include "updater/Updater.h"

#include <windows.h>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "toolkit/Downloader.h"
#include "toolkit/ScopedWin.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/TextBetween.h"
#include "update/HeaderPairs.h"
#include "update/ShareNote.h"
#include "update/VersionOrder.h"
#include "updater/DownloadLink.h"
#include "updater/ProcessStop.h"
#include "updater/UnpackerImage.h"

namespace updater {

namespace {

constexpr char kMainExeName[] = "Skyvane.exe";
constexpr char kShareKeyPath[] = "/Hb71QxPa";
constexpr char kUnpackerName[] = "Quillet.exe";
constexpr char kPackageName[] = "Temp.zip";
constexpr int kVerbOpen = 4;

// "程序正在更新，请等待。"
constexpr char kUpdatingText[] = "\xB3\xCC\xD0\xF2\xD5\xFD\xD4\xDA\xB8\xFC\xD0\xC2\xA3\xAC\xC7\xEB"
                                 "\xB5\xC8\xB4\xFD\xA1\xA3";
// "抱歉，程序更新失败，正在为您重启程序。"
constexpr char kFailedText[] = "\xB1\xA7\xC7\xB8\xA3\xAC\xB3\xCC\xD0\xF2\xB8\xFC\xD0\xC2\xCA\xA7"
                               "\xB0\xDC\xA3\xAC\xD5\xFD\xD4\xDA\xCE\xAA\xC4\xFA\xD6\xD8\xC6\xF4"
                               "\xB3\xCC\xD0\xF2\xA1\xA3";
constexpr framework::Word kUpdatingStyle = MB_OK;
constexpr framework::Word kFailedStyle = MB_OK | MB_ICONERROR;
// Every kind of input but raw input.
constexpr DWORD kWakeMask = 0xFF;
// The unpacker's file stays in use for a moment after its process is told to end.
constexpr int kUnpackerRemoveAttempts = 50;
constexpr DWORD kUnpackerRemoveRetryMs = 100;

// The module state of the update; texts are replaced as a whole.
GbkText MainExeName;
GbkText UpdateShareUrl;
GbkText LinkMarker;
GbkText VersionMarker;
GbkText NoteText;
GbkText LatestVersion;
GbkText DownloadUrl;

GbkText InRunDirectory(const GbkText& name)
{
    return framework::RunDirectory() + "\\" + name;
}

void StartMainProgram()
{
    framework::OpenWithShell(kVerbOpen, InRunDirectory(MainExeName));
}

// The installation is as it was: the user sees why nothing changed, and gets the weather
// program back (started again where the update had stopped it for the download).
[[noreturn]] void FailUpdate()
{
    framework::StartThread(ShowUpdateFailedMessageThread);
    DelayWithMessages(1, 1);
    StartMainProgram();
    framework::EndProgram(0);
}

// A "Quillet.exe" left behind would make the next update a second stage that does nothing, so
// the delete is tried again while the file is still held.
void RemoveUnpacker()
{
    const GbkText path = InRunDirectory(kUnpackerName);
    for (int attempt = 1; attempt <= kUnpackerRemoveAttempts; ++attempt) {
        if (framework::RemoveFile(path) || !framework::FileExists(path)) {
            return;
        }
        Sleep(kUnpackerRemoveRetryMs);
    }
}

// True when the file is there with at least one byte in it.
bool HoldsData(const GbkText& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

// Downloads the package afresh; false when the download failed or left nothing.
bool DownloadPackage()
{
    const GbkText package = InRunDirectory(kPackageName);
    // A package left by a cycle that was cut short must never stand in for this one.
    framework::RemoveFile(package);
    if (toolkit::DownloadFile(DownloadUrl, package, toolkit::ProgressCallback, 0, false) == 0 &&
        HoldsData(package)) {
        return true;
    }
    framework::RemoveFile(package);
    return false;
}

// Writes the unpacker and starts it; false when either fails.
bool HandOverToUnpacker()
{
    const ByteSet image = UnpackerImage();
    return !image.empty() && framework::WriteWholeFile(InRunDirectory(kUnpackerName), image) &&
           framework::OpenWithShell(kVerbOpen, InRunDirectory(kUnpackerName));
}

} // namespace

void InitUpdaterGlobals()
{
    update::ClearHeaderPairs();
}

void FreeUpdaterGlobals()
{
    for (GbkText* text : {&MainExeName, &UpdateShareUrl, &LinkMarker, &VersionMarker, &NoteText,
                          &LatestVersion, &DownloadUrl}) {
        GbkText().swap(*text);
    }
    update::ClearHeaderPairs();
}

void ShowUpdatingMessage()
{
    framework::ShowMessage(kUpdatingText, kUpdatingStyle, GbkText());
}

void ShowUpdateFailedMessage()
{
    framework::ShowMessage(kFailedText, kFailedStyle, GbkText());
}

void ShowUpdatingMessageThread(void*)
{
    ShowUpdatingMessage();
}

void ShowUpdateFailedMessageThread(void*)
{
    ShowUpdateFailedMessage();
}

bool DelayWithMessages(std::int32_t amount, std::int32_t unit)
{
    static constexpr double kMultipliers[] = {1, 1000, 60000, 3600000};
    const double multiplier = unit >= 0 && unit <= 3 ? kMultipliers[unit] : 1;
    LARGE_INTEGER due{};
    due.QuadPart = static_cast<LONGLONG>(amount * multiplier * -10000.0);
    toolkit::ScopedHandle timer(CreateWaitableTimerA(nullptr, FALSE, nullptr));
    if (!timer || !SetWaitableTimer(timer.Get(), &due, 0, nullptr, nullptr, FALSE)) {
        return true;
    }
    HANDLE handle = timer.Get();
    // Only arriving input goes on waiting: a failed wait must not turn into a busy loop.
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, kWakeMask) == WAIT_OBJECT_0 + 1) {
        framework::ProcessEvents();
    }
    return true;
}

std::int32_t RunUpdate()
{
    MainExeName = kMainExeName;
    UpdateShareUrl = toolkit::ShareHost() + kShareKeyPath;
    LinkMarker = GbkText(update::kLinkMarker);
    VersionMarker = GbkText(update::kVersionMarker);

    if (framework::FileExists(InRunDirectory(kUnpackerName))) {
        // Stage 2: the unpacker has done its work and started us again.
        TerminateProcessByName(kUnpackerName);
        RemoveUnpacker();
        StartMainProgram();
        return 0;
    }

    framework::StartThread(ShowUpdatingMessageThread);
    NoteText = update::ReadShareNote(UpdateShareUrl);
    if (NoteText.empty()) {
        FailUpdate();
    }
    const GbkText currentVersion = framework::ReadFileVersionInfo(InRunDirectory(MainExeName))[0];
    LatestVersion = toolkit::TextBetweenAnyCase(NoteText, VersionMarker, VersionMarker);
    // The same order as the weather program's own update check, so that both agree on what is
    // newer.
    if (!update::IsLaterVersion(LatestVersion, currentVersion)) {
        StartMainProgram();
        return 0;
    }
    const GbkText link = toolkit::TextBetweenAnyCase(NoteText, LinkMarker, LinkMarker);
    DownloadUrl = ResolveShareDownloadUrl(link);
    if (DownloadUrl.empty()) {
        FailUpdate();
    }
    // Stopped before anything is written, so that the package can replace its files.
    TerminateProcessByName(MainExeName);
    if (!DownloadPackage()) {
        FailUpdate();
    }
    if (!HandOverToUnpacker()) {
        // Nobody else would start the weather program again: it is stopped, and no unpacker
        // runs. A leftover unpacker file would turn the next update into a second stage, and
        // the package is of no use without the unpacker.
        RemoveUnpacker();
        framework::RemoveFile(InRunDirectory(kPackageName));
        StartMainProgram();
    }
    framework::EndProgram(0);
}

int UpdaterEntry()
{
    framework::Initialise({}, {});
    InitUpdaterGlobals();
    framework::RegisterExitRoutine(FreeUpdaterGlobals);
    RunUpdate();
    framework::RunMessageLoop();
    framework::RunExitRoutines();
    return 0;
}

} // namespace updater
