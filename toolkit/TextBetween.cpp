#include "toolkit/TextBetween.h"

#include <optional>
#include <string_view>

namespace toolkit {

namespace {

constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// The text up to its first zero byte: texts handed around here are NUL-terminated by contract.
std::string_view TextView(const GbkText& text)
{
    return std::string_view(text.c_str());
}

size_t CharacterLength(unsigned char lead)
{
    return lead >= 0x80 ? 2 : 1;
}

char FoldCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool MatchesAt(std::string_view text, size_t index, std::string_view marker, bool ignoreCase)
{
    if (index + marker.size() > text.size()) {
        return false;
    }
    for (size_t i = 0; i < marker.size(); ++i) {
        char a = text[index + i];
        char b = marker[i];
        if (ignoreCase ? FoldCase(a) != FoldCase(b) : a != b) {
            return false;
        }
    }
    return true;
}

GbkText ResolvePlaceholder(const GbkText& marker)
{
    std::string_view rest = TextView(marker);
    GbkText result;
    result.reserve(rest.size());
    for (size_t at; (at = rest.find(kQuotePlaceholder)) != std::string_view::npos;) {
        result.append(rest.substr(0, at));
        result.push_back('"');
        rest.remove_prefix(at + kQuotePlaceholder.size());
    }
    result.append(rest);
    return result;
}

// 0-based index of the first character-aligned occurrence at or after the 0-based start.
std::optional<size_t> FindForward(std::string_view text, std::string_view marker, size_t start,
                                  bool ignoreCase)
{
    if (start >= text.size()) {
        return std::nullopt;
    }
    if (marker.empty()) {
        return 0;
    }
    for (size_t i = start; i < text.size(); i += CharacterLength(text[i])) {
        if (MatchesAt(text, i, marker, ignoreCase)) {
            return i;
        }
    }
    return std::nullopt;
}

// 0-based index of the last character-aligned occurrence lying wholly in the first areaLength
// bytes. Alignment is counted from the start of the text, as every character is.
std::optional<size_t> FindBackward(std::string_view text, std::string_view marker,
                                   size_t areaLength, bool ignoreCase)
{
    std::string_view area = text.substr(0, areaLength);
    std::optional<size_t> last;
    for (size_t i = 0; i < area.size(); i += CharacterLength(area[i])) {
        if (MatchesAt(area, i, marker, ignoreCase)) {
            last = i;
        }
    }
    return last;
}

} // namespace

GbkText TextBetween(const GbkText& source, const GbkText& leftMarker, const GbkText& rightMarker,
                    int32_t startPos, bool ignoreCase)
{
    std::string_view text = TextView(source);
    GbkText left = ResolvePlaceholder(leftMarker);
    GbkText right = ResolvePlaceholder(rightMarker);
    size_t start = startPos < 1 ? 0 : static_cast<size_t>(startPos) - 1;

    std::optional<size_t> leftAt = FindForward(text, left, start, ignoreCase);
    if (!leftAt) {
        return {};
    }
    size_t begin = *leftAt + left.size();
    std::optional<size_t> rightAt = FindForward(text, right, begin, ignoreCase);
    // An empty right marker reports position 1, which can lie before the wanted text.
    if (!rightAt || *rightAt <= begin) {
        return {};
    }
    return GbkText(text.substr(begin, *rightAt - begin));
}

GbkText TextBetweenAnyCase(const GbkText& source, const GbkText& leftMarker,
                           const GbkText& rightMarker, int32_t startPos, bool caseSensitive)
{
    return TextBetween(source, leftMarker, rightMarker, startPos, !caseSensitive);
}

GbkText TextBetweenFromEnd(const GbkText& source, const GbkText& rightMarker,
                           const GbkText& leftMarker, int32_t offsetFromEnd, bool ignoreCase)
{
    std::string_view text = TextView(source);
    GbkText right = ResolvePlaceholder(rightMarker);
    GbkText left = ResolvePlaceholder(leftMarker);

    size_t area = text.size();
    if (offsetFromEnd > 0) {
        int64_t kept = static_cast<int64_t>(text.size()) - offsetFromEnd - 1;
        area = kept > 0 ? static_cast<size_t>(kept) : 0;
    }
    std::optional<size_t> rightAt = FindBackward(text, right, area, ignoreCase);
    if (!rightAt) {
        return {};
    }
    std::optional<size_t> leftAt = FindBackward(text, left, *rightAt, ignoreCase);
    if (!leftAt) {
        return {};
    }
    size_t begin = *leftAt + left.size();
    return GbkText(text.substr(begin, *rightAt - begin));
}

int32_t SplitText(const GbkText& text, TextArray& list, const GbkText& delimiter, int32_t maxCount)
{
    list.clear();
    std::string_view source = TextView(text);
    std::string_view cut = TextView(delimiter);
    if (cut.empty()) {
        cut = ",";
    }
    if (maxCount < 0) {
        return 0;
    }

    size_t pieces = 0;
    auto limitReached = [&] { return maxCount > 0 && pieces >= static_cast<size_t>(maxCount); };
    auto addPiece = [&](std::string_view piece) {
        ++pieces;
        if (!piece.empty()) {
            list.emplace_back(piece);
        }
    };

    size_t pieceStart = 0;
    size_t i = 0;
    while (i < source.size() && !limitReached()) {
        if (MatchesAt(source, i, cut, false)) {
            addPiece(source.substr(pieceStart, i - pieceStart));
            i += cut.size();
            pieceStart = i;
        } else {
            i += CharacterLength(source[i]);
        }
    }
    if (pieceStart < source.size() && !limitReached()) {
        addPiece(source.substr(pieceStart));
    }
    return static_cast<int32_t>(list.size());
}

} // namespace toolkit
