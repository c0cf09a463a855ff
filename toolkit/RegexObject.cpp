#include "toolkit/RegexObject.h"

#include <cstring>

namespace toolkit {

namespace {

// "#引号" in code page 936. Its first byte is ASCII, which is never the second byte of a
// character, so a byte search cannot find it astride two characters.
constexpr const char* kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

GbkText ReplacePlaceholders(const GbkText& pattern)
{
    const std::size_t length = std::strlen(kQuotePlaceholder);
    GbkText replaced;
    std::size_t from = 0;
    for (std::size_t at = pattern.find(kQuotePlaceholder); at != GbkText::npos;
         at = pattern.find(kQuotePlaceholder, from)) {
        replaced.append(pattern, from, at - from);
        replaced += '"';
        from = at + length;
    }
    replaced.append(pattern, from, GbkText::npos);
    return replaced;
}

std::wstring WideOfBytes(const ByteSet& bytes)
{
    std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
    return wide;
}

// 0-based offset of needle in text from start, or -1; an empty text holds nothing, not even
// the empty needle.
std::int32_t FindFrom(const GbkText& text, const GbkText& needle, std::size_t start)
{
    if (text.empty() || start > text.size()) {
        return -1;
    }
    std::size_t at = text.find(needle, start);
    return at == GbkText::npos ? -1 : static_cast<std::int32_t>(at);
}

} // namespace

RegexObject::RegexObject()
{
    VariantInit(&m_subject);
    V_VT(&m_subject) = VT_I4;
    V_I4(&m_subject) = 0;
    ComInitialize();
    m_holdsCom = true;
}

RegexObject::RegexObject(CopyTag, const RegexObject& source)
    : m_regExp(source.m_regExp.Share()), m_matches(source.m_matches.Share())
{
    VariantInit(&m_subject);
    VariantCopy(&m_subject, const_cast<VARIANT*>(&source.m_subject));
    ComInitialize();
    m_holdsCom = true;
}

RegexObject::~RegexObject()
{
    RegexRelease();
}

void RegexObject::RegexObjectDestroy()
{
    RegexRelease();
}

void RegexObject::RegexRelease()
{
    m_regExp.Reset();
    m_matches.Reset();
    VariantClear(&m_subject);
    if (m_holdsCom) {
        m_holdsCom = false;
        ComUninitialize();
    }
}

std::unique_ptr<RegexObject> RegexObject::RegexObjectCopy() const
{
    return std::unique_ptr<RegexObject>(new RegexObject(CopyTag{}, *this));
}

bool RegexObject::RegexExecute(const GbkText& pattern, const GbkText& subject,
                               std::optional<bool> caseSensitive, std::optional<bool> multiline,
                               std::optional<bool> global, std::optional<bool> quotePlaceholder)
{
    return Execute(pattern, AutoArg::Text(subject), caseSensitive, multiline, global,
                   quotePlaceholder);
}

bool RegexObject::RegexExecuteBytes(const GbkText& pattern, const std::optional<ByteSet>& subject,
                                    std::optional<bool> caseSensitive,
                                    std::optional<bool> multiline, std::optional<bool> global,
                                    std::optional<bool> quotePlaceholder)
{
    return Execute(pattern, AutoArg::Bytes(subject.value_or(ByteSet())), caseSensitive, multiline,
                   global, quotePlaceholder);
}

bool RegexObject::Execute(const GbkText& pattern, AutoArg subject,
                          std::optional<bool> caseSensitive, std::optional<bool> multiline,
                          std::optional<bool> global, std::optional<bool> quotePlaceholder)
{
    m_regExp.Reset();
    m_matches.Reset();
    m_regExp = AutoObject::Create(L"VBScript.RegExp");
    if (m_regExp.IsEmpty()) {
        return false;
    }
    m_regExp.Put(L"IgnoreCase", AutoArg::Bool(!caseSensitive.value_or(false)));
    m_regExp.Put(L"Multiline", AutoArg::Bool(multiline.value_or(true)));
    m_regExp.Put(L"Global", AutoArg::Bool(global.value_or(true)));
    m_regExp.Put(
        L"Pattern",
        AutoArg::Text(quotePlaceholder.value_or(false) ? ReplacePlaceholders(pattern) : pattern));
    VariantClear(&m_subject);
    VARIANT passed = subject.Passed();
    VariantCopy(&m_subject, &passed);
    m_matches = AutoObject(m_regExp.Call(L"Execute", AutoArg::Copy(m_subject)).Object());
    return !m_matches.IsEmpty();
}

GbkText RegexObject::RegexGetPattern()
{
    if (m_regExp.IsEmpty()) {
        return {};
    }
    return m_regExp.Get(L"Pattern").Text();
}

GbkText RegexObject::RegexReplace(const std::optional<GbkText>& replacement)
{
    if (m_regExp.IsEmpty()) {
        return {};
    }
    return m_regExp
        .Call(L"Replace", AutoArg::Copy(m_subject), AutoArg::Text(replacement.value_or("")))
        .Text();
}

ByteSet RegexObject::RegexReplaceVariant(const std::optional<ByteSet>& replacement)
{
    if (m_regExp.IsEmpty()) {
        return {};
    }
    return m_regExp
        .Call(L"Replace", AutoArg::Copy(m_subject), AutoArg::Bytes(replacement.value_or(ByteSet())))
        .Bytes();
}

std::int32_t RegexObject::RegexCount()
{
    if (m_matches.IsEmpty()) {
        return 0;
    }
    return m_matches.Get(L"Count").Int();
}

AutoObject RegexObject::Match(std::int32_t matchIndex)
{
    if (m_matches.IsEmpty() || matchIndex < 1) {
        return {};
    }
    return AutoObject(m_matches.Call(L"Item", AutoArg::Int(matchIndex - 1)).Object());
}

AutoValue RegexObject::SubMatch(std::int32_t matchIndex, std::int32_t subIndex)
{
    AutoObject match = Match(matchIndex);
    if (match.IsEmpty() || subIndex < 1) {
        return {};
    }
    AutoObject subMatches(match.Get(L"SubMatches").Object());
    return subMatches.Call(L"Item", AutoArg::Int(subIndex - 1));
}

std::wstring RegexObject::SubjectWide() const
{
    if (V_VT(&m_subject) == VT_BSTR) {
        return std::wstring(V_BSTR(&m_subject), SysStringLen(V_BSTR(&m_subject)));
    }
    if (V_VT(&m_subject) == (VT_ARRAY | VT_UI1)) {
        AutoValue bytes;
        VariantCopy(bytes.Receive(), const_cast<VARIANT*>(&m_subject));
        bytes.SetOk(true);
        return WideOfBytes(bytes.Bytes());
    }
    return {};
}

// FirstIndex counts UTF-16 units; the code page 936 text of the subject before the match is
// exactly as long in bytes as the match's offset. (Searching for the match text from
// FirstIndex as a byte position instead would find an earlier equal text when Chinese
// characters come before both.)
std::int32_t RegexObject::MatchOffset(AutoObject& match)
{
    std::wstring subject = SubjectWide();
    GbkText text = WideToGbk(subject);
    GbkText value = match.Get(L"Value").Text();
    std::int32_t firstIndex = match.Get(L"FirstIndex").Int();
    if (text.empty()) {
        return -2;
    }
    if (firstIndex >= 0 && static_cast<std::size_t>(firstIndex) <= subject.size()) {
        std::size_t offset = WideToGbk(subject.substr(0, firstIndex)).size();
        if (text.compare(offset, value.size(), value) == 0) {
            return static_cast<std::int32_t>(offset);
        }
    }
    std::int32_t found =
        FindFrom(text, value, static_cast<std::size_t>(firstIndex > 1 ? firstIndex - 1 : 0));
    return found < 0 ? -2 : found;
}

GbkText RegexObject::RegexMatchText(std::int32_t matchIndex, std::int32_t* position)
{
    AutoObject match = Match(matchIndex);
    GbkText value = match.IsEmpty() ? GbkText() : match.Get(L"Value").Text();
    if (position) {
        *position = MatchOffset(match);
    }
    return value;
}

ByteSet RegexObject::RegexMatchValue(std::int32_t matchIndex)
{
    AutoObject match = Match(matchIndex);
    if (match.IsEmpty()) {
        return {};
    }
    return match.Get(L"Value").Bytes();
}

GbkText RegexObject::RegexSubMatchText(std::int32_t matchIndex, std::int32_t subIndex,
                                       std::int32_t* position)
{
    GbkText value = SubMatch(matchIndex, subIndex).Text();
    if (position) {
        // Submatches carry no index of their own: the first occurrence of the text from the
        // start of its match is taken for it.
        AutoObject match = Match(matchIndex);
        std::int32_t matchOffset = MatchOffset(match);
        std::int32_t found = matchOffset < 0 ? -1
                                             : FindFrom(WideToGbk(SubjectWide()), value,
                                                        static_cast<std::size_t>(matchOffset));
        *position = found < 0 ? -2 : found;
    }
    return value;
}

ByteSet RegexObject::RegexSubMatch(std::int32_t matchIndex, std::int32_t subIndex)
{
    AutoValue value = SubMatch(matchIndex, subIndex);
    if (!value.Ok() || V_VT(&value.Raw()) == VT_EMPTY) {
        return {};
    }
    return value.Bytes();
}

std::int32_t RegexObject::RegexSubMatchCount()
{
    AutoObject match = Match(1);
    if (match.IsEmpty()) {
        return 0;
    }
    AutoObject subMatches(match.Get(L"SubMatches").Object());
    return subMatches.Get(L"Count").Int();
}

} // namespace toolkit
