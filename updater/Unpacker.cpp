#include "updater/Unpacker.h"

#include <windows.h>

#include <array>

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "toolkit/ScopedWin.h"
#include "updater/ZipExtract.h"
#include "updater/ZipLibrary.h"

namespace updater {

namespace {

constexpr char kPackageName[] = "\\Temp.zip";
constexpr char kUpdaterName[] = "\\Fernhop.exe";
constexpr int kVerbOpen = 4;
// The updater that started us ends right after the start; a package that carries a new
// updater can only replace its file once it has.
constexpr DWORD kUpdaterEndWaitMs = 30000;
constexpr DWORD kUpdaterPollMs = 100;

constexpr framework::UnitId kWindowUnit = 1;
constexpr framework::UnitId kZipUnit = 2;

constexpr framework::StoredProperty kWindowProperties[] = {
    {framework::windowprop::kVisible, 0},
    {framework::windowprop::kDisabled, 1},
};

constexpr framework::EventBinding kWindowEvents[] = {
    {framework::kEventCreated, OnUnpackWindowCreated},
};

constexpr framework::UnitTemplate kUnits[] = {
    {.id = kZipUnit,
     .type = kTypeZipComponent,
     .name = "ZIP\xD1\xB9\xCB\xF5"
             "1",
     .left = 0,
     .top = 0,
     .width = 26,
     .height = 26},
};

constexpr framework::WindowTemplate kUnpackWindow = {
    .id = UnpackWindow,
    .unit = kWindowUnit,
    .left = 50,
    .top = 50,
    .width = 0,
    .height = 0,
    .properties = kWindowProperties,
    .events = kWindowEvents,
    .units = kUnits,
};

constexpr std::array<const framework::WindowTemplate*, 1> kTemplates = {&kUnpackWindow};

// Library 1 is the framework's own; the zip component is library 2.
const framework::LibraryInfo* const kLibraries[2] = {nullptr, &ZipLibraryInfo};

void NoModuleState() {}

// Waits, up to the time, while another process holds the file in a way that keeps us from
// writing it (a running program holds its own file so). A missing file needs no wait, and a
// read-only one would refuse us however long we waited.
void WaitUntilWritable(const GbkText& path, DWORD milliseconds)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        toolkit::ScopedHandle file(CreateFileA(
            path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
            error != ERROR_LOCK_VIOLATION) {
            return;
        }
        if (GetTickCount() - start >= milliseconds) {
            return;
        }
        Sleep(kUpdaterPollMs);
    }
}

} // namespace

int UnpackerEntry()
{
    framework::Initialise(kLibraries, kTemplates);
    framework::RegisterExitRoutine(NoModuleState);
    UnpackerStartup();
    return framework::RunMessageLoop();
}

int UnpackerStartup()
{
    framework::LoadWindow(UnpackWindow, std::nullopt, true);
    return 0;
}

framework::EventResult OnUnpackWindowCreated(const framework::UnitEvent&)
{
    const GbkText runDirectory = framework::RunDirectory();
    WaitUntilWritable(runDirectory + kUpdaterName, kUpdaterEndWaitMs);
    // Nothing is reported: a package that cannot be unpacked leaves the old files, and the
    // updater's second stage starts the old program again.
    ZipExtract(runDirectory + kPackageName, runDirectory);
    framework::RemoveFile(runDirectory + kPackageName);
    framework::OpenWithShell(kVerbOpen, runDirectory + kUpdaterName);
    framework::EndProgram(0);
}

} // namespace updater
