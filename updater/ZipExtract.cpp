#include "updater/ZipExtract.h"

#include <windows.h>

#include <unzip.h>

#include <vector>

#include "framework/SystemServices.h"
#include "toolkit/ScopedWin.h"
#include "updater/ZipEntryName.h"

namespace updater {

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr DWORD kSignatureReadSize = 32;
constexpr unsigned kWritePieceSize = 16384;
constexpr uLong kDirectoryAttribute = 0x10;

bool DirectoryExists(const GbkText& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the directory and each missing one above it. Steps over two-byte characters, since
// their second byte may be 0x5C and is no separator there.
bool CreateDirectories(const GbkText& path)
{
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c >= 0x80) {
            ++i;
        } else if (c == '\\' && i > 0) {
            const GbkText prefix = path.substr(0, i);
            if (!DirectoryExists(prefix)) {
                CreateDirectoryA(prefix.c_str(), nullptr);
            }
        }
    }
    if (!DirectoryExists(path)) {
        CreateDirectoryA(path.c_str(), nullptr);
    }
    return DirectoryExists(path);
}

// The directory part of a file's path, up to its last separator outside a two-byte character.
GbkText ParentOf(const GbkText& path)
{
    std::size_t last = GbkText::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c >= 0x80) {
            ++i;
        } else if (c == '\\') {
            last = i;
        }
    }
    return last == GbkText::npos ? GbkText() : path.substr(0, last);
}

bool StartsWithLocalHeader(const GbkText& zipFile)
{
    toolkit::ScopedHandle file(CreateFileA(zipFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    unsigned char head[kSignatureReadSize] = {};
    DWORD read = 0;
    if (!ReadFile(file.Get(), head, kSignatureReadSize, &read, nullptr) || read < 4) {
        return false;
    }
    const std::uint32_t signature =
        head[0] | head[1] << 8 | head[2] << 16 | static_cast<std::uint32_t>(head[3]) << 24;
    return signature == kLocalHeaderSignature;
}

void StampTimes(HANDLE file, uLong dosDate)
{
    if (GetFileType(file) != FILE_TYPE_DISK) {
        return;
    }
    FILETIME local{};
    FILETIME stamp{};
    if (DosDateTimeToFileTime(HIWORD(dosDate), LOWORD(dosDate), &local) &&
        LocalFileTimeToFileTime(&local, &stamp)) {
        SetFileTime(file, &stamp, &stamp, &stamp);
    }
}

// Writes the reader's current entry to path. False on any read, inflate or write error, and
// when the inflated data does not match the stored check sum.
bool WriteCurrentEntry(unzFile zip, const GbkText& path, uLong dosDate)
{
    const GbkText parent = ParentOf(path);
    if (!parent.empty() && !DirectoryExists(parent)) {
        CreateDirectories(parent);
    }
    toolkit::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || unzOpenCurrentFile(zip) != UNZ_OK) {
        return false;
    }
    std::vector<char> piece(kWritePieceSize);
    bool written = true;
    for (;;) {
        const int got = unzReadCurrentFile(zip, piece.data(), kWritePieceSize);
        if (got < 0) {
            written = false;
            break;
        }
        if (got == 0) {
            break;
        }
        DWORD done = 0;
        if (!WriteFile(file.Get(), piece.data(), static_cast<DWORD>(got), &done, nullptr) ||
            done != static_cast<DWORD>(got)) {
            written = false;
            break;
        }
    }
    if (unzCloseCurrentFile(zip) != UNZ_OK) {
        written = false;
    }
    if (written) {
        StampTimes(file.Get(), dosDate);
    }
    return written;
}

// 1 when the entry is on disk, 0 when it could not be put there.
std::int32_t ExtractCurrentEntry(unzFile zip, const GbkText& targetDirectory)
{
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return 0;
    }
    std::vector<char> nameBuffer(info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(zip, &info, nameBuffer.data(), nameBuffer.size(), nullptr, 0,
                                nullptr, 0) != UNZ_OK) {
        return 0;
    }
    const GbkText name(nameBuffer.data(), info.size_filename);
    // The package comes over the network: an entry that would land outside the run directory
    // (over a system file, say) is refused rather than written.
    if (!IsSafeEntryName(name)) {
        return 0;
    }
    const GbkText path = EntryOutputPath(targetDirectory, name);
    // Zip tools mark directories by the attribute, and by the closing slash of the name.
    if ((info.external_fa & kDirectoryAttribute) != 0 || path.back() == '\\') {
        return DirectoryExists(path) || CreateDirectories(path) ? 1 : 0;
    }
    if (!WriteCurrentEntry(zip, path, info.dosDate)) {
        return 0;
    }
    // Whatever the archive stored, the next update must be able to replace the file.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return 1;
}

} // namespace

std::int32_t ZipExtract(const GbkText& zipFile, const GbkText& targetDirectory)
{
    if (zipFile.empty() || targetDirectory.empty() || !framework::FileExists(zipFile)) {
        return -1;
    }
    if (!DirectoryExists(targetDirectory) && !CreateDirectories(targetDirectory)) {
        return 0;
    }
    if (!StartsWithLocalHeader(zipFile)) {
        return 0;
    }
    unzFile zip = unzOpen64(zipFile.c_str());
    if (zip == nullptr) {
        return 0;
    }
    std::int32_t result = 1;
    for (int step = unzGoToFirstFile(zip); step != UNZ_END_OF_LIST_OF_FILE;
         step = unzGoToNextFile(zip)) {
        if (step != UNZ_OK || ExtractCurrentEntry(zip, targetDirectory) == 0) {
            result = 0;
            break;
        }
    }
    unzClose(zip);
    return result;
}

} // namespace updater
