// Stands in for the updater where a test expects "Fernhop.exe" to be started: it leaves
// "Fernhop.started" beside itself, then stays until the program that started it ends (or the
// test ends it), so that the test sees it running however late it looks, and it never outlives
// the test.
#include <windows.h>

#include <tlhelp32.h>

#include <string>

namespace {

DWORD ParentId()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    DWORD parent = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return parent;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Opened first, while the program that started it surely still runs and its id is its own.
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, ParentId());
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string marker(path, length);
    marker = marker.substr(0, marker.find_last_of('\\') + 1) + "Fernhop.started";
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    CloseHandle(file);
    if (parent != nullptr) {
        WaitForSingleObject(parent, INFINITE);
        CloseHandle(parent);
    }
    return 0;
}
