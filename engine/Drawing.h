#pragma once
// GDI+ for the engine: its start-up, the fonts (with a fallback for faces the system lacks) and
// the few drawing helpers the control looks share.

#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/Look.h"
#include "engine/Picture.h"

namespace engine {

// Starts GDI+ once for the process (never from DllMain, where its start-up may not run). False
// when it cannot start; the controls then draw nothing.
bool EnsureGdiplus();

// The font of a look's font slot. A face the system does not have falls back to one that can
// show Chinese text, so a missing "微软雅黑" never leaves a label blank. Fonts are kept for the
// life of the process; the pointer stays valid.
const Gdiplus::Font* FontFor(const FontChoice& choice);

// The family name FontFor settles on for a face, for tests and diagnostics.
std::u16string ResolvedFace(const std::u16string& face);

// Code page 936 bytes and UTF-16, both ways.
std::u16string FromGbk(const char* bytes, std::size_t length);
std::string ToGbk(const std::u16string& text);

// A GDI+ surface over a DIB's pixels, set up for anti-aliased shapes and text.
class Canvas {
public:
    explicit Canvas(Dib& target);
    Gdiplus::Graphics& Graphics() { return *m_graphics; }

private:
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
    std::unique_ptr<Gdiplus::Graphics> m_graphics;
};

// Draws a picture frame scaled into (x, y, width, height) of a canvas.
void DrawFrame(Gdiplus::Graphics& graphics, const PictureFrame& frame, int x, int y, int width,
               int height);

Gdiplus::Color ArgbColour(std::uint32_t argb);

// A rectangle with rounded corners of the given radius.
void RoundedRectPath(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& rect, float radius);

enum class TextLayout {
    Wrapped,        // from the top left, wrapping at the box's width
    Centred,        // one line in the middle of the box
    LeftMiddle,     // one line, left, vertically centred
    LeftMiddleTrim, // the same, cut with an ellipsis when too long
};

void PaintText(Gdiplus::Graphics& graphics, const std::u16string& text, const FontChoice& font,
               std::uint32_t argb, const Gdiplus::RectF& box, TextLayout layout);

} // namespace engine
