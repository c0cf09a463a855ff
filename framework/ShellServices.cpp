#include "framework/ShellServices.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "toolkit/ScopedWin.h"

namespace framework {
namespace {

constexpr const char* kVersionFields[] = {
    "FileVersion",     "FileDescription", "CompanyName",      "ProductName",
    "ProductVersion",  "InternalName",    "OriginalFilename", "LegalCopyright",
    "LegalTrademarks", "Comments",        "PrivateBuild",
};

int ShowCommand(int showMode)
{
    switch (showMode) {
    case 1:
        return SW_HIDE;
    case 3:
        return SW_SHOWMINIMIZED;
    case 4:
        return SW_SHOWMAXIMIZED;
    case 5:
        return SW_SHOWNOACTIVATE;
    case 6:
        return SW_SHOWMINNOACTIVE;
    default:
        return SW_SHOWNORMAL;
    }
}

std::wstring Wide(const GbkText& text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

} // namespace

TextArray ReadFileVersionInfo(const GbkText& file)
{
    TextArray texts(std::size(kVersionFields));
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) {
        return texts;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) {
        return texts;
    }
    char language[16] = "040904E4";
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translations), &length) &&
        length >= sizeof(Translation)) {
        std::snprintf(language, sizeof language, "%04X%04X", translations[0].language,
                      translations[0].codePage);
    }
    for (std::size_t i = 0; i < std::size(kVersionFields); ++i) {
        std::string key = std::string("\\StringFileInfo\\") + language + "\\" + kVersionFields[i];
        char* value = nullptr;
        UINT valueLength = 0;
        if (VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value),
                           &valueLength) &&
            value != nullptr) {
            texts[i] = value;
        }
    }
    return texts;
}

GbkText SpecialFolderPath(int index)
{
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, index, FALSE)) {
        return GbkText();
    }
    GbkText folder(path);
    if (folder.empty() || folder.back() != '\\') {
        folder += '\\';
    }
    return folder;
}

bool CreateShortcut(const GbkText& linkFile, const GbkText& target)
{
    GbkText file = linkFile;
    if (file.size() < 4 || _stricmp(file.c_str() + file.size() - 4, ".lnk") != 0) {
        file += ".lnk";
    }
    toolkit::ScopedComApartment apartment;
    toolkit::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid()))) {
        return false;
    }
    link->SetPath(target.c_str());
    link->SetShowCmd(SW_SHOW);
    auto persist = link.As<IPersistFile>(IID_IPersistFile);
    return persist && SUCCEEDED(persist->Save(Wide(file).c_str(), TRUE));
}

bool RunCommandLine(const GbkText& commandLine, bool wait, int showMode)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommand(showMode));
    PROCESS_INFORMATION process{};
    // CreateProcessA may write into the command line.
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    toolkit::ScopedHandle processHandle(process.hProcess);
    toolkit::ScopedHandle threadHandle(process.hThread);
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
    } else {
        WaitForInputIdle(process.hProcess, 1000);
    }
    return true;
}

bool OpenWithShell(int verb, const GbkText& file, int showMode)
{
    const char* operation = verb == 4 ? "open" : nullptr;
    int show = showMode == 1 ? SW_SHOWNORMAL : ShowCommand(showMode);
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, operation, file.c_str(), nullptr, "", show));
    return result > 32;
}

bool RemoveFile(const GbkText& path)
{
    return DeleteFileA(path.c_str()) != FALSE;
}

bool WriteWholeFile(const GbkText& path, const ByteSet& bytes)
{
    toolkit::ScopedHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr) &&
                             written == bytes.size());
}

} // namespace framework
