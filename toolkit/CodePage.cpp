#include "toolkit/CodePage.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "toolkit/PercentEncoding.h"
#include "toolkit/Utf8Decoder.h"

namespace toolkit {

namespace {

// The units of a UTF-16LE byte buffer with a zero unit appended, so that every call made with
// length -1 stops inside our copy even when the caller's bytes carry no terminator.
std::wstring TerminatedUnits(const ByteSet& utf16)
{
    std::wstring units(utf16.size() / 2, L'\0');
    if (!units.empty()) {
        std::memcpy(units.data(), utf16.data(), units.size() * 2);
    }
    return units;
}

ByteSet UnitsToBytes(const wchar_t* units, size_t count)
{
    const auto* first = reinterpret_cast<const uint8_t*>(units);
    return ByteSet(first, first + count * 2);
}

} // namespace

GbkText UrlEncode(const GbkText& text, bool keepUnreserved, bool asUtf8)
{
    if (asUtf8) {
        return PercentEncodeBytes(GbkToUtf8(text), keepUnreserved);
    }
    const char* own = text.c_str();
    return PercentEncodeBytes(ByteSet(own, own + std::strlen(own)), keepUnreserved);
}

ByteSet GbkToUtf8(const GbkText& text)
{
    return Utf16ToMultiByte(GbkToUtf16(text), kCodePageUtf8);
}

ByteSet GbkToUtf16(const GbkText& text)
{
    return MultiByteToUtf16(ByteSet(text.begin(), text.end()), kCodePageGbk);
}

ByteSet MultiByteToUtf16(const ByteSet& bytes, uint32_t codePage)
{
    std::string data(bytes.begin(), bytes.end());
    const char* source = data.c_str();
    if (*source == '\0') {
        return {};
    }
    int units = MultiByteToWideChar(codePage, 0, source, -1, nullptr, 0);
    if (units <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, 0, source, -1, wide.data(), units) <= 0) {
        return {};
    }
    return UnitsToBytes(wide.data(), wide.size());
}

ByteSet Utf16ToMultiByte(const ByteSet& utf16, uint32_t codePage)
{
    std::wstring units = TerminatedUnits(utf16);
    if (lstrlenW(units.c_str()) == 0) {
        return {};
    }
    int size = WideCharToMultiByte(codePage, 0, units.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string buffer(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, 0, units.c_str(), -1, buffer.data(), size, nullptr,
                            nullptr) <= 0) {
        return {};
    }
    const char* text = buffer.c_str();
    return ByteSet(text, text + std::strlen(text));
}

GbkText Utf8ToAnsiText(const ByteSet& utf8)
{
    std::u16string decoded = DecodeUtf8(utf8);
    if (decoded.empty()) {
        return {};
    }
    std::wstring units(decoded.begin(), decoded.end());
    int count = static_cast<int>(units.size());
    int size = WideCharToMultiByte(CP_ACP, 0, units.data(), count, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    GbkText text(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, units.data(), count, text.data(), size, nullptr, nullptr) <=
        0) {
        return {};
    }
    // An answer ending in a zero byte would otherwise carry it into the text.
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

GbkText Utf8BytesToText(const GbkText& utf8Text)
{
    return WideToMultiByte(MultiByteToWide(utf8Text, kCodePageUtf8), kCodePageGbk);
}

ByteSet MultiByteToWide(const GbkText& text, uint32_t codePage)
{
    int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (units <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), units) <= 0) {
        // A call that ran out of room may have filled part of it; what callers get for a
        // failure is the all-zero buffer.
        wide.assign(wide.size(), L'\0');
    }
    return UnitsToBytes(wide.data(), wide.size());
}

GbkText WideToMultiByte(const ByteSet& utf16, uint32_t codePage)
{
    std::wstring units = TerminatedUnits(utf16);
    int size = WideCharToMultiByte(CP_ACP, 0, units.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    int room = 2 * size;
    GbkText buffer(static_cast<size_t>(room), ' ');
    if (WideCharToMultiByte(codePage, 0, units.c_str(), -1, buffer.data(), room, nullptr,
                            nullptr) <= 0) {
        return {};
    }
    return GbkText(buffer.c_str());
}

} // namespace toolkit
