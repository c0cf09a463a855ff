// Stands in for the updater where a test expects "Fernhop.exe" to be started: it leaves
// "Fernhop.started" beside itself and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string marker(path, length);
    marker = marker.substr(0, marker.find_last_of('\\') + 1) + "Fernhop.started";
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    CloseHandle(file);
    return 0;
}
