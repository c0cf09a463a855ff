#include "framework/SystemServices.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace framework {

namespace {

constexpr DWORD kConfigValueBuffer = kConfigValueMaxBytes + 1;

std::mutex g_exitMutex;
std::vector<ExitRoutine> g_exitRoutines;

GbkText ModulePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

const char* SkipLeadingControlBytes(const GbkText& text)
{
    const char* p = text.c_str();
    while (*p != '\0' && static_cast<unsigned char>(*p) <= 0x20) {
        ++p;
    }
    return p;
}

struct ThreadStart {
    ThreadRoutine routine;
    void* parameter;
};

DWORD WINAPI ThreadTrampoline(LPVOID raw)
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(raw));
    start->routine(start->parameter);
    return 0;
}

} // namespace

GbkText RunDirectory()
{
    GbkText path = ModulePath();
    size_t slash = path.find_last_of("\\/");
    return slash == GbkText::npos ? GbkText() : path.substr(0, slash);
}

GbkText OwnFileName()
{
    GbkText path = ModulePath();
    size_t slash = path.find_last_of("\\/");
    return slash == GbkText::npos ? path : path.substr(slash + 1);
}

void RegisterExitRoutine(ExitRoutine routine)
{
    std::lock_guard lock(g_exitMutex);
    g_exitRoutines.push_back(routine);
}

void RunExitRoutines()
{
    // Taken out under the lock and run outside it: a routine may itself end the program or
    // register another routine without deadlocking, and none runs twice.
    std::vector<ExitRoutine> routines;
    {
        std::lock_guard lock(g_exitMutex);
        routines.swap(g_exitRoutines);
    }
    for (ExitRoutine routine : routines) {
        routine();
    }
}

void EndProgram(int exitCode)
{
    RunExitRoutines();
    ExitProcess(static_cast<UINT>(exitCode));
}

bool StartThread(ThreadRoutine routine, void* parameter, toolkit::ScopedHandle* keptHandle)
{
    auto start = std::make_unique<ThreadStart>(ThreadStart{routine, parameter});
    HANDLE thread = CreateThread(nullptr, 0, ThreadTrampoline, start.get(), 0, nullptr);
    if (thread == nullptr) {
        return false;
    }
    start.release(); // the new thread owns it now
    if (keptHandle != nullptr) {
        keptHandle->Reset(thread);
    } else {
        CloseHandle(thread);
    }
    return true;
}

bool FileExists(const GbkText& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

GbkText ReadConfigValue(const GbkText& file, const GbkText& section, const GbkText& key,
                        const std::optional<GbkText>& defaultValue)
{
    const char* fileName = SkipLeadingControlBytes(file);
    const char* sectionName = SkipLeadingControlBytes(section);
    const char* keyName = SkipLeadingControlBytes(key);
    if (*fileName == '\0' || *sectionName == '\0' || *keyName == '\0') {
        return {};
    }
    std::string buffer(kConfigValueBuffer, '\0');
    DWORD length = GetPrivateProfileStringA(sectionName, keyName,
                                            defaultValue ? defaultValue->c_str() : nullptr,
                                            buffer.data(), kConfigValueBuffer, fileName);
    buffer.resize(length);
    return buffer;
}

void WriteConfigValue(const GbkText& file, const GbkText& section, const GbkText& key,
                      const GbkText& value)
{
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

} // namespace framework
