#include "updater/ZipEntryName.h"

namespace updater {

namespace {

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

// Steps that resolve upwards or to nothing once Windows drops the trailing dots and spaces.
bool IsDotStep(const GbkText& step)
{
    if (step.empty() || step == ".") {
        return false;
    }
    for (char c : step) {
        if (c != '.' && c != ' ') {
            return false;
        }
    }
    return true;
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
    // A "/" is never the second byte of a character, so each one is a separator.
    for (char c : entryName) {
        path += c == '/' ? '\\' : c;
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
        if (end == i + 1 && c == ':') {
            return false;
        }
        if (end == i + 1 && IsSeparator(c)) {
            if (IsDotStep(step)) {
                return false;
            }
            step.clear();
        } else {
            step.append(entryName, i, end - i);
        }
        i = end;
    }
    return !IsDotStep(step);
}

} // namespace updater
