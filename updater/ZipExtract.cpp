#include "updater/ZipExtract.h"

#include <windows.h>

#include <unzip.h>

#include <utility>
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
// A file that is in use is often let go within moments (a program that is ending, a scanner
// that reads a new file); the move is tried this often, this far apart.
constexpr int kMoveAttempts = 20;
constexpr DWORD kMoveRetryMs = 100;
constexpr char kTemporaryPrefix[] = "qlt";

bool DirectoryExists(const GbkText& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the directory and each missing one above it.
bool CreateDirectories(const GbkText& path)
{
    for (std::size_t i = 0; i < path.size(); i = CharacterEnd(path, i)) {
        if (path[i] == '\\' && i > 0) {
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

// The directory part of a file's path, up to its last separator.
GbkText ParentOf(const GbkText& path)
{
    const std::size_t last = LastBackslash(path);
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

struct ZipReaderTraits {
    using Type = unzFile;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type zip) { return zip != nullptr; }
    static void Close(Type zip) { unzClose(zip); }
};
using ScopedZipReader = toolkit::ScopedResource<ZipReaderTraits>;

// A file that is deleted again unless it was kept.
class TemporaryFile {
public:
    explicit TemporaryFile(GbkText path) : m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!m_path.empty()) {
            DeleteFileA(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const GbkText& Path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    GbkText m_path;
};

// The reader's current entry as the archive describes it.
struct Entry {
    GbkText name;
    GbkText path; // where it lands
    uLong dosDate = 0;
    bool isDirectory = false;
};

bool ReadEntry(unzFile zip, const GbkText& targetDirectory, Entry& entry)
{
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return false;
    }
    std::vector<char> nameBuffer(info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(zip, &info, nameBuffer.data(), nameBuffer.size(), nullptr, 0,
                                nullptr, 0) != UNZ_OK) {
        return false;
    }
    entry.name.assign(nameBuffer.data(), info.size_filename);
    entry.path = EntryOutputPath(targetDirectory, entry.name);
    entry.dosDate = info.dosDate;
    // Zip tools mark directories by the attribute, and by the closing slash of the name.
    entry.isDirectory =
        (info.external_fa & kDirectoryAttribute) != 0 || EndsWithBackslash(entry.path);
    return true;
}

// Inflates the reader's current entry to its end, into output, or nowhere when output is null.
// False on any read, inflate or write error, and when the data does not match its check sum.
bool InflateCurrentEntry(unzFile zip, HANDLE output)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        return false;
    }
    std::vector<char> piece(kWritePieceSize);
    bool complete = true;
    for (;;) {
        const int got = unzReadCurrentFile(zip, piece.data(), kWritePieceSize);
        if (got <= 0) {
            complete = got == 0;
            break;
        }
        if (output == nullptr) {
            continue;
        }
        DWORD done = 0;
        if (!WriteFile(output, piece.data(), static_cast<DWORD>(got), &done, nullptr) ||
            done != static_cast<DWORD>(got)) {
            complete = false;
            break;
        }
    }
    // The reader compares the check sum when the entry is closed after its last byte.
    if (unzCloseCurrentFile(zip) != UNZ_OK) {
        complete = false;
    }
    return complete;
}

// True when every entry of the archive has a safe name and, unless it is a directory, reads to
// its end with a good check sum. Nothing is written.
bool IsWholeArchiveReadable(unzFile zip, const GbkText& targetDirectory)
{
    for (int step = unzGoToFirstFile(zip); step != UNZ_END_OF_LIST_OF_FILE;
         step = unzGoToNextFile(zip)) {
        Entry entry;
        if (step != UNZ_OK || !ReadEntry(zip, targetDirectory, entry)) {
            return false;
        }
        // The package comes over the network: an entry that would land outside the run
        // directory (over a system file, say) is refused rather than written.
        if (!IsSafeEntryName(entry.name)) {
            return false;
        }
        if (!entry.isDirectory && !InflateCurrentEntry(zip, nullptr)) {
            return false;
        }
    }
    return true;
}

bool IsInUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

bool MoveIntoPlace(const GbkText& from, const GbkText& to)
{
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        if (attempt == kMoveAttempts || !IsInUse(GetLastError())) {
            return false;
        }
        Sleep(kMoveRetryMs);
    }
}

// Writes the reader's current entry beside its destination and moves it over the old file only
// once it was read in full: a failure at any point leaves the old file as it was, never an
// emptied or half-written one.
bool WriteCurrentEntry(unzFile zip, const Entry& entry)
{
    const GbkText parent = ParentOf(entry.path);
    if (!parent.empty() && !DirectoryExists(parent)) {
        CreateDirectories(parent);
    }
    char temporaryPath[MAX_PATH] = {};
    if (GetTempFileNameA(parent.c_str(), kTemporaryPrefix, 0, temporaryPath) == 0) {
        return false;
    }
    TemporaryFile temporary(temporaryPath);
    {
        toolkit::ScopedHandle file(CreateFileA(temporary.Path().c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !InflateCurrentEntry(zip, file.Get())) {
            return false;
        }
        StampTimes(file.Get(), entry.dosDate);
    }
    if (!MoveIntoPlace(temporary.Path(), entry.path)) {
        return false;
    }
    temporary.Keep();
    return true;
}

// 1 when the entry is on disk, 0 when it could not be put there.
std::int32_t ExtractCurrentEntry(unzFile zip, const GbkText& targetDirectory)
{
    Entry entry;
    if (!ReadEntry(zip, targetDirectory, entry) || !IsSafeEntryName(entry.name)) {
        return 0;
    }
    if (entry.isDirectory) {
        return DirectoryExists(entry.path) || CreateDirectories(entry.path) ? 1 : 0;
    }
    if (!WriteCurrentEntry(zip, entry)) {
        return 0;
    }
    // Whatever the archive stored, the next update must be able to replace the file.
    SetFileAttributesA(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
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
    ScopedZipReader zip(unzOpen64(zipFile.c_str()));
    if (!zip) {
        return 0;
    }
    // A package that is damaged anywhere is not begun: the old version stays whole and runs
    // again, rather than a mix of old, new and missing files.
    if (!IsWholeArchiveReadable(zip.Get(), targetDirectory)) {
        return 0;
    }
    for (int step = unzGoToFirstFile(zip.Get()); step != UNZ_END_OF_LIST_OF_FILE;
         step = unzGoToNextFile(zip.Get())) {
        if (step != UNZ_OK || ExtractCurrentEntry(zip.Get(), targetDirectory) == 0) {
            return 0;
        }
    }
    return 1;
}

} // namespace updater
