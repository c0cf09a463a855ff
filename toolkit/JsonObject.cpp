#include "toolkit/JsonObject.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "toolkit/JsonSupportScript.h"
#include "toolkit/JsonText.h"

namespace toolkit {

namespace {

// Turns each U+2400 of a text read back into a backslash (see JsonSetValue's text mode).
constexpr const wchar_t* kBackslashBack = L".replace(str_reg, '\\\\')";
// The separator that JsonNodeValues joins and splits at: "[2020年7月20日20时0分0秒]".
constexpr const char* kNodeSeparator = "[2020\xC4\xEA"
                                       "7\xD4\xC2"
                                       "20\xC8\xD5"
                                       "20\xCA\xB1"
                                       "0\xB7\xD6"
                                       "0\xC3\xEB]";

std::wstring Wide(const GbkText& text)
{
    return GbkToWide(text);
}

// Texts are checked in the UTF-16 form that the engine will compile, so that no conversion
// can change what was checked.
bool IsJsonSource(const std::wstring& source)
{
    return IsJsonText(
        std::u16string_view(reinterpret_cast<const char16_t*>(source.data()), source.size()));
}

// The value text as a JSON text for the engine; false when it is none.
bool AsJsonSource(const GbkText& value, std::wstring& source)
{
    source = Wide(value);
    return IsJsonSource(source);
}

// A script string literal body for text. Escaped per character, not per byte: a code page 936
// character may have a backslash as its second byte.
std::wstring Escaped(const GbkText& text)
{
    std::wstring escaped;
    for (wchar_t c : Wide(text)) {
        switch (c) {
        case L'\\':
            escaped += L"\\\\";
            break;
        case L'\'':
            escaped += L"\\'";
            break;
        case L'"':
            escaped += L"\\\"";
            break;
        case L'\r':
            escaped += L"\\r";
            break;
        case L'\n':
            escaped += L"\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// A value for push and item writes: the JSON text itself, or a text literal.
bool ValueSource(const GbkText& value, bool asJson, std::wstring& source)
{
    if (asJson) {
        return AsJsonSource(value, source);
    }
    source = L"'" + Escaped(value) + L"'";
    return true;
}

bool AssignedLogical(const AutoValue& value)
{
    if (!value.Ok()) {
        return false;
    }
    VARTYPE type = V_VT(&value.Raw());
    if (type == VT_BSTR || type == VT_DISPATCH) {
        return true;
    }
    return value.Bool();
}

// Pieces between separators; an empty text gives none and a trailing separator adds none.
TextArray SplitAt(const GbkText& text, const GbkText& separator)
{
    TextArray pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == GbkText::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    return pieces;
}

std::wstring NumberSource(double number)
{
    if (std::isnan(number)) {
        return L"NaN";
    }
    if (std::isinf(number)) {
        return number > 0 ? L"Infinity" : L"-Infinity";
    }
    // The shortest of the usual precisions that reads back as the same number.
    char text[40];
    for (int precision : {15, 16, 17}) {
        std::snprintf(text, sizeof text, "%.*g", precision, number);
        if (std::strtod(text, nullptr) == number) {
            break;
        }
    }
    return Wide(text);
}

} // namespace

JsonObject::JsonObject() : m_variableName("da")
{
    JsonInit();
}

JsonObject::JsonObject(CopyTag, const JsonObject& source)
    : m_variableName(source.m_variableName), m_scriptControl(source.m_scriptControl.Share())
{
    ComInitialize();
    m_holdsCom = true;
}

JsonObject::~JsonObject()
{
    JsonRelease();
}

void JsonObject::JsonObjectDestroy()
{
    JsonRelease();
    m_variableName.clear();
}

void JsonObject::JsonRelease()
{
    m_scriptControl.Reset();
    if (m_holdsCom) {
        m_holdsCom = false;
        ComUninitialize();
    }
}

std::unique_ptr<JsonObject> JsonObject::JsonObjectCopy() const
{
    return std::unique_ptr<JsonObject>(new JsonObject(CopyTag{}, *this));
}

void JsonObject::JsonInit()
{
    // A second call replaces the engine; the object keeps one COM initialisation throughout.
    JsonRelease();
    ComInitialize();
    m_holdsCom = true;
    m_scriptControl = AutoObject::Create(L"MSScriptControl.ScriptControl");
    if (m_scriptControl.IsEmpty()) {
        return;
    }
    m_scriptControl.Put(L"Language", AutoArg::Text("JavaScript"));
    // The document is only data; where the control can refuse unsafe objects to the script,
    // let it.
    m_scriptControl.Put(L"UseSafeSubset", AutoArg::Bool(true));
    m_scriptControl.Call(L"AddCode", AutoArg::Text(kJsonSupportScript));
    Eval(L"var " + Wide(m_variableName) +
         L" = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

AutoValue JsonObject::Eval(const std::wstring& statement)
{
    return m_scriptControl.Call(L"Eval", AutoArg::Wide(statement));
}

JsonObject::Resolved JsonObject::Resolve(const GbkText& path)
{
    Resolved resolved{path, false};
    resolved.exists = JsonHasMember(resolved.path);
    return resolved;
}

bool JsonObject::JsonHasMember(GbkText& path)
{
    if (path.compare(0, m_variableName.size(), m_variableName) == 0 &&
        Eval(Wide(path) + L" != null").Bool()) {
        return true;
    }
    if (path.empty()) {
        path = m_variableName;
    } else if (path[0] == '[') {
        path = m_variableName + path;
    } else {
        path = m_variableName + "." + path;
    }
    return Eval(Wide(path) + L" != null").Bool();
}

bool JsonObject::JsonMemberExists(const GbkText& path)
{
    GbkText copy = path;
    return JsonHasMember(copy);
}

bool JsonObject::JsonParse(const GbkText& text, bool /*direct*/)
{
    return ParseWide(Wide(text));
}

bool JsonObject::ParseWide(const std::wstring& text)
{
    if (!m_scriptControl.IsEmpty()) {
        JsonInit();
    }
    if (m_scriptControl.IsEmpty()) {
        return false;
    }
    std::wstring name = Wide(m_variableName);
    Eval(L"var " + name + L" = null");
    // Never eval: a checked JSON text is an expression of plain literals, and eval of a
    // top-level JSON string would run the string's content as code.
    if (IsJsonSource(text)) {
        m_scriptControl.Call(L"AddCode", AutoArg::Wide(L"var " + name + L" = " + text));
    }
    return Eval(name + L" != null").Bool();
}

bool JsonObject::JsonClear()
{
    return AssignedLogical(Eval(Wide(m_variableName) + L" = {}"));
}

GbkText JsonObject::JsonToText()
{
    return Eval(L"JSON.stringify(" + Wide(m_variableName) + L")" + kBackslashBack).Text();
}

bool JsonObject::JsonSetValue(const GbkText& path, const GbkText& value, bool asJson)
{
    Resolved member = Resolve(path);
    std::wstring target = Wide(member.path);
    std::wstring source;
    if (asJson) {
        GbkText className = Eval(L"Object.prototype.toString.call(" + target + L")").Text();
        if (member.exists && className == "[object Object]") {
            if (!AsJsonSource(value.empty() ? GbkText("{}") : value, source)) {
                return false;
            }
            return AssignedLogical(
                Eval(target + L" = get__extend(" + target + L", " + source + L")"));
        }
        if (!AsJsonSource(value, source)) {
            return false;
        }
        return AssignedLogical(Eval(target + L" = " + source));
    }
    return AssignedLogical(
        Eval(target + L" = '" + Escaped(value) + L"'.replace(/\\\\/g, str_Code)"));
}

bool JsonObject::JsonSetRaw(const GbkText& path, const GbkText& text)
{
    Resolved member = Resolve(path);
    std::wstring source;
    if (!AsJsonSource(text, source)) {
        return false;
    }
    return AssignedLogical(Eval(Wide(member.path) + L" = " + source));
}

std::int32_t JsonObject::JsonTypeOf(const GbkText& path)
{
    std::wstring target = Wide(Resolve(path).path);
    if (Eval(target + L" == null").Bool()) {
        return 0;
    }
    GbkText className = Eval(L"Object.prototype.toString.call(" + target + L")").Text();
    struct Kind {
        const char* className;
        std::int32_t code;
    };
    static const Kind kinds[] = {{"[object String]", 6},
                                 {"[object Array]", 5},
                                 {"[object Object]", 4},
                                 {"[object Number]", 2},
                                 {"[object Boolean]", 1}};
    for (const Kind& kind : kinds) {
        if (className == kind.className) {
            return kind.code;
        }
    }
    return -1;
}

GbkText JsonObject::JsonGetText(const GbkText& path, bool asJson)
{
    std::wstring target = Wide(Resolve(path).path);
    if (asJson) {
        return Eval(L"JSON.stringify(" + target + L")" + kBackslashBack).Text();
    }
    return Eval(target + L".toString()" + kBackslashBack).Text();
}

std::int32_t JsonObject::JsonMemberNames(TextArray& names, const GbkText& path)
{
    std::wstring target = Wide(Resolve(path).path);
    names = SplitAt(Eval(L"get__name_All(" + target + L")").Text(), "\r\n");
    return static_cast<std::int32_t>(names.size());
}

std::int32_t JsonObject::JsonCount(const GbkText& path)
{
    std::wstring target = Wide(Resolve(path).path);
    return static_cast<std::int32_t>(Eval(L"get__count(" + target + L")").Number());
}

std::unique_ptr<JsonObject> JsonObject::ObjectOf(const std::wstring& value)
{
    // The copy goes over in UTF-16 and without turning U+2400 back into backslashes: inside
    // the new engine they are stored texts' backslashes again, while a backslash put back here
    // would be read as an escape of the JSON text (and code page 936 has no U+2400).
    std::wstring text = Eval(L"JSON.stringify(" + value + L")").Wide();
    JsonObject temporary;
    temporary.ParseWide(text);
    std::unique_ptr<JsonObject> result = temporary.JsonObjectCopy();
    temporary.JsonObjectDestroy();
    return result;
}

std::unique_ptr<JsonObject> JsonObject::JsonGetObject(const GbkText& path)
{
    return ObjectOf(Wide(Resolve(path).path));
}

std::unique_ptr<JsonObject> JsonObject::JsonArrayItemObject(std::int32_t index, const GbkText& path)
{
    return ObjectOf(Wide(Resolve(path).path) + L"[" + std::to_wstring(index) + L"]");
}

bool JsonObject::JsonArrayPush(const GbkText& value, const GbkText& path, bool asJson)
{
    std::wstring target = Wide(Resolve(path).path);
    std::wstring source;
    if (!ValueSource(value, asJson, source)) {
        return false;
    }
    return AssignedLogical(Eval(L"if (Object.prototype.toString.call(" + target +
                                L") != '[object Array]') { " + target + L" = new Array() } " +
                                target + L".push(" + source + L")"));
}

GbkText JsonObject::JsonArrayItemValue(std::int32_t index, const GbkText& path, bool asJson)
{
    std::wstring item = Wide(Resolve(path).path) + L"[" + std::to_wstring(index) + L"]";
    if (asJson) {
        return Eval(L"JSON.stringify(" + item + L")" + kBackslashBack).Text();
    }
    return Eval(item + kBackslashBack).Text();
}

bool JsonObject::JsonArraySetItem(std::int32_t index, const GbkText& path, const GbkText& value,
                                  bool asJson)
{
    std::wstring item = Wide(Resolve(path).path) + L"[" + std::to_wstring(index) + L"]";
    std::wstring source;
    if (!ValueSource(value, asJson, source)) {
        return false;
    }
    return AssignedLogical(Eval(item + L" = " + source));
}

bool JsonObject::JsonArrayRemove(std::int32_t index, const GbkText& path)
{
    std::wstring target = Wide(Resolve(path).path);
    return AssignedLogical(Eval(target + L".splice(" + std::to_wstring(index) + L", 1)"));
}

bool JsonObject::JsonRemoveMember(const GbkText& path)
{
    return Eval(L"delete " + Wide(Resolve(path).path)).Bool();
}

bool JsonObject::JsonSetMember(const GbkText& path, double number)
{
    return AssignedLogical(Eval(Wide(Resolve(path).path) + L" = " + NumberSource(number)));
}

double JsonObject::JsonGetNumber(const GbkText& path)
{
    return Eval(Wide(Resolve(path).path)).Number();
}

GbkText JsonObject::JsonGetSubText(const GbkText& path)
{
    return Eval(L"JSON.stringify(" + Wide(Resolve(path).path) + L")" + kBackslashBack).Text();
}

ComPtr<IDispatch> JsonObject::JsonCopyObject()
{
    return ShareReference(m_scriptControl.Get());
}

std::int32_t JsonObject::JsonNodeValues(TextArray& values, const GbkText& path, bool flag)
{
    std::wstring target = Wide(Resolve(path).path);
    Eval(L"var str_all = new Array()");
    Eval(L"get__nodeValue(" + target + (flag ? L", true)" : L", false)"));
    GbkText joined = Eval(L"str_all.join('" + Wide(kNodeSeparator) + L"')").Text();
    values = SplitAt(joined, kNodeSeparator);
    return static_cast<std::int32_t>(values.size());
}

} // namespace toolkit
