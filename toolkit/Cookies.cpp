#include "toolkit/Cookies.h"

#include <algorithm>
#include <cstddef>

#include "toolkit/NoCase.h"

namespace toolkit {
namespace {

constexpr char kPairSeparator[] = "; ";
constexpr char kSetCookieName[] = "Set-Cookie";
constexpr char kSetCookieMarker[] = "Set-Cookie:";
constexpr char kDeletedSuffix[] = "=deleted";

bool IsLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

std::size_t Find(const GbkText& text, const GbkText& what, std::size_t from, MarkerCase mode)
{
    return mode == MarkerCase::Exact ? text.find(what, from) : FindNoCase(text, what, from);
}

// Splits at "; ": an empty piece between two separators counts, the piece after the last
// separator only when it is not empty.
TextArray SplitPairs(const GbkText& text)
{
    TextArray pairs;
    std::size_t from = 0;
    for (std::size_t at = text.find(kPairSeparator); at != GbkText::npos;
         at = text.find(kPairSeparator, from)) {
        pairs.push_back(text.substr(from, at - from));
        from = at + 2;
    }
    if (from < text.size()) {
        pairs.push_back(text.substr(from));
    }
    return pairs;
}

GbkText PairName(const GbkText& pair)
{
    return TrimCookieSpaces(pair.substr(0, pair.find('=')));
}

bool IsDeleted(const GbkText& pair)
{
    constexpr std::size_t length = sizeof kDeletedSuffix - 1;
    return pair.size() >= length && pair.compare(pair.size() - length, length, kDeletedSuffix) == 0;
}

void PrepareForSplit(GbkText& text)
{
    text = TrimCookieSpaces(text);
    if (!text.empty() && text.back() == ';') {
        text.push_back(' ');
    }
}

} // namespace

GbkText TrimCookieSpaces(const GbkText& text)
{
    // Walk the characters once, remembering where the first and the last non-space one are.
    std::size_t begin = GbkText::npos;
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        std::size_t width = 1;
        bool space = byte == ' ';
        if (IsLeadByte(byte) && i + 1 < text.size()) {
            width = 2;
            space = byte == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1;
        }
        if (!space) {
            if (begin == GbkText::npos) {
                begin = i;
            }
            end = i + width;
        }
        i += width;
    }
    if (begin == GbkText::npos) {
        return GbkText();
    }
    return text.substr(begin, end - begin);
}

GbkText CollectSetCookies(const GbkText& headerText, MarkerCase markerCase)
{
    GbkText cookies;
    std::size_t from = 0;
    while (from <= headerText.size()) {
        std::size_t lineEnd = headerText.find("\r\n", from);
        if (lineEnd == GbkText::npos) {
            lineEnd = headerText.size();
        }
        const GbkText line = headerText.substr(from, lineEnd - from);
        from = lineEnd + 2;

        const std::size_t nameEnd = line.find(": ");
        if (nameEnd == GbkText::npos || line.compare(0, nameEnd, kSetCookieName) != 0) {
            continue;
        }
        GbkText cookie;
        if (line.find(';') != GbkText::npos) {
            const std::size_t marker = Find(line, kSetCookieMarker, 0, markerCase);
            if (marker == GbkText::npos) {
                continue;
            }
            const std::size_t valueStart = marker + sizeof kSetCookieMarker - 1;
            const std::size_t semicolon = line.find(';', valueStart);
            if (semicolon != GbkText::npos) {
                cookie = line.substr(valueStart, semicolon - valueStart);
            }
        } else {
            cookie = RemoveAllNoCase(line, kSetCookieMarker);
        }
        cookies += TrimCookieSpaces(cookie);
        cookies += kPairSeparator;
    }
    if (cookies.size() >= 2 && cookies.compare(cookies.size() - 2, 2, kPairSeparator) == 0) {
        cookies.resize(cookies.size() - 2);
    }
    return cookies;
}

GbkText MergeCookies(GbkText& oldCookies, GbkText& newCookies)
{
    PrepareForSplit(oldCookies);
    PrepareForSplit(newCookies);

    TextArray list = SplitPairs(newCookies);
    for (const GbkText& pair : SplitPairs(oldCookies)) {
        const GbkText name = PairName(pair);
        const bool named = std::any_of(list.begin(), list.end(),
                                       [&](const GbkText& kept) { return PairName(kept) == name; });
        if (!named) {
            list.push_back(pair);
        }
    }

    TextArray merged;
    for (const GbkText& pair : list) {
        if (IsDeleted(pair) || std::find(merged.begin(), merged.end(), pair) != merged.end()) {
            continue;
        }
        merged.push_back(pair);
    }

    GbkText text;
    for (std::size_t i = 0; i < merged.size(); ++i) {
        if (i > 0) {
            text += kPairSeparator;
        }
        text += merged[i];
    }
    oldCookies = text;
    return text;
}

} // namespace toolkit
