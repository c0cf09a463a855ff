#include "engine/Drawing.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>

namespace engine {
namespace {

// Faces that carry the Chinese glyphs, best first: what Windows ships, then what Wine's
// prefixes and Linux desktops usually have.
constexpr const wchar_t* kFallbackFaces[] = {
    L"\x5FAE\x8F6F\x96C5\x9ED1", // 微软雅黑
    L"Microsoft YaHei",
    L"WenQuanYi Micro Hei",
    L"SimSun",
    L"\x5B8B\x4F53", // 宋体
    L"SimHei",
    L"Noto Sans CJK SC",
    L"Droid Sans Fallback",
    L"Tahoma",
};

std::once_flag g_startOnce;
bool g_started = false;

std::map<std::u16string, std::unique_ptr<Gdiplus::FontFamily>> g_families;
std::map<std::tuple<std::u16string, std::int32_t, bool>, std::unique_ptr<Gdiplus::Font>> g_fonts;

std::unique_ptr<Gdiplus::FontFamily> TryFamily(const wchar_t* name)
{
    auto family = std::make_unique<Gdiplus::FontFamily>(name);
    if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable()) {
        return nullptr;
    }
    return family;
}

const Gdiplus::FontFamily* FamilyFor(const std::u16string& face)
{
    auto found = g_families.find(face);
    if (found != g_families.end()) {
        return found->second.get();
    }
    std::unique_ptr<Gdiplus::FontFamily> family;
    if (!face.empty()) {
        family = TryFamily(reinterpret_cast<const wchar_t*>(face.c_str()));
    }
    for (const wchar_t* fallback : kFallbackFaces) {
        if (family) {
            break;
        }
        family = TryFamily(fallback);
    }
    if (!family) {
        family.reset(Gdiplus::FontFamily::GenericSansSerif()->Clone());
    }
    return g_families.emplace(face, std::move(family)).first->second.get();
}

} // namespace

bool EnsureGdiplus()
{
    std::call_once(g_startOnce, [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        // The token is never given back: the engine stays loaded until the process ends, and
        // GDI+ may not be shut down from DllMain.
        g_started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    });
    return g_started;
}

const Gdiplus::Font* FontFor(const FontChoice& choice)
{
    if (!EnsureGdiplus()) {
        return nullptr;
    }
    auto key = std::make_tuple(choice.face, choice.size, choice.bold);
    auto found = g_fonts.find(key);
    if (found != g_fonts.end()) {
        return found->second.get();
    }
    const Gdiplus::FontFamily* family = FamilyFor(choice.face);
    // Stored sizes are em heights in pixels, which is what the windows' boxes are laid out for:
    // four characters of size 12 fill a label 55 pixels wide, and in points they would not fit.
    auto font = std::make_unique<Gdiplus::Font>(
        family, static_cast<Gdiplus::REAL>(choice.size),
        choice.bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    if (font->GetLastStatus() != Gdiplus::Ok && choice.bold) {
        // A family without a bold face refuses the bold style; GDI+ then draws nothing.
        font = std::make_unique<Gdiplus::Font>(family, static_cast<Gdiplus::REAL>(choice.size),
                                               Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    }
    return g_fonts.emplace(key, std::move(font)).first->second.get();
}

std::u16string ResolvedFace(const std::u16string& face)
{
    if (!EnsureGdiplus()) {
        return {};
    }
    WCHAR name[LF_FACESIZE] = {};
    FamilyFor(face)->GetFamilyName(name);
    return reinterpret_cast<const char16_t*>(name);
}

std::u16string FromGbk(const char* bytes, std::size_t length)
{
    if (bytes == nullptr || length == 0 || length > 0x7FFFFFFF) {
        return {};
    }
    int size = MultiByteToWideChar(936, 0, bytes, static_cast<int>(length), nullptr, 0);
    std::u16string text(static_cast<std::size_t>(std::max(size, 0)), u'\0');
    if (size > 0) {
        MultiByteToWideChar(936, 0, bytes, static_cast<int>(length),
                            reinterpret_cast<wchar_t*>(text.data()), size);
    }
    // A caption ends at its first NUL, as the texts inside the program do.
    text.resize(std::min(text.size(), text.find(u'\0')));
    return text;
}

std::string ToGbk(const std::u16string& text)
{
    if (text.empty()) {
        return {};
    }
    auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(936, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0) {
        WideCharToMultiByte(936, 0, wide, length, bytes.data(), size, nullptr, nullptr);
    }
    return bytes;
}

Canvas::Canvas(Dib& target)
{
    GdiFlush();
    m_bitmap = std::make_unique<Gdiplus::Bitmap>(target.Width(), target.Height(),
                                                 target.Width() * 4, PixelFormat32bppPARGB,
                                                 reinterpret_cast<BYTE*>(target.Bits()));
    m_graphics = std::make_unique<Gdiplus::Graphics>(m_bitmap.get());
    m_graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    m_graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Grey-scale anti-aliasing keeps the alpha right on a transparent layer; ClearType would
    // need the colour beneath.
    m_graphics->SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
}

Gdiplus::Color ArgbColour(std::uint32_t argb)
{
    return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb));
}

void RoundedRectPath(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& rect, float radius)
{
    float diameter = std::min({radius * 2, rect.Width, rect.Height});
    if (diameter <= 0.5f) {
        path.AddRectangle(rect);
        return;
    }
    float right = rect.X + rect.Width - diameter;
    float bottom = rect.Y + rect.Height - diameter;
    path.AddArc(rect.X, rect.Y, diameter, diameter, 180, 90);
    path.AddArc(right, rect.Y, diameter, diameter, 270, 90);
    path.AddArc(right, bottom, diameter, diameter, 0, 90);
    path.AddArc(rect.X, bottom, diameter, diameter, 90, 90);
    path.CloseFigure();
}

void PaintText(Gdiplus::Graphics& graphics, const std::u16string& text, const FontChoice& font,
               std::uint32_t argb, const Gdiplus::RectF& box, TextLayout layout)
{
    const Gdiplus::Font* drawn = FontFor(font);
    if (text.empty() || drawn == nullptr) {
        return;
    }
    Gdiplus::StringFormat format;
    switch (layout) {
    case TextLayout::Wrapped:
        // Only whole lines: a box one line high shows the first line, not the top half of two.
        format.SetFormatFlags(Gdiplus::StringFormatFlagsLineLimit);
        format.SetAlignment(Gdiplus::StringAlignmentNear);
        format.SetLineAlignment(Gdiplus::StringAlignmentNear);
        break;
    case TextLayout::Centred:
        format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        break;
    case TextLayout::LeftMiddle:
    case TextLayout::LeftMiddleTrim:
        format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
        format.SetAlignment(Gdiplus::StringAlignmentNear);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        if (layout == TextLayout::LeftMiddleTrim) {
            format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
        }
        break;
    }
    Gdiplus::SolidBrush brush(ArgbColour(argb));
    graphics.DrawString(reinterpret_cast<const WCHAR*>(text.c_str()), static_cast<INT>(text.size()),
                        drawn, box, &format, &brush);
}

} // namespace engine
