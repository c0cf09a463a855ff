#include "toolkit/JsonText.h"

namespace toolkit {

namespace {

class JsonChecker {
public:
    explicit JsonChecker(std::u16string_view text) : m_text(text) {}

    bool WholeText()
    {
        SkipWhitespace();
        if (!Value(0)) {
            return false;
        }
        SkipWhitespace();
        return m_pos == m_text.size();
    }

private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char16_t Peek() const { return AtEnd() ? u'\0' : m_text[m_pos]; }

    bool Take(char16_t expected)
    {
        if (AtEnd() || m_text[m_pos] != expected) {
            return false;
        }
        ++m_pos;
        return true;
    }

    void SkipWhitespace()
    {
        while (!AtEnd()) {
            char16_t c = m_text[m_pos];
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') {
                return;
            }
            ++m_pos;
        }
    }

    static bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static bool IsHexDigit(char16_t c)
    {
        return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    }

    bool Value(std::size_t depth)
    {
        switch (Peek()) {
        case u'{':
            return Object(depth + 1);
        case u'[':
            return Array(depth + 1);
        case u'"':
            return String();
        case u't':
            return Word(u"true");
        case u'f':
            return Word(u"false");
        case u'n':
            return Word(u"null");
        default:
            return Number();
        }
    }

    bool Word(std::u16string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word) {
            return false;
        }
        m_pos += word.size();
        return true;
    }

    bool Object(std::size_t depth)
    {
        if (depth > kMaxJsonDepth) {
            return false;
        }
        ++m_pos; // '{'
        SkipWhitespace();
        if (Take(u'}')) {
            return true;
        }
        for (;;) {
            if (Peek() != u'"' || !String()) {
                return false;
            }
            SkipWhitespace();
            if (!Take(u':')) {
                return false;
            }
            SkipWhitespace();
            if (!Value(depth)) {
                return false;
            }
            SkipWhitespace();
            if (Take(u'}')) {
                return true;
            }
            if (!Take(u',')) {
                return false;
            }
            SkipWhitespace();
        }
    }

    bool Array(std::size_t depth)
    {
        if (depth > kMaxJsonDepth) {
            return false;
        }
        ++m_pos; // '['
        SkipWhitespace();
        if (Take(u']')) {
            return true;
        }
        for (;;) {
            if (!Value(depth)) {
                return false;
            }
            SkipWhitespace();
            if (Take(u']')) {
                return true;
            }
            if (!Take(u',')) {
                return false;
            }
            SkipWhitespace();
        }
    }

    bool String()
    {
        ++m_pos; // opening quote
        while (!AtEnd()) {
            char16_t c = m_text[m_pos++];
            if (c == u'"') {
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c != u'\\') {
                continue;
            }
            if (AtEnd()) {
                return false;
            }
            char16_t escape = m_text[m_pos++];
            switch (escape) {
            case u'"':
            case u'\\':
            case u'/':
            case u'b':
            case u'f':
            case u'n':
            case u'r':
            case u't':
                break;
            case u'u':
                for (int i = 0; i < 4; ++i) {
                    if (AtEnd() || !IsHexDigit(m_text[m_pos])) {
                        return false;
                    }
                    ++m_pos;
                }
                break;
            default:
                return false;
            }
        }
        return false;
    }

    bool Digits()
    {
        std::size_t start = m_pos;
        while (!AtEnd() && IsDigit(m_text[m_pos])) {
            ++m_pos;
        }
        return m_pos > start;
    }

    bool Number()
    {
        Take(u'-');
        if (Take(u'0')) {
            // A leading zero stands alone: "01" is two tokens, which the caller refuses.
        } else if (!Digits()) {
            return false;
        }
        if (Take(u'.') && !Digits()) {
            return false;
        }
        if (Peek() == u'e' || Peek() == u'E') {
            ++m_pos;
            if (!Take(u'+')) {
                Take(u'-');
            }
            if (!Digits()) {
                return false;
            }
        }
        return true;
    }

    std::u16string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

bool IsJsonText(std::u16string_view text)
{
    return JsonChecker(text).WholeText();
}

} // namespace toolkit
