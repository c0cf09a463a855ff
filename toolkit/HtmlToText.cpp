#include "toolkit/HtmlText.h"

#include <windows.h>

namespace toolkit {
namespace {

constexpr UINT kCodePage = 936;

std::u16string WideFromGbk(const GbkText& text)
{
    if (text.empty()) {
        return std::u16string();
    }
    const int length =
        MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return std::u16string();
    }
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), length);
    return wide;
}

// Code page 936 has nothing beyond the basic plane; such a character becomes one "?" (the
// conversion alone would give one for each half of its surrogate pair).
std::u16string WithoutSupplementaryCharacters(std::u16string wide)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            wide[out++] = u'?';
            ++i;
            continue;
        }
        wide[out++] = c;
    }
    wide.resize(out);
    return wide;
}

GbkText GbkFromWide(const std::u16string& original)
{
    const std::u16string wide = WithoutSupplementaryCharacters(original);
    if (wide.empty()) {
        return GbkText();
    }
    const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
    const int wideLength = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(kCodePage, 0, data, wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return GbkText();
    }
    GbkText text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kCodePage, 0, data, wideLength, text.data(), length, nullptr, nullptr);
    return text;
}

} // namespace

GbkText HtmlToText(const GbkText& html)
{
    return GbkFromWide(HtmlFragmentText(WideFromGbk(html)));
}

} // namespace toolkit
