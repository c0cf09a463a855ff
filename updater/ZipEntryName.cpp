#include "updater/ZipEntryName.h"

#include <cstring>

#include "toolkit/NoCase.h"

namespace updater {

namespace {

constexpr char kRefusedCharacters[] = "<>:\"|?*";
constexpr const char* kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
// COM0 to COM9 and LPT0 to LPT9.
constexpr const char* kNumberedDeviceNames[] = {"COM", "LPT"};

bool IsLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

bool IsTrailByte(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// A single-byte character that no file name may hold. None of these bytes is ever the second
// byte of a character, so a byte of its own is the character itself.
bool IsRefusedCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || std::strchr(kRefusedCharacters, c) != nullptr;
}

// Windows opens the device, not a file, for such a step: it goes by the part before the first
// dot, without the spaces that end it ("nul.txt", "Com1 .log").
bool IsDeviceName(const GbkText& step)
{
    std::size_t end = step.find('.');
    if (end == GbkText::npos) {
        end = step.size();
    }
    while (end > 0 && step[end - 1] == ' ') {
        --end;
    }
    const GbkText base = step.substr(0, end);
    for (const char* name : kDeviceNames) {
        if (toolkit::EqualsNoCase(base, name)) {
            return true;
        }
    }
    if (base.size() == 4 && base[3] >= '0' && base[3] <= '9') {
        for (const char* name : kNumberedDeviceNames) {
            if (toolkit::EqualsNoCase(base.substr(0, 3), name)) {
                return true;
            }
        }
    }
    return false;
}

// An empty step (two separators, or the closing one of a directory) names nothing of its own.
bool IsSafeStep(const GbkText& step)
{
    if (step.empty()) {
        return true;
    }
    // Neither byte is ever the second one of a character.
    const char last = step.back();
    return last != '.' && last != ' ' && !IsDeviceName(step);
}

} // namespace

std::size_t CharacterEnd(const GbkText& text, std::size_t at)
{
    // Only a valid second byte pairs: a lead byte before "/", ":" or "." (never second bytes)
    // leaves that byte to count as itself, so a name cannot hide a separator behind a stray
    // lead byte.
    if (at + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[at])) &&
        IsTrailByte(static_cast<unsigned char>(text[at + 1]))) {
        return at + 2;
    }
    return at + 1;
}

std::size_t LastBackslash(const GbkText& text)
{
    std::size_t last = GbkText::npos;
    for (std::size_t i = 0; i < text.size(); i = CharacterEnd(text, i)) {
        if (text[i] == '\\') {
            last = i;
        }
    }
    return last;
}

bool EndsWithBackslash(const GbkText& text)
{
    return !text.empty() && LastBackslash(text) == text.size() - 1;
}

GbkText EntryOutputPath(const GbkText& targetDirectory, const GbkText& entryName)
{
    GbkText path = targetDirectory;
    if (!EndsWithBackslash(path)) {
        path += '\\';
    }
    // A "\" put after a lead byte that stands alone would pair with it into one character and
    // take the separator away; IsSafeEntryName refuses such a name.
    for (std::size_t i = 0; i < entryName.size();) {
        const std::size_t end = CharacterEnd(entryName, i);
        if (end == i + 1 && entryName[i] == '/') {
            path += '\\';
        } else {
            path.append(entryName, i, end - i);
        }
        i = end;
    }
    return path;
}

bool IsSafeEntryName(const GbkText& entryName)
{
    if (entryName.empty() || IsSeparator(entryName.front())) {
        return false;
    }
    GbkText step;
    for (std::size_t i = 0; i < entryName.size();) {
        const std::size_t end = CharacterEnd(entryName, i);
        const char c = entryName[i];
        if (end == i + 1) {
            // The file calls would stop at a NUL byte, and a lead byte without its second byte
            // would swallow the byte the name goes on with.
            if (IsRefusedCharacter(c) || IsLeadByte(static_cast<unsigned char>(c))) {
                return false;
            }
            if (IsSeparator(c)) {
                if (!IsSafeStep(step)) {
                    return false;
                }
                step.clear();
                i = end;
                continue;
            }
        }
        step.append(entryName, i, end - i);
        i = end;
    }
    return IsSafeStep(step);
}

} // namespace updater
