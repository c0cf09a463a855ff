#include "updater/ProcessStop.h"

#include <windows.h>

#include <tlhelp32.h>

#include "toolkit/ScopedWin.h"

namespace updater {

namespace {

// Termination only begins with the call; the process's files are let go once it has ended.
constexpr DWORD kEndWaitMs = 5000;

DWORD ProcessOfWindowTitled(const GbkText& title)
{
    HWND window = FindWindowA(nullptr, title.c_str());
    DWORD processId = 0;
    if (window != nullptr) {
        GetWindowThreadProcessId(window, &processId);
    }
    return processId;
}

DWORD ProcessOfExecutable(const GbkText& name)
{
    toolkit::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return 0;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0) {
            return entry.th32ProcessID;
        }
    }
    return 0;
}

} // namespace

bool TerminateProcessByName(const GbkText& name)
{
    if (name.empty()) {
        return false;
    }
    DWORD processId = ProcessOfWindowTitled(name);
    if (processId == 0) {
        processId = ProcessOfExecutable(name);
    }
    if (processId == 0) {
        return false;
    }
    toolkit::ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process || !TerminateProcess(process.Get(), 0)) {
        return false;
    }
    WaitForSingleObject(process.Get(), kEndWaitMs);
    return true;
}

} // namespace updater
