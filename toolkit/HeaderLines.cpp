#include "toolkit/HeaderLines.h"

#include <cstddef>

#include "toolkit/NoCase.h"

namespace toolkit {
namespace {

constexpr const char* kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                  "OPTIONS", "DELETE", "TRACE", "CONNECT"};

struct DefaultHeader {
    const char* probe;
    const char* line; // the Referer line takes the request address after it
    bool postOnly;
    bool withUrl;
};

constexpr DefaultHeader kDefaultHeaders[] = {
    {"Accept:", "Accept: */*", false, false},
    {"Referer:", "Referer: ", false, true},
    {"Accept-Language:", "Accept-Language: zh-cn", false, false},
    {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false, false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true, false},
};

constexpr char kLineBreak[] = "\r\n";

GbkText TrimSpaces(const GbkText& text)
{
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == GbkText::npos) {
        return GbkText();
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// Pieces between CR LF, in order, empty ones included.
TextArray SplitLines(const GbkText& text)
{
    TextArray pieces;
    std::size_t from = 0;
    for (std::size_t at = text.find(kLineBreak); at != GbkText::npos;
         at = text.find(kLineBreak, from)) {
        pieces.push_back(text.substr(from, at - from));
        from = at + 2;
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

HeaderPair NameAndValue(const GbkText& piece)
{
    const std::size_t colon = piece.find(':');
    if (colon == GbkText::npos) {
        return {GbkText(), GbkText()};
    }
    return {TrimSpaces(piece.substr(0, colon)), TrimSpaces(piece.substr(colon + 1))};
}

} // namespace

const char* VerbOfMethodIndex(int methodIndex)
{
    if (methodIndex < 0 || methodIndex > 7) {
        methodIndex = 0;
    }
    return kVerbs[methodIndex];
}

void AddDefaultHeaderLines(GbkText& headers, const GbkText& requestUrl, int methodIndex)
{
    for (const DefaultHeader& row : kDefaultHeaders) {
        if (row.postOnly && methodIndex != 1) {
            continue;
        }
        if (ContainsNoCase(headers, row.probe)) {
            continue;
        }
        headers += kLineBreak;
        headers += row.line;
        if (row.withUrl) {
            headers += requestUrl;
        }
    }
}

GbkText NormaliseHeaderLines(const GbkText& headers)
{
    TextArray pieces = SplitLines(headers);
    // A final CR LF leaves an empty last piece that is not a line of its own.
    if (!pieces.empty() && pieces.back().empty()) {
        pieces.pop_back();
    }
    GbkText out;
    bool first = true;
    for (GbkText& piece : pieces) {
        const std::size_t colon = piece.find(':');
        if (colon == GbkText::npos) {
            continue;
        }
        bool capitalise = true;
        for (std::size_t i = 0; i < colon; ++i) {
            char& c = piece[i];
            if (capitalise && c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
            capitalise = c == '-';
        }
        if (!first) {
            out += kLineBreak;
        }
        out += piece;
        first = false;
    }
    return out;
}

std::vector<HeaderPair> HeaderCalls(const GbkText& headers)
{
    std::vector<HeaderPair> calls;
    if (headers.find(kLineBreak) == GbkText::npos) {
        HeaderPair pair = NameAndValue(headers);
        if (!pair.first.empty()) {
            calls.push_back(std::move(pair));
        }
        return calls;
    }
    for (const GbkText& piece : SplitLines(headers)) {
        if (piece.empty()) {
            continue;
        }
        HeaderPair pair = NameAndValue(piece);
        if (pair.first.empty()) {
            continue;
        }
        if (pair.first == "Connection" && pair.second == "keep-alive") {
            continue;
        }
        calls.push_back(std::move(pair));
    }
    return calls;
}

} // namespace toolkit
