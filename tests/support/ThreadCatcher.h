#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <vector>

namespace testsupport {

// Catches the threads that the code under test starts, while it lives: StartThread calls
// CreateThread through this executable's import of it, which is pointed at a function of the
// test's own. A test can then wait for such a thread to end, or hold one back until it lets it
// run, as a busy machine may start a thread late. The threads themselves run unchanged.
class ThreadCatcher {
public:
    enum class Mode {
        Watch,
        // Caught threads wait, created suspended, until Release.
        Hold,
    };

    explicit ThreadCatcher(Mode mode) : m_mode(mode)
    {
        std::lock_guard lock(s_mutex);
        s_catcher = this;
        m_redirected = Redirect();
    }

    ~ThreadCatcher()
    {
        Stop();
        Release();
        for (const Caught& thread : m_threads) {
            CloseHandle(thread.handle);
        }
    }

    ThreadCatcher(const ThreadCatcher&) = delete;
    ThreadCatcher& operator=(const ThreadCatcher&) = delete;

    // False when the import could not be redirected: nothing is caught then.
    bool Redirected() const { return m_redirected; }

    // Catches no more threads; those caught stay caught.
    void Stop()
    {
        std::lock_guard lock(s_mutex);
        if (s_catcher == this) {
            s_catcher = nullptr;
        }
    }

    // Lets the held threads run.
    void Release()
    {
        std::lock_guard lock(s_mutex);
        for (Caught& thread : m_threads) {
            if (thread.held) {
                ResumeThread(thread.handle);
                thread.held = false;
            }
        }
    }

    std::size_t Count() const
    {
        std::lock_guard lock(s_mutex);
        return m_threads.size();
    }

    // How many of the threads caught have ended.
    std::size_t Ended() const
    {
        std::lock_guard lock(s_mutex);
        return static_cast<std::size_t>(
            std::count_if(m_threads.begin(), m_threads.end(), [](const Caught& thread) {
                return WaitForSingleObject(thread.handle, 0) == WAIT_OBJECT_0;
            }));
    }

    // Whether every thread caught has ended.
    bool AllEnded() const { return Ended() == Count(); }

private:
    using CreateThreadFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T,
                                                 LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);

    struct Caught {
        HANDLE handle;
        bool held;
    };

    static HANDLE WINAPI Create(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack,
                                LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                LPDWORD id)
    {
        std::lock_guard lock(s_mutex);
        ThreadCatcher* catcher = s_catcher;
        bool hold =
            catcher != nullptr && catcher->m_mode == Mode::Hold && (flags & CREATE_SUSPENDED) == 0;
        HANDLE thread = s_create(attributes, stack, start, parameter,
                                 flags | (hold ? CREATE_SUSPENDED : 0), id);
        HANDLE kept = nullptr;
        if (catcher != nullptr && thread != nullptr &&
            DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &kept, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            catcher->m_threads.push_back({kept, hold});
        }
        return thread;
    }

    // Points the executable's import of CreateThread at Create, once.
    static bool Redirect()
    {
        if (s_create != nullptr) {
            return true;
        }
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
        auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* library =
                 reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             imports.VirtualAddress != 0 && library->Name != 0; ++library) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "kernel32.dll") !=
                    0 ||
                library->OriginalFirstThunk == 0) {
                continue;
            }
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                    continue;
                }
                auto* name =
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(name->Name), "CreateThread") != 0) {
                    continue;
                }
                DWORD old = 0;
                if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                                    &old)) {
                    return false;
                }
                s_create = reinterpret_cast<CreateThreadFunction>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(&Create);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
                return true;
            }
        }
        return false;
    }

    static inline std::mutex s_mutex;
    static inline ThreadCatcher* s_catcher = nullptr;
    static inline CreateThreadFunction s_create = nullptr;

    Mode m_mode;
    bool m_redirected = false;
    std::vector<Caught> m_threads;
};

} // namespace testsupport
