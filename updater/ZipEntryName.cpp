#include "updater/ZipEntryName.h"

namespace updater {

namespace {

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

GbkText EntryOutputPath(const GbkText& targetDirectory, const GbkText& entryName)
{
    GbkText path = targetDirectory;
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
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
    // Split at every separator byte, also one that ends a two-byte character: that can only
    // refuse more names, never let an upward step through.
    GbkText step;
    for (char c : entryName) {
        if (c == ':') {
            return false;
        }
        if (IsSeparator(c)) {
            if (IsDotStep(step)) {
                return false;
            }
            step.clear();
        } else {
            step += c;
        }
    }
    return !IsDotStep(step);
}

} // namespace updater
