#include "windows/TextPositions.h"

#include <string_view>

namespace windows {

namespace {

std::string_view TextView(const GbkText& text)
{
    return std::string_view(text.c_str());
}

// What _strlwr does: only A-Z change.
GbkText LowerAscii(std::string_view text)
{
    GbkText lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lowered;
}

} // namespace

int32_t StrStrPos(const GbkText& text, const GbkText& needle, int32_t startPos)
{
    std::string_view haystack = TextView(text);
    if (haystack.empty()) {
        return -1;
    }
    size_t start = startPos < 1 ? 0 : static_cast<size_t>(startPos) - 1;
    if (start > haystack.size()) {
        return -1;
    }
    size_t at = haystack.find(TextView(needle), start);
    return at == std::string_view::npos ? -1 : static_cast<int32_t>(at + 1);
}

int32_t FindTextNoCase(const GbkText& text, const GbkText& needle, int32_t startPos,
                       bool ignoreCase)
{
    if (TextView(text).empty() || TextView(needle).empty()) {
        return -1;
    }
    if (!ignoreCase) {
        return StrStrPos(text, needle, startPos);
    }
    return StrStrPos(LowerAscii(TextView(text)), LowerAscii(TextView(needle)), startPos);
}

void FindAllPositions(const GbkText& text, const GbkText& needle, std::vector<int32_t>& positions)
{
    positions.clear();
    int32_t needleLength = static_cast<int32_t>(TextView(needle).size());
    if (needleLength == 0) {
        return;
    }
    for (int32_t at = FindTextNoCase(text, needle, 1, true); at != -1;
         at = FindTextNoCase(text, needle, at + needleLength, true)) {
        positions.push_back(at);
    }
}

GbkText ReplaceAtPositions(const GbkText& text, const GbkText& leftMarker,
                           const GbkText& rightMarker, bool keepMarkers)
{
    GbkText result(TextView(text));
    std::vector<int32_t> positions;
    FindAllPositions(result, leftMarker, positions);
    int32_t leftLength = static_cast<int32_t>(TextView(leftMarker).size());
    int32_t rightLength = static_cast<int32_t>(TextView(rightMarker).size());
    if (positions.empty() || rightLength == 0) {
        return result;
    }
    // From the last stretch to the first, so that the positions found before any removal
    // still point at their markers.
    for (auto p = positions.rbegin(); p != positions.rend(); ++p) {
        int32_t o = StrStrPos(result, rightMarker, *p + leftLength);
        if (o == -1) {
            continue;
        }
        if (keepMarkers) {
            result.erase(static_cast<size_t>(*p + leftLength - 1),
                         static_cast<size_t>(o - *p - leftLength));
        } else {
            result.erase(static_cast<size_t>(*p - 1), static_cast<size_t>(o + rightLength - *p));
        }
    }
    return result;
}

} // namespace windows
