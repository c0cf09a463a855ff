#include "toolkit/HtmlText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace toolkit {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kNoBreakSpace = 0x00A0;

struct NamedReference {
    std::u16string_view name;
    char32_t codePoint;
};

// The references that turn up in hand-written and editor-made notes. Most pages need only a
// handful; the rest are here so that a typographic quote or dash does not show as "&rdquo;".
constexpr NamedReference kNamedReferences[] = {
    {u"AElig", 0xC6},    {u"Aacute", 0xC1},   {u"Agrave", 0xC0},   {u"Alpha", 0x391},
    {u"Auml", 0xC4},     {u"Beta", 0x392},    {u"Ccedil", 0xC7},   {u"Delta", 0x394},
    {u"Eacute", 0xC9},   {u"Gamma", 0x393},   {u"Omega", 0x3A9},   {u"Ouml", 0xD6},
    {u"Pi", 0x3A0},      {u"Sigma", 0x3A3},   {u"Uuml", 0xDC},     {u"aacute", 0xE1},
    {u"acute", 0xB4},    {u"aelig", 0xE6},    {u"agrave", 0xE0},   {u"alpha", 0x3B1},
    {u"amp", 0x26},      {u"apos", 0x27},     {u"auml", 0xE4},     {u"bdquo", 0x201E},
    {u"beta", 0x3B2},    {u"brvbar", 0xA6},   {u"bull", 0x2022},   {u"ccedil", 0xE7},
    {u"cedil", 0xB8},    {u"cent", 0xA2},     {u"copy", 0xA9},     {u"curren", 0xA4},
    {u"dagger", 0x2020}, {u"darr", 0x2193},   {u"deg", 0xB0},      {u"delta", 0x3B4},
    {u"divide", 0xF7},   {u"eacute", 0xE9},   {u"egrave", 0xE8},   {u"emsp", 0x2003},
    {u"ensp", 0x2002},   {u"euml", 0xEB},     {u"euro", 0x20AC},   {u"frac12", 0xBD},
    {u"frac14", 0xBC},   {u"frac34", 0xBE},   {u"gamma", 0x3B3},   {u"ge", 0x2265},
    {u"gt", 0x3E},       {u"harr", 0x2194},   {u"hellip", 0x2026}, {u"iexcl", 0xA1},
    {u"infin", 0x221E},  {u"iquest", 0xBF},   {u"laquo", 0xAB},    {u"larr", 0x2190},
    {u"ldquo", 0x201C},  {u"le", 0x2264},     {u"lsaquo", 0x2039}, {u"lsquo", 0x2018},
    {u"lt", 0x3C},       {u"macr", 0xAF},     {u"mdash", 0x2014},  {u"micro", 0xB5},
    {u"middot", 0xB7},   {u"minus", 0x2212},  {u"mu", 0x3BC},      {u"nbsp", 0xA0},
    {u"ndash", 0x2013},  {u"ne", 0x2260},     {u"not", 0xAC},      {u"ntilde", 0xF1},
    {u"omega", 0x3C9},   {u"ordf", 0xAA},     {u"ordm", 0xBA},     {u"ouml", 0xF6},
    {u"para", 0xB6},     {u"permil", 0x2030}, {u"pi", 0x3C0},      {u"plusmn", 0xB1},
    {u"pound", 0xA3},    {u"prime", 0x2032},  {u"quot", 0x22},     {u"raquo", 0xBB},
    {u"rarr", 0x2192},   {u"rdquo", 0x201D},  {u"reg", 0xAE},      {u"rsaquo", 0x203A},
    {u"rsquo", 0x2019},  {u"sbquo", 0x201A},  {u"sect", 0xA7},     {u"shy", 0xAD},
    {u"sigma", 0x3C3},   {u"sup1", 0xB9},     {u"sup2", 0xB2},     {u"sup3", 0xB3},
    {u"szlig", 0xDF},    {u"thinsp", 0x2009}, {u"times", 0xD7},    {u"trade", 0x2122},
    {u"uarr", 0x2191},   {u"uacute", 0xFA},   {u"uml", 0xA8},      {u"uuml", 0xFC},
    {u"yen", 0xA5},      {u"zwj", 0x200D},    {u"zwnj", 0x200C},
};

// Browsers also accept these few without the closing semicolon.
constexpr std::u16string_view kLegacyReferences[] = {u"amp",  u"copy", u"gt", u"lt",
                                                     u"nbsp", u"quot", u"reg"};

// Numeric references in 0x80-0x9F mean the windows-1252 characters there, as in browsers.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
    0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

bool IsAsciiLetter(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char16_t c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char16_t c)
{
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsHtmlSpace(char16_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char16_t LowerAscii(char16_t c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c - 'A' + 'a') : c;
}

std::u16string LowerName(std::u16string_view name)
{
    std::u16string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    return lower;
}

void AppendCodePoint(std::u16string& out, char32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        return;
    }
    out.push_back(static_cast<char16_t>(cp));
}

enum class Kind { Inline, Block, Paragraph, Break, Row, Cell, Pre, Skip };

struct ElementKind {
    std::u16string_view name;
    Kind kind;
};

constexpr ElementKind kElementKinds[] = {
    {u"address", Kind::Block},    {u"article", Kind::Block},    {u"aside", Kind::Block},
    {u"blockquote", Kind::Block}, {u"body", Kind::Block},       {u"br", Kind::Break},
    {u"caption", Kind::Block},    {u"center", Kind::Block},     {u"dd", Kind::Block},
    {u"details", Kind::Block},    {u"dialog", Kind::Block},     {u"dir", Kind::Block},
    {u"div", Kind::Block},        {u"dl", Kind::Block},         {u"dt", Kind::Block},
    {u"fieldset", Kind::Block},   {u"figcaption", Kind::Block}, {u"figure", Kind::Block},
    {u"footer", Kind::Block},     {u"form", Kind::Block},       {u"h1", Kind::Block},
    {u"h2", Kind::Block},         {u"h3", Kind::Block},         {u"h4", Kind::Block},
    {u"h5", Kind::Block},         {u"h6", Kind::Block},         {u"head", Kind::Skip},
    {u"header", Kind::Block},     {u"hgroup", Kind::Block},     {u"hr", Kind::Block},
    {u"html", Kind::Block},       {u"iframe", Kind::Skip},      {u"legend", Kind::Block},
    {u"li", Kind::Block},         {u"listing", Kind::Pre},      {u"main", Kind::Block},
    {u"menu", Kind::Block},       {u"nav", Kind::Block},        {u"noembed", Kind::Skip},
    {u"noframes", Kind::Skip},    {u"noscript", Kind::Skip},    {u"ol", Kind::Block},
    {u"p", Kind::Paragraph},      {u"pre", Kind::Pre},          {u"script", Kind::Skip},
    {u"section", Kind::Block},    {u"select", Kind::Skip},      {u"style", Kind::Skip},
    {u"summary", Kind::Block},    {u"table", Kind::Block},      {u"td", Kind::Cell},
    {u"template", Kind::Skip},    {u"textarea", Kind::Skip},    {u"th", Kind::Cell},
    {u"title", Kind::Skip},       {u"tr", Kind::Row},           {u"ul", Kind::Block},
    {u"xmp", Kind::Skip},
};

Kind KindOf(std::u16string_view lowerName)
{
    for (const ElementKind& entry : kElementKinds) {
        if (entry.name == lowerName) {
            return entry.kind;
        }
    }
    return Kind::Inline;
}

// Collects the rendered text: runs of white space shrink to one space, which disappears at
// the start and end of a line; block boundaries ask for a number of line breaks that are only
// written when more text follows, the larger request winning.
class TextBuilder {
public:
    void Character(char16_t c)
    {
        if (m_preDepth > 0) {
            PreCharacter(c);
            return;
        }
        if (IsHtmlSpace(c)) {
            m_pendingSpace = true;
            return;
        }
        Flush();
        // A no-break space survives the collapsing but is written as a plain one: code page
        // 936 has no character for it.
        m_out.push_back(c == kNoBreakSpace ? u' ' : c);
    }

    void Text(std::u16string_view text)
    {
        for (char16_t c : text) {
            Character(c);
        }
    }

    void LineBreak()
    {
        m_pendingSpace = false;
        WritePendingBreaks();
        m_out += u"\r\n";
    }

    void RequireBreaks(int count)
    {
        m_pendingSpace = false;
        m_pendingBreaks = std::max(m_pendingBreaks, count);
    }

    void CellStart()
    {
        if (m_cellsInRow.empty()) {
            m_cellsInRow.push_back(0);
        }
        if (m_cellsInRow.back()++ > 0) {
            m_pendingSpace = false;
            WritePendingBreaks();
            m_out.push_back(u'\t');
        }
    }

    void RowStart()
    {
        if (m_cellsInRow.empty()) {
            m_cellsInRow.push_back(0);
        }
        m_cellsInRow.back() = 0;
    }

    void TableStart() { m_cellsInRow.push_back(0); }

    void TableEnd()
    {
        if (!m_cellsInRow.empty()) {
            m_cellsInRow.pop_back();
        }
    }

    void PreStart()
    {
        ++m_preDepth;
        m_skipNextNewline = true;
    }

    void PreEnd()
    {
        if (m_preDepth > 0) {
            --m_preDepth;
        }
        m_skipNextNewline = false;
    }

    std::u16string Finish() { return std::move(m_out); }

private:
    void PreCharacter(char16_t c)
    {
        const bool skip = m_skipNextNewline;
        m_skipNextNewline = false;
        if (c == u'\r') {
            m_lastWasCr = true;
            if (!skip) {
                LineBreak();
            }
            return;
        }
        if (c == u'\n') {
            const bool afterCr = m_lastWasCr;
            m_lastWasCr = false;
            if (!afterCr && !skip) {
                LineBreak();
            }
            return;
        }
        m_lastWasCr = false;
        m_pendingSpace = false;
        WritePendingBreaks();
        m_out.push_back(c == kNoBreakSpace ? u' ' : c);
    }

    void WritePendingBreaks()
    {
        if (!m_out.empty()) {
            for (int i = 0; i < m_pendingBreaks; ++i) {
                m_out += u"\r\n";
            }
        }
        m_pendingBreaks = 0;
    }

    void Flush()
    {
        if (m_pendingBreaks > 0) {
            m_pendingSpace = false;
            WritePendingBreaks();
        }
        if (m_pendingSpace && !m_out.empty() && m_out.back() != u'\n') {
            m_out.push_back(u' ');
        }
        m_pendingSpace = false;
    }

    std::u16string m_out;
    int m_pendingBreaks = 0;
    bool m_pendingSpace = false;
    int m_preDepth = 0;
    bool m_skipNextNewline = false;
    bool m_lastWasCr = false;
    std::vector<int> m_cellsInRow;
};

class FragmentReader {
public:
    explicit FragmentReader(std::u16string_view html) : m_html(html) {}

    std::u16string Read()
    {
        while (m_pos < m_html.size()) {
            const char16_t c = m_html[m_pos];
            if (c == u'<') {
                Markup();
            } else if (c == u'&') {
                Reference();
            } else {
                m_text.Character(c);
                ++m_pos;
            }
        }
        return m_text.Finish();
    }

private:
    char16_t At(std::size_t pos) const { return pos < m_html.size() ? m_html[pos] : u'\0'; }

    void SkipPast(std::u16string_view terminator, std::size_t from)
    {
        const std::size_t end = m_html.find(terminator, from);
        m_pos = end == std::u16string_view::npos ? m_html.size() : end + terminator.size();
    }

    void Markup()
    {
        const char16_t next = At(m_pos + 1);
        if (next == u'!') {
            if (m_html.substr(m_pos, 4) == u"<!--") {
                // "<!-->" and "<!--->" are complete (empty) comments to a browser.
                if (At(m_pos + 4) == u'>') {
                    m_pos += 5;
                } else if (At(m_pos + 4) == u'-' && At(m_pos + 5) == u'>') {
                    m_pos += 6;
                } else {
                    SkipPast(u"-->", m_pos + 4);
                }
            } else {
                SkipPast(u">", m_pos + 2);
            }
            return;
        }
        if (next == u'?') {
            SkipPast(u">", m_pos + 2);
            return;
        }
        if (next == u'/') {
            if (IsAsciiLetter(At(m_pos + 2))) {
                std::size_t nameEnd = m_pos + 2;
                const std::u16string name = TagName(nameEnd);
                if (!SkipTagRest(nameEnd)) {
                    return;
                }
                EndTag(name);
            } else if (At(m_pos + 2) == u'>') {
                m_pos += 3;
            } else {
                SkipPast(u">", m_pos + 2);
            }
            return;
        }
        if (!IsAsciiLetter(next)) {
            m_text.Character(u'<');
            ++m_pos;
            return;
        }
        std::size_t nameEnd = m_pos + 1;
        const std::u16string name = TagName(nameEnd);
        if (!SkipTagRest(nameEnd)) {
            return;
        }
        StartTag(name);
    }

    // Reads the tag name at `pos` (lower-cased) and leaves `pos` behind it.
    std::u16string TagName(std::size_t& pos) const
    {
        const std::size_t begin = pos;
        while (pos < m_html.size() && !IsHtmlSpace(m_html[pos]) && m_html[pos] != u'/' &&
               m_html[pos] != u'>') {
            ++pos;
        }
        return LowerName(m_html.substr(begin, pos - begin));
    }

    // Steps over the attributes to the closing ">", minding quoted values. A tag that the text
    // ends in the middle of is dropped with the rest of the text, as a browser does.
    bool SkipTagRest(std::size_t pos)
    {
        char16_t quote = 0;
        char16_t previous = 0;
        for (; pos < m_html.size(); ++pos) {
            const char16_t c = m_html[pos];
            if (quote != 0) {
                if (c == quote) {
                    quote = 0;
                }
                continue;
            }
            if ((c == u'"' || c == u'\'') && previous == u'=') {
                quote = c;
                continue;
            }
            if (c == u'>') {
                m_pos = pos + 1;
                return true;
            }
            if (!IsHtmlSpace(c)) {
                previous = c;
            }
        }
        m_pos = m_html.size();
        return false;
    }

    void StartTag(const std::u16string& name)
    {
        switch (KindOf(name)) {
        case Kind::Inline:
            return;
        case Kind::Block:
            m_text.RequireBreaks(1);
            if (name == u"table") {
                m_text.TableStart();
            }
            return;
        case Kind::Paragraph:
            m_text.RequireBreaks(2);
            return;
        case Kind::Break:
            m_text.LineBreak();
            return;
        case Kind::Row:
            m_text.RequireBreaks(1);
            m_text.RowStart();
            return;
        case Kind::Cell:
            m_text.CellStart();
            return;
        case Kind::Pre:
            m_text.RequireBreaks(1);
            m_text.PreStart();
            return;
        case Kind::Skip:
            SkipElementContent(name);
            return;
        }
    }

    void EndTag(const std::u16string& name)
    {
        switch (KindOf(name)) {
        case Kind::Block:
            m_text.RequireBreaks(1);
            if (name == u"table") {
                m_text.TableEnd();
            }
            return;
        case Kind::Paragraph:
            m_text.RequireBreaks(2);
            return;
        case Kind::Break:
            // "</br>" is read as "<br>" by browsers.
            m_text.LineBreak();
            return;
        case Kind::Row:
            m_text.RequireBreaks(1);
            return;
        case Kind::Pre:
            m_text.PreEnd();
            m_text.RequireBreaks(1);
            return;
        case Kind::Inline:
        case Kind::Cell:
        case Kind::Skip:
            return;
        }
    }

    // Elements whose content is never shown: everything up to their end tag goes, markup
    // inside included (a script's "<b>" is not an element).
    void SkipElementContent(const std::u16string& name)
    {
        for (std::size_t pos = m_pos; pos + 2 + name.size() <= m_html.size(); ++pos) {
            if (m_html[pos] != u'<' || m_html[pos + 1] != u'/') {
                continue;
            }
            if (LowerName(m_html.substr(pos + 2, name.size())) != name) {
                continue;
            }
            const char16_t after = At(pos + 2 + name.size());
            if (after != u'>' && after != u'/' && !IsHtmlSpace(after) && after != u'\0') {
                continue;
            }
            SkipTagRest(pos + 2 + name.size());
            return;
        }
        m_pos = m_html.size();
    }

    void Reference()
    {
        const char16_t next = At(m_pos + 1);
        if (next == u'#') {
            NumericReference();
            return;
        }
        std::size_t end = m_pos + 1;
        while (end < m_html.size() && end - m_pos <= 32 &&
               (IsAsciiLetter(m_html[end]) || IsAsciiDigit(m_html[end]))) {
            ++end;
        }
        const std::u16string_view name = m_html.substr(m_pos + 1, end - m_pos - 1);
        if (At(end) == u';') {
            for (const NamedReference& entry : kNamedReferences) {
                if (entry.name == name) {
                    std::u16string decoded;
                    AppendCodePoint(decoded, entry.codePoint);
                    m_text.Text(decoded);
                    m_pos = end + 1;
                    return;
                }
            }
        }
        // Without a semicolon only the legacy names count, matched as the longest prefix.
        std::u16string_view best;
        for (std::u16string_view legacy : kLegacyReferences) {
            if (name.substr(0, legacy.size()) == legacy && legacy.size() > best.size()) {
                best = legacy;
            }
        }
        if (!best.empty()) {
            for (const NamedReference& entry : kNamedReferences) {
                if (entry.name == best) {
                    std::u16string decoded;
                    AppendCodePoint(decoded, entry.codePoint);
                    m_text.Text(decoded);
                    break;
                }
            }
            m_pos += 1 + best.size();
            return;
        }
        m_text.Character(u'&');
        ++m_pos;
    }

    void NumericReference()
    {
        std::size_t pos = m_pos + 2;
        const bool hex = At(pos) == u'x' || At(pos) == u'X';
        if (hex) {
            ++pos;
        }
        const std::size_t digitsBegin = pos;
        std::uint32_t value = 0;
        bool tooLarge = false;
        while (pos < m_html.size() && (hex ? IsHexDigit(m_html[pos]) : IsAsciiDigit(m_html[pos]))) {
            const char16_t c = m_html[pos];
            const std::uint32_t digit = IsAsciiDigit(c) ? c - u'0' : (LowerAscii(c) - u'a' + 10);
            value = value * (hex ? 16 : 10) + digit;
            if (value > 0x10FFFF) {
                tooLarge = true;
                value = 0x110000;
            }
            ++pos;
        }
        if (pos == digitsBegin) {
            m_text.Character(u'&');
            ++m_pos;
            return;
        }
        if (At(pos) == u';') {
            ++pos;
        }
        char32_t cp = value;
        if (tooLarge || value == 0 || (value >= 0xD800 && value <= 0xDFFF)) {
            cp = kReplacement;
        } else if (value >= 0x80 && value <= 0x9F) {
            cp = kWindows1252High[value - 0x80];
        }
        std::u16string decoded;
        AppendCodePoint(decoded, cp);
        m_text.Text(decoded);
        m_pos = pos;
    }

    std::u16string_view m_html;
    std::size_t m_pos = 0;
    TextBuilder m_text;
};

} // namespace

std::u16string HtmlFragmentText(std::u16string_view html)
{
    return FragmentReader(html).Read();
}

} // namespace toolkit
