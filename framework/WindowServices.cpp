#include "framework/WindowServices.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "toolkit/ScopedWin.h"

namespace framework {
namespace {

// "信息：" in code page 936.
constexpr char kDefaultTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";

// ---- input box --------------------------------------------------------------------------------

constexpr WORD kPromptId = 200;
constexpr WORD kEntryId = 201;

struct AskState {
    const GbkText* prompt;
    const GbkText* caption;
    const GbkText* initialText;
    GbkText entry;
};

// Appends a dialog item template; the dialog is laid out in dialog units.
void AddItem(std::vector<WORD>& buffer, DWORD style, short x, short y, short cx, short cy, WORD id,
             WORD classAtom, const wchar_t* text)
{
    while (buffer.size() % 2 != 0) {
        buffer.push_back(0);
    }
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    const auto* words = reinterpret_cast<const WORD*>(&item);
    buffer.insert(buffer.end(), words, words + sizeof item / sizeof(WORD));
    buffer.push_back(0xFFFF);
    buffer.push_back(classAtom);
    for (const wchar_t* c = text; *c != 0; ++c) {
        buffer.push_back(static_cast<WORD>(*c));
    }
    buffer.push_back(0);
    buffer.push_back(0);
}

std::vector<WORD> AskTemplate(Word inputMode)
{
    std::vector<WORD> buffer;
    DLGTEMPLATE dialog{};
    dialog.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dialog.cdit = 4;
    dialog.cx = 220;
    dialog.cy = 86;
    const auto* words = reinterpret_cast<const WORD*>(&dialog);
    buffer.insert(buffer.end(), words, words + sizeof dialog / sizeof(WORD));
    buffer.push_back(0); // no menu
    buffer.push_back(0); // the standard dialog class
    buffer.push_back(0); // the caption is set with the ANSI text at start
    buffer.push_back(9);
    for (const wchar_t* c = L"SimSun"; *c != 0; ++c) {
        buffer.push_back(static_cast<WORD>(*c));
    }
    buffer.push_back(0);
    // Combo atoms: 0x0080 button, 0x0081 edit, 0x0082 static.
    AddItem(buffer, SS_LEFT, 8, 6, 204, 28, kPromptId, 0x0082, L"");
    DWORD entryStyle = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    if (inputMode == 2) {
        entryStyle |= ES_PASSWORD;
    } else if (inputMode == 3) {
        entryStyle |= ES_NUMBER;
    }
    AddItem(buffer, entryStyle, 8, 38, 204, 14, kEntryId, 0x0081, L"");
    AddItem(buffer, BS_DEFPUSHBUTTON | WS_TABSTOP, 100, 62, 52, 16, IDOK, 0x0080, L"确定");
    AddItem(buffer, BS_PUSHBUTTON | WS_TABSTOP, 160, 62, 52, 16, IDCANCEL, 0x0080, L"取消");
    return buffer;
}

INT_PTR CALLBACK AskProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<AskState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<AskState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, state->caption->c_str());
        SetDlgItemTextA(dialog, kPromptId, state->prompt->c_str());
        SetDlgItemTextA(dialog, kEntryId, state->initialText->c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            HWND entry = GetDlgItem(dialog, kEntryId);
            std::string text(static_cast<std::size_t>(GetWindowTextLengthA(entry)) + 1, '\0');
            text.resize(static_cast<std::size_t>(
                GetWindowTextA(entry, text.data(), static_cast<int>(text.size()))));
            state->entry = text;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// ---- sound ------------------------------------------------------------------------------------

// The format and samples of a PCM WAV file.
struct Wave {
    WAVEFORMATEX format{};
    std::vector<char> samples;
};

bool ReadWave(const GbkText& file, Wave& wave)
{
    toolkit::ScopedHandle handle(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    if (!handle) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.Get(), &size) || size.QuadPart < 12 || size.QuadPart > 0x7FFFFFFF) {
        return false;
    }
    std::vector<char> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        return false;
    }
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return false;
    }
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        std::uint32_t chunkSize = 0;
        std::memcpy(&chunkSize, bytes.data() + at + 4, 4);
        const char* body = bytes.data() + at + 8;
        std::size_t available = bytes.size() - at - 8;
        if (chunkSize > available) {
            chunkSize = static_cast<std::uint32_t>(available);
        }
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && chunkSize >= 16) {
            std::memcpy(&wave.format, body, 16);
            wave.format.cbSize = 0;
            haveFormat = true;
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            wave.samples.assign(body, body + chunkSize);
        }
        at += 8 + chunkSize + (chunkSize % 2);
    }
    return haveFormat && !wave.samples.empty();
}

// One sound at a time: a new one stops the one before.
std::mutex g_soundMutex;
HWAVEOUT g_playing = nullptr;

void PlayThread(std::shared_ptr<Wave> wave, HWAVEOUT device, HANDLE done, bool loop)
{
    WAVEHDR header{};
    header.lpData = wave->samples.data();
    header.dwBufferLength = static_cast<DWORD>(wave->samples.size());
    if (loop) {
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFF;
    }
    if (waveOutPrepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR) {
        if (waveOutWrite(device, &header, sizeof header) == MMSYSERR_NOERROR) {
            while ((header.dwFlags & WHDR_DONE) == 0) {
                WaitForSingleObject(done, 1000);
            }
        }
        waveOutUnprepareHeader(device, &header, sizeof header);
    }
    {
        std::lock_guard lock(g_soundMutex);
        if (g_playing == device) {
            g_playing = nullptr;
        }
    }
    waveOutClose(device);
    CloseHandle(done);
}

} // namespace

int ShowMessage(const GbkText& text, Word flags, std::optional<GbkText> title,
                std::optional<WindowId> owner)
{
    HWND ownerWindow = owner ? WindowHandle(*owner) : nullptr;
    UINT style = static_cast<UINT>(flags);
    if ((style & MB_SYSTEMMODAL) == 0) {
        style |= MB_TASKMODAL;
    }
    const char* caption = title ? title->c_str() : kDefaultTitle;
    int answer = MessageBoxA(ownerWindow, text.c_str(), caption, style);
    // IDOK (1) to IDNO (7) become 0 to 6.
    return answer == 0 ? -1 : answer - 1;
}

bool AskText(const GbkText& prompt, std::optional<GbkText> caption,
             std::optional<GbkText> initialText, GbkText& value, std::optional<Word> inputMode,
             std::optional<WindowId> owner)
{
    GbkText shownCaption = caption.value_or(GbkText());
    GbkText shownInitial = initialText.value_or(GbkText());
    AskState state{&prompt, &shownCaption, &shownInitial, {}};
    std::vector<WORD> dialog = AskTemplate(inputMode.value_or(1));
    HWND ownerWindow = owner ? WindowHandle(*owner) : nullptr;
    INT_PTR answer = DialogBoxIndirectParamA(
        GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), ownerWindow,
        AskProc, reinterpret_cast<LPARAM>(&state));
    if (answer != IDOK) {
        return false;
    }
    value = state.entry;
    return true;
}

Word ScreenWidth()
{
    return GetSystemMetrics(SM_CXSCREEN);
}

Word ScreenHeight()
{
    return GetSystemMetrics(SM_CYSCREEN);
}

bool PlaySoundFile(const GbkText& file, bool loop)
{
    auto wave = std::make_shared<Wave>();
    if (!ReadWave(file, *wave)) {
        return false;
    }
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (done == nullptr) {
        return false;
    }
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &wave->format, reinterpret_cast<DWORD_PTR>(done), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        CloseHandle(done);
        return false;
    }
    {
        std::lock_guard lock(g_soundMutex);
        if (g_playing != nullptr) {
            // Its thread sees the buffer done and closes the device.
            waveOutReset(g_playing);
        }
        g_playing = device;
    }
    std::thread(PlayThread, wave, device, done, loop).detach();
    return true;
}

} // namespace framework
