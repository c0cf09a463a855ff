// The looks of the seven kinds, each drawn into the control's own layer at (0, 0). The default
// skins are light glass over the window background, so a control never hides the picture
// behind it more than it must.
#include "engine/Control.h"
#include "engine/Drawing.h"

namespace engine {
namespace {

using Gdiplus::REAL;
using Gdiplus::RectF;

constexpr std::uint32_t kAccent = 0xFF2D7DD2u;

RectF Bounds(const Dib& layer)
{
    return RectF(0, 0, static_cast<REAL>(layer.Width()), static_cast<REAL>(layer.Height()));
}

bool Enabled(const Control& control)
{
    return IsWindowEnabled(control.host) != FALSE;
}

// A disabled control keeps its look at half strength.
std::uint32_t Faded(std::uint32_t argb, bool enabled)
{
    return enabled ? argb : (argb & 0x00FFFFFFu) | (((argb >> 25) & 0x7Fu) << 24);
}

void FillRounded(Gdiplus::Graphics& graphics, const RectF& box, float radius, std::uint32_t fill,
                 std::uint32_t border)
{
    Gdiplus::GraphicsPath path;
    RoundedRectPath(path, box, radius);
    Gdiplus::SolidBrush brush(ArgbColour(fill));
    graphics.FillPath(&brush, &path);
    if ((border >> 24) != 0) {
        Gdiplus::Pen pen(ArgbColour(border), 1.0f);
        graphics.DrawPath(&pen, &path);
    }
}

// False when the picture was to be had at no size this time: its file did not decode again.
bool DrawPicture(Control& control, const RECT& box)
{
    if (!control.picture) {
        return true;
    }
    RECT fitted = FitRect(control.picture->Width(), control.picture->Height(), box);
    const PictureFrame& frame = control.picture->Scaled(control.frame, fitted.right - fitted.left,
                                                        fitted.bottom - fitted.top);
    BlendFrame(control.layer, frame, fitted.left, fitted.top);
    return !frame.pixels.empty();
}

void PaintButton(Control& control, Gdiplus::Graphics& graphics)
{
    RectF box = Bounds(control.layer);
    box.Width -= 1;
    box.Height -= 1;
    box.X += 0.5f;
    box.Y += 0.5f;
    // A faint glass with a dark edge reads on the deep sky at the top of a window and on the
    // pale haze at its foot alike, and keeps white captions readable.
    std::uint32_t fill = 0x30FFFFFFu;
    std::uint32_t border = 0x48000000u;
    if (control.pressed && control.hover) {
        fill = 0x40000000u;
        border = 0x70000000u;
    } else if (control.hover) {
        fill = 0x60FFFFFFu;
        border = 0x60000000u;
    }
    bool enabled = Enabled(control);
    FillRounded(graphics, box, 3, Faded(fill, enabled), Faded(border, enabled));
    RectF text = Bounds(control.layer);
    if (control.pressed && control.hover) {
        text.Y += 1;
    }
    PaintText(graphics, control.look.Text(kTagCaption), control.look.Font(0),
              Faded(control.look.Colour(0), enabled), text, TextLayout::Centred);
}

bool PaintImageButton(Control& control)
{
    if (control.hover) {
        Canvas canvas(control.layer);
        FillRounded(canvas.Graphics(), Bounds(control.layer), 3,
                    control.pressed ? 0x38000000u : 0x50FFFFFFu, 0);
    }
    RECT glyph{0, 0, control.layer.Width(), control.layer.Height()};
    if (control.pressed && control.hover) {
        OffsetRect(&glyph, 0, 1);
    }
    return DrawPicture(control, glyph);
}

void PaintCheckBox(Control& control, Gdiplus::Graphics& graphics)
{
    int height = control.layer.Height();
    REAL side = static_cast<REAL>(std::min(14, std::max(height - 2, 6)));
    REAL top = (static_cast<REAL>(height) - side) / 2;
    RectF box(1.5f, top + 0.5f, side - 1, side - 1);
    bool enabled = Enabled(control);
    if (control.checked) {
        FillRounded(graphics, box, 2, Faded(kAccent, enabled), Faded(kAccent, enabled));
        Gdiplus::Pen tick(ArgbColour(0xFFFFFFFFu), std::max(1.5f, side / 8));
        tick.SetLineJoin(Gdiplus::LineJoinRound);
        tick.SetStartCap(Gdiplus::LineCapRound);
        tick.SetEndCap(Gdiplus::LineCapRound);
        Gdiplus::PointF points[] = {
            {box.X + side * 0.22f, box.Y + side * 0.50f},
            {box.X + side * 0.42f, box.Y + side * 0.70f},
            {box.X + side * 0.78f, box.Y + side * 0.28f},
        };
        graphics.DrawLines(&tick, points, 3);
    } else {
        std::uint32_t border = control.hover ? kAccent : 0xFF7A8CA5u;
        FillRounded(graphics, box, 2, Faded(0xF0FFFFFFu, enabled), Faded(border, enabled));
    }
    RectF text(side + 7, 0, static_cast<REAL>(control.layer.Width()) - side - 7,
               static_cast<REAL>(height));
    PaintText(graphics, control.look.Text(kTagCaption), control.look.Font(0),
              Faded(control.look.Colour(0), enabled), text, TextLayout::LeftMiddle);
}

void PaintComboBox(Control& control, Gdiplus::Graphics& graphics)
{
    RectF box = Bounds(control.layer);
    box.X += 0.5f;
    box.Y += 0.5f;
    box.Width -= 1;
    box.Height -= 1;
    bool enabled = Enabled(control);
    bool active = control.hover || control.dropList != nullptr;
    FillRounded(graphics, box, 2, enabled ? 0xF2FFFFFFu : 0xC8FFFFFFu,
                active && enabled ? kAccent : 0xFFA9B8CCu);
    REAL width = static_cast<REAL>(control.layer.Width());
    REAL height = static_cast<REAL>(control.layer.Height());
    std::u16string shown = control.selection >= 0
                               ? control.items[static_cast<std::size_t>(control.selection)]
                               : control.look.Text(kTagCaption);
    std::uint16_t slot = enabled ? 0 : 2;
    PaintText(graphics, shown, control.look.Font(slot), control.look.Colour(slot),
              RectF(6, 0, width - 26, height), TextLayout::LeftMiddleTrim);
    REAL middle = height / 2;
    Gdiplus::PointF arrow[] = {
        {width - 15, middle - 2}, {width - 7, middle - 2}, {width - 11, middle + 2.5f}};
    Gdiplus::SolidBrush brush(ArgbColour(Faded(0xFF55657Au, enabled)));
    graphics.FillPolygon(&brush, arrow, 3);
}

} // namespace

void PaintLayer(Control& control)
{
    int width = control.rect.right - control.rect.left;
    int height = control.rect.bottom - control.rect.top;
    control.layerValid = true;
    if (width <= 0 || height <= 0) {
        control.layer.Reset();
        return;
    }
    if (!control.layer.IsValid() || control.layer.Width() != width ||
        control.layer.Height() != height) {
        if (!control.layer.Create(width, height)) {
            return;
        }
    } else {
        control.layer.Clear();
    }
    if (!EnsureGdiplus()) {
        return;
    }
    RECT all{0, 0, width, height};
    switch (control.kind) {
    case ControlKind::WindowSkin:
        return;
    // A picture that could not be drawn leaves the layer to be painted again at the next
    // compose, rather than blank for good.
    case ControlKind::PictureBox:
        control.layerValid = DrawPicture(control, all);
        return;
    case ControlKind::ImageButton:
        control.layerValid = PaintImageButton(control);
        return;
    case ControlKind::Label: {
        Canvas canvas(control.layer);
        PaintText(canvas.Graphics(), control.look.Text(kTagCaption), control.look.Font(0),
                  control.look.Colour(0), Bounds(control.layer), TextLayout::Wrapped);
        return;
    }
    case ControlKind::Button: {
        Canvas canvas(control.layer);
        PaintButton(control, canvas.Graphics());
        return;
    }
    case ControlKind::CheckBox: {
        Canvas canvas(control.layer);
        PaintCheckBox(control, canvas.Graphics());
        return;
    }
    case ControlKind::ComboBox: {
        Canvas canvas(control.layer);
        PaintComboBox(control, canvas.Graphics());
        return;
    }
    }
}

} // namespace engine
