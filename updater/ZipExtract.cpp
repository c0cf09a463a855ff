#include "updater/ZipExtract.h"

#include <windows.h>

#include <unzip.h>
#include <zlib.h>

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
// that reads a new file); each move is tried this often, this far apart.
constexpr int kMoveAttempts = 50;
constexpr DWORD kMoveRetryMs = 100;
// The new contents of a file until they are moved in, and its old contents until the whole
// package is in place.
constexpr char kTemporaryPrefix[] = "qlt";
constexpr char kBackupPrefix[] = "qlb";

bool DirectoryExists(const GbkText& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The directory part of a file's path, up to its last separator.
GbkText ParentOf(const GbkText& path)
{
    const std::size_t last = LastBackslash(path);
    return last == GbkText::npos ? GbkText() : path.substr(0, last);
}

// Where the file lies on its volume; false when it cannot be opened (when it is missing, say).
bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& identity)
{
    toolkit::ScopedHandle file(CreateFileA(path, 0,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &identity);
}

// True when the path names the executable of this very process, under whatever spelling: a
// short name, another case.
bool IsOwnImage(const GbkText& path)
{
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    BY_HANDLE_FILE_INFORMATION own{};
    BY_HANDLE_FILE_INFORMATION other{};
    return length > 0 && length < MAX_PATH && FileIdentity(self, own) &&
           FileIdentity(path.c_str(), other) &&
           own.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           own.nFileIndexHigh == other.nFileIndexHigh && own.nFileIndexLow == other.nFileIndexLow;
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

// The reader's current entry as the archive describes it.
struct Entry {
    GbkText name;
    GbkText path; // where it lands
    uLong dosDate = 0;
    bool isDirectory = false;
    ZPOS64_T size = 0; // uncompressed
    uLong crc = 0;
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
    // Every stored byte, a NUL among them, so that the name check sees what the archive holds.
    entry.name.assign(nameBuffer.data(), info.size_filename);
    entry.path = EntryOutputPath(targetDirectory, entry.name);
    entry.dosDate = info.dosDate;
    // Zip tools mark directories by the attribute, and by the closing slash of the name.
    entry.isDirectory =
        (info.external_fa & kDirectoryAttribute) != 0 || EndsWithBackslash(entry.path);
    entry.size = info.uncompressed_size;
    entry.crc = info.crc;
    return true;
}

bool WriteAll(HANDLE output, const char* bytes, DWORD count)
{
    DWORD done = 0;
    return WriteFile(output, bytes, count, &done, nullptr) && done == count;
}

// Inflates the reader's current entry to its end, into output, or nowhere when output is null.
// False on any read, inflate or write error, and unless the data comes to exactly the stored
// size with the stored check sum.
bool InflateCurrentEntry(unzFile zip, const Entry& entry, HANDLE output)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        return false;
    }
    std::vector<char> piece(kWritePieceSize);
    // The reader compares the check sum only once the stored size has come out, and takes data
    // that ends before it for the whole entry: the size and the sum are counted here.
    ZPOS64_T produced = 0;
    uLong crc = crc32(0, Z_NULL, 0);
    bool complete = true;
    for (;;) {
        const int got = unzReadCurrentFile(zip, piece.data(), kWritePieceSize);
        if (got <= 0) {
            complete = got == 0;
            break;
        }
        produced += static_cast<ZPOS64_T>(got);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(got));
        if (output != nullptr && !WriteAll(output, piece.data(), static_cast<DWORD>(got))) {
            complete = false;
            break;
        }
    }
    if (unzCloseCurrentFile(zip) != UNZ_OK) {
        complete = false;
    }
    return complete && produced == entry.size && crc == entry.crc;
}

// True when every entry of the archive has a safe name and, unless it is a directory, reads to
// exactly its stored size and check sum. Nothing is written.
bool IsWholeArchiveGood(unzFile zip, const GbkText& targetDirectory)
{
    for (int step = unzGoToFirstFile(zip); step != UNZ_END_OF_LIST_OF_FILE;
         step = unzGoToNextFile(zip)) {
        Entry entry;
        if (step != UNZ_OK || !ReadEntry(zip, targetDirectory, entry)) {
            return false;
        }
        // The package comes over the network: an entry that would land outside the run
        // directory (over a system file, say), or under another name than it shows, is
        // refused rather than written.
        if (!IsSafeEntryName(entry.name)) {
            return false;
        }
        if (!entry.isDirectory && !InflateCurrentEntry(zip, entry, nullptr)) {
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

bool MoveWithRetries(const GbkText& from, const GbkText& to)
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

bool DeleteWithRetries(const GbkText& path)
{
    for (int attempt = 1;; ++attempt) {
        if (DeleteFileA(path.c_str())) {
            return true;
        }
        if (attempt == kMoveAttempts || !IsInUse(GetLastError())) {
            return false;
        }
        Sleep(kMoveRetryMs);
    }
}

// What one package has changed below the target directory so far. Unless it is finished, it
// is undone when the object goes: the old files moved back, the new and the temporary ones
// removed, and the directories made for the package removed again, the last made first.
class Installation {
public:
    Installation() = default;
    ~Installation()
    {
        if (!m_finished) {
            RollBack();
        }
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // Makes the directory and each missing one above it; false when it is not there after.
    bool MakeDirectories(const GbkText& path);
    // Writes the reader's current entry, a file, to a temporary file beside its destination,
    // flushed to the disk; the destination is not touched yet.
    bool Stage(unzFile zip, const Entry& entry);
    // Moves each staged file into place, in the order staged, its old file moved aside first.
    // False at the first move that fails.
    bool PutInPlace();
    // Keeps what is in place and removes the old files.
    void Finish();

private:
    struct File {
        GbkText destination;
        GbkText temporary; // the new contents until they are moved in
        GbkText backup;    // the old contents once moved aside; empty while there are none
        bool inPlace = false;
    };
    bool MoveIn(File& file);
    void RollBack();

    std::vector<GbkText> m_madeDirectories;
    std::vector<File> m_files;
    bool m_finished = false;
};

bool Installation::MakeDirectories(const GbkText& path)
{
    // Each directory on the way down, the path itself last.
    std::vector<GbkText> steps;
    for (std::size_t i = 0; i < path.size(); i = CharacterEnd(path, i)) {
        if (path[i] == '\\' && i > 0) {
            steps.push_back(path.substr(0, i));
        }
    }
    steps.push_back(path);
    for (const GbkText& step : steps) {
        if (!DirectoryExists(step) && CreateDirectoryA(step.c_str(), nullptr)) {
            m_madeDirectories.push_back(step);
        }
    }
    return DirectoryExists(path);
}

bool Installation::Stage(unzFile zip, const Entry& entry)
{
    // A directory in the way could be moved aside like a file, but not removed like one.
    if (DirectoryExists(entry.path)) {
        return false;
    }
    const GbkText parent = ParentOf(entry.path);
    if (!MakeDirectories(parent)) {
        return false;
    }
    char temporaryPath[MAX_PATH] = {};
    if (GetTempFileNameA(parent.c_str(), kTemporaryPrefix, 0, temporaryPath) == 0) {
        return false;
    }
    // Noted before it is written, so that a failure from here on removes it.
    m_files.push_back({entry.path, temporaryPath, GbkText(), false});
    toolkit::ScopedHandle file(CreateFileA(temporaryPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !InflateCurrentEntry(zip, entry, file.Get()) || !FlushFileBuffers(file.Get())) {
        return false;
    }
    StampTimes(file.Get(), entry.dosDate);
    return true;
}

bool Installation::PutInPlace()
{
    for (File& file : m_files) {
        if (!MoveIn(file)) {
            return false;
        }
    }
    return true;
}

bool Installation::MoveIn(File& file)
{
    const DWORD attributes = GetFileAttributesA(file.destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Windows would not write over a read-only file, and moving it aside would get round
        // that: it is not ours to replace.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return false;
        }
        char backupPath[MAX_PATH] = {};
        if (GetTempFileNameA(ParentOf(file.destination).c_str(), kBackupPrefix, 0, backupPath) ==
            0) {
            return false;
        }
        if (!MoveWithRetries(file.destination, backupPath)) {
            DeleteFileA(backupPath);
            return false;
        }
        file.backup = backupPath;
    }
    if (!MoveWithRetries(file.temporary, file.destination)) {
        return false;
    }
    file.inPlace = true;
    return true;
}

void Installation::Finish()
{
    for (const File& file : m_files) {
        if (!file.backup.empty()) {
            DeleteWithRetries(file.backup);
        }
    }
    m_finished = true;
}

void Installation::RollBack()
{
    // Backwards, so that where two entries name one file, the older contents come back last.
    for (auto file = m_files.rbegin(); file != m_files.rend(); ++file) {
        if (!file->backup.empty()) {
            // Over the new file when that is in place already.
            MoveWithRetries(file->backup, file->destination);
        } else if (file->inPlace) {
            DeleteWithRetries(file->destination);
        }
        if (!file->inPlace) {
            DeleteFileA(file->temporary.c_str());
        }
    }
    for (auto directory = m_madeDirectories.rbegin(); directory != m_madeDirectories.rend();
         ++directory) {
        RemoveDirectoryA(directory->c_str());
    }
}

} // namespace

std::int32_t ZipExtract(const GbkText& zipFile, const GbkText& targetDirectory)
{
    if (zipFile.empty() || targetDirectory.empty() || !framework::FileExists(zipFile)) {
        return -1;
    }
    // Declared before the reader, so that the reader is closed before anything is undone.
    Installation installation;
    if (!installation.MakeDirectories(targetDirectory)) {
        return 0;
    }
    if (!StartsWithLocalHeader(zipFile)) {
        return 0;
    }
    ScopedZipReader zip(unzOpen64(zipFile.c_str()));
    if (!zip) {
        return 0;
    }
    // A package that is damaged anywhere is not begun.
    if (!IsWholeArchiveGood(zip.Get(), targetDirectory)) {
        return 0;
    }
    for (int step = unzGoToFirstFile(zip.Get()); step != UNZ_END_OF_LIST_OF_FILE;
         step = unzGoToNextFile(zip.Get())) {
        Entry entry;
        if (step != UNZ_OK || !ReadEntry(zip.Get(), targetDirectory, entry) ||
            !IsSafeEntryName(entry.name)) {
            return 0;
        }
        if (entry.isDirectory) {
            if (!installation.MakeDirectories(entry.path)) {
                return 0;
            }
            continue;
        }
        // A running program's file can be moved aside but not removed, so its old image would
        // stay behind as a backup after every update that carries it; and the unpacker's file
        // is removed once the update is done anyway. Its data was checked with the rest.
        if (IsOwnImage(entry.path)) {
            continue;
        }
        if (!installation.Stage(zip.Get(), entry)) {
            return 0;
        }
    }
    // The old version stays whole and runs again rather than a mix of old, new and missing
    // files: the program, say, new and the files it reads old.
    if (!installation.PutInPlace()) {
        return 0;
    }
    installation.Finish();
    return 1;
}

} // namespace updater
