#include "toolkit/NoCase.h"

#include <algorithm>

namespace toolkit {
namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::size_t FindNoCase(const GbkText& text, const GbkText& what, std::size_t from)
{
    if (what.empty() || from > text.size()) {
        return GbkText::npos;
    }
    const auto it =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), what.begin(),
                    what.end(), [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
    return it == text.end() ? GbkText::npos : static_cast<std::size_t>(it - text.begin());
}

bool ContainsNoCase(const GbkText& text, const GbkText& what)
{
    return FindNoCase(text, what) != GbkText::npos;
}

bool EqualsNoCase(const GbkText& a, const GbkText& b)
{
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool StartsWithNoCase(const GbkText& text, const GbkText& start)
{
    return text.size() >= start.size() &&
           std::equal(start.begin(), start.end(), text.begin(),
                      [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

GbkText RemoveAllNoCase(const GbkText& text, const GbkText& what)
{
    GbkText out;
    std::size_t from = 0;
    for (std::size_t at = FindNoCase(text, what, 0); at != GbkText::npos;
         at = FindNoCase(text, what, from)) {
        out.append(text, from, at - from);
        from = at + what.size();
    }
    out.append(text, from, GbkText::npos);
    return out;
}

} // namespace toolkit
