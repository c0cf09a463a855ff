#include "engine/Surface.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "engine/Control.h"
#include "engine/Drawing.h"
#include "engine/StoredData.h"

namespace engine {
namespace {

std::map<HWND, Surface*> g_surfaces;

bool IsEmpty(const RECT& rect)
{
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

bool Shown(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The same surface is still there for that window: a message handed on may have closed the
// window and, with its last control, the surface.
bool StillThere(HWND window, const Surface* surface)
{
    auto found = g_surfaces.find(window);
    return found != g_surfaces.end() && found->second == surface;
}

} // namespace

Surface::Counters& Surface::Statistics()
{
    static Counters counters;
    return counters;
}

Surface& Surface::Of(HWND window)
{
    auto found = g_surfaces.find(window);
    if (found != g_surfaces.end()) {
        return *found->second;
    }
    auto* surface = new Surface(window);
    g_surfaces[window] = surface;
    return *surface;
}

Surface::Surface(HWND window)
    : m_window(window),
      m_ownProcedure(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)))
{
    m_titleDibs = std::vector<Dib>(kTitlePictureCount);
    SetWindowSubclass(window, &Surface::WindowProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

Surface::~Surface()
{
    RemoveWindowSubclass(m_window, &Surface::WindowProc, 0);
    g_surfaces.erase(m_window);
}

void Surface::Attach(Control& control)
{
    m_controls.push_back(&control);
    control.surface = this;
    Invalidate(control.rect);
}

void Surface::Detach(Control& control)
{
    std::erase(m_controls, &control);
    if (m_skin == &control) {
        m_skin = nullptr;
        m_backgroundValid = false;
        InvalidateAll();
    } else {
        Invalidate(control.rect);
    }
    control.surface = nullptr;
    if (m_controls.empty()) {
        delete this;
    }
}

void Surface::SetSkin(Control& skin)
{
    m_skin = &skin;
    for (Dib& dib : m_titleDibs) {
        dib.Reset();
    }
    RemoveFrame();
    BackgroundChanged();
}

void Surface::BackgroundChanged()
{
    m_backgroundValid = false;
    InvalidateAll();
}

// A skinned window draws its own frame: the system's caption and border go, and the window
// keeps its centre and the size of its client area.
void Surface::RemoveFrame()
{
    LONG_PTR style = GetWindowLongPtrW(m_window, GWL_STYLE);
    if ((style & WS_CHILD) != 0) {
        return;
    }
    LONG_PTR exStyle = GetWindowLongPtrW(m_window, GWL_EXSTYLE);
    RECT client{};
    RECT outer{};
    GetClientRect(m_window, &client);
    GetWindowRect(m_window, &outer);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME);
    exStyle &= ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE |
                                      WS_EX_STATICEDGE);
    SetWindowLongPtrW(m_window, GWL_STYLE, style);
    SetWindowLongPtrW(m_window, GWL_EXSTYLE, exStyle);
    RECT wanted = client;
    AdjustWindowRectEx(&wanted, static_cast<DWORD>(style), GetMenu(m_window) != nullptr,
                       static_cast<DWORD>(exStyle));
    int width = Width(wanted);
    int height = Height(wanted);
    int centreX = (outer.left + outer.right) / 2;
    int centreY = (outer.top + outer.bottom) / 2;
    SetWindowPos(m_window, nullptr, centreX - width / 2, centreY - height / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Surface::Invalidate(const RECT& rect)
{
    RECT client{};
    GetClientRect(m_window, &client);
    RECT part{};
    if (!IntersectRect(&part, &rect, &client)) {
        return;
    }
    if (IsEmpty(m_dirty)) {
        m_dirty = part;
    } else {
        UnionRect(&m_dirty, &m_dirty, &part);
    }
    RedrawWindow(m_window, &part, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Surface::ControlShownOrHidden(Control& control)
{
    Invalidate(control.rect);
    // A title button beneath the control comes back or goes with it.
    for (const TitleButton& button : TitleButtons(true)) {
        RECT overlap{};
        if (IntersectRect(&overlap, &button.rect, &control.rect)) {
            Invalidate(button.rect);
        }
    }
}

void Surface::InvalidateAll()
{
    RECT client{};
    GetClientRect(m_window, &client);
    Invalidate(client);
}

bool Surface::EnsureBuffer()
{
    RECT client{};
    GetClientRect(m_window, &client);
    if (IsEmpty(client)) {
        return false;
    }
    if (m_buffer.IsValid() && m_buffer.Width() == client.right &&
        m_buffer.Height() == client.bottom) {
        return true;
    }
    if (!m_buffer.Create(client.right, client.bottom)) {
        return false;
    }
    m_dirty = client;
    return true;
}

void Surface::EnsureComposed()
{
    if (!EnsureBuffer() || IsEmpty(m_dirty)) {
        return;
    }
    RECT dirty = m_dirty;
    m_dirty = RECT{};
    std::vector<RECT> retried;
    retried.swap(m_failedParts);
    Compose(dirty);
    ShowDrawnAgain(retried);
}

// A part that an earlier paint left blank and this compose could draw is new in the buffer
// only: the paint under way copies just its own invalid part to the screen, and nothing else
// asks for that one, so the control would stay blank until something happened to cover it. A
// part that failed again asks for nothing, or every paint would bring the next.
void Surface::ShowDrawnAgain(const std::vector<RECT>& retried)
{
    if (retried.empty()) {
        return;
    }
    HRGN drawn = CreateRectRgn(0, 0, 0, 0);
    HRGN part = CreateRectRgn(0, 0, 0, 0);
    if (drawn != nullptr && part != nullptr) {
        for (const RECT& rect : retried) {
            SetRectRgn(part, rect.left, rect.top, rect.right, rect.bottom);
            CombineRgn(drawn, drawn, part, RGN_OR);
        }
        for (const RECT& rect : m_failedParts) {
            SetRectRgn(part, rect.left, rect.top, rect.right, rect.bottom);
            CombineRgn(drawn, drawn, part, RGN_DIFF);
        }
        RECT box{};
        int kind = GetRgnBox(drawn, &box);
        if (kind != NULLREGION && kind != ERROR) {
            RedrawWindow(m_window, nullptr, drawn, RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
    }
    if (part != nullptr) {
        DeleteObject(part);
    }
    if (drawn != nullptr) {
        DeleteObject(drawn);
    }
}

void Surface::Compose(const RECT& rect)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ++Statistics().composes;
    ComposeBackground(rect);

    // Bottom of the stacking order first, as the host windows overlap.
    std::vector<Control*> order;
    for (HWND child = GetWindow(m_window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        for (Control* control : m_controls) {
            if (control->host == child && control->kind != ControlKind::WindowSkin) {
                order.push_back(control);
            }
        }
    }
    HDC dc = m_buffer.Dc();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        Control& control = **it;
        RECT part{};
        if (!Shown(control.host) || !IntersectRect(&part, &rect, &control.rect)) {
            continue;
        }
        if (!control.layerValid) {
            PaintLayer(control);
            ++Statistics().layerPaints;
            if (!control.layerValid) {
                ComposeAgainLater(control.rect);
            }
        }
        BlendDib(dc, part.left, part.top, Width(part), Height(part), control.layer,
                 part.left - control.rect.left, part.top - control.rect.top);
    }
    ComposeTitleButtons(rect);
    GdiFlush();
    LARGE_INTEGER end;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    Statistics().composeMilliseconds += static_cast<double>(end.QuadPart - start.QuadPart) *
                                        1000.0 / static_cast<double>(frequency.QuadPart);
}

void Surface::ComposeBackground(const RECT& rect)
{
    HDC dc = m_buffer.Dc();
    if (m_skin == nullptr) {
        // No skin: the window's own background, as it would erase itself.
        int saved = SaveDC(dc);
        IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
        CallWindowProcA(m_ownProcedure, m_window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RestoreDC(dc, saved);
        GdiFlush();
        return;
    }
    if (!m_backgroundValid || m_background.Width() != m_buffer.Width() ||
        m_background.Height() != m_buffer.Height()) {
        if (!m_background.Create(m_buffer.Width(), m_buffer.Height())) {
            return;
        }
        m_backgroundValid = PaintSkinBackground();
        ++Statistics().backgroundScales;
        if (!m_backgroundValid) {
            ComposeAgainLater(rect);
        }
    }
    BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), m_background.Dc(), rect.left,
           rect.top, SRCCOPY);
}

void Surface::ComposeAgainLater(const RECT& rect)
{
    m_failedParts.push_back(rect);
    if (IsEmpty(m_dirty)) {
        m_dirty = rect;
    } else {
        UnionRect(&m_dirty, &m_dirty, &rect);
    }
}

// Made once for this size; every later paint copies from here. False when the picture's file
// did not decode again, which leaves the background to be made at the next paint.
bool Surface::PaintSkinBackground()
{
    int width = m_background.Width();
    int height = m_background.Height();
    const Picture* picture = m_skin->picture.get();
    if (picture == nullptr) {
        // The skin's own look without a picture: a deep slate that white and amber text (the
        // alarm notice's) stand out on.
        Canvas canvas(m_background);
        Gdiplus::LinearGradientBrush slate(Gdiplus::Point(0, 0), Gdiplus::Point(0, height),
                                           ArgbColour(0xFF34485Cu), ArgbColour(0xFF1F2B38u));
        canvas.Graphics().FillRectangle(&slate, 0, 0, width, height);
        return true;
    }
    // The picture covers the client area, centred, keeping its proportions.
    double scale = std::max(static_cast<double>(width) / picture->Width(),
                            static_cast<double>(height) / picture->Height());
    int drawnWidth = static_cast<int>(picture->Width() * scale + 0.999);
    int drawnHeight = static_cast<int>(picture->Height() * scale + 0.999);
    const PictureFrame& frame = picture->Frame(0);
    if (frame.pixels.empty()) {
        return false;
    }
    DrawFrame(m_background, frame, (width - drawnWidth) / 2, (height - drawnHeight) / 2, drawnWidth,
              drawnHeight);
    // This buffer is the copy every later paint takes; another size decodes the file again.
    picture->ReleaseFullSize();
    return true;
}

std::vector<Surface::TitleButton> Surface::TitleButtons(bool withCovered) const
{
    std::vector<TitleButton> buttons;
    LONG_PTR style = GetWindowLongPtrW(m_window, GWL_STYLE);
    if (m_skin == nullptr || (style & WS_CHILD) != 0 || (style & WS_SYSMENU) == 0) {
        return buttons;
    }
    RECT client{};
    GetClientRect(m_window, &client);
    struct Candidate {
        bool wanted;
        std::size_t role;
        WPARAM command;
    };
    bool zoomed = IsZoomed(m_window) != FALSE;
    const Candidate candidates[] = {
        {true, kPictureClose, SC_CLOSE},
        {(style & WS_MAXIMIZEBOX) != 0, zoomed ? kPictureRestore : kPictureMaximise,
         static_cast<WPARAM>(zoomed ? SC_RESTORE : SC_MAXIMIZE)},
        {(style & WS_MINIMIZEBOX) != 0, kPictureMinimise, SC_MINIMIZE},
    };
    int right = client.right;
    for (const Candidate& candidate : candidates) {
        const Picture* picture = m_skin->titlePictures[candidate.role].get();
        if (!candidate.wanted || picture == nullptr) {
            continue;
        }
        TitleButton button;
        button.role = candidate.role;
        button.command = candidate.command;
        button.rect = RECT{right - picture->Width(), 0, right, picture->Height()};
        right = button.rect.left;
        // A window that lays its own control over a title button has replaced that button.
        bool covered = std::any_of(m_controls.begin(), m_controls.end(), [&](Control* control) {
            RECT overlap{};
            return control->kind != ControlKind::WindowSkin && Shown(control->host) &&
                   IntersectRect(&overlap, &control->rect, &button.rect);
        });
        if (withCovered || !covered) {
            buttons.push_back(button);
        }
    }
    return buttons;
}

int Surface::TitleButtonAt(POINT point) const
{
    std::vector<TitleButton> buttons = TitleButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (PtInRect(&buttons[i].rect, point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Surface::ComposeTitleButtons(const RECT& rect)
{
    std::vector<TitleButton> buttons = TitleButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const TitleButton& button = buttons[i];
        RECT part{};
        if (!IntersectRect(&part, &rect, &button.rect)) {
            continue;
        }
        int index = static_cast<int>(i);
        std::size_t role = button.role + (index == m_pressedTitle ? 2
                                          : index == m_hotTitle   ? 1
                                                                  : 0);
        if (m_skin->titlePictures[role] == nullptr) {
            role = button.role;
        }
        Dib& dib = m_titleDibs[role];
        const Picture& picture = *m_skin->titlePictures[role];
        if (!dib.IsValid() && dib.Create(picture.Width(), picture.Height())) {
            const PictureFrame& frame = picture.Frame(0);
            if (frame.pixels.empty()) {
                dib.Reset();
                ComposeAgainLater(part);
                continue;
            }
            DrawFrame(dib, frame, 0, 0, picture.Width(), picture.Height());
        }
        BlendDib(m_buffer.Dc(), part.left, part.top, Width(part), Height(part), dib,
                 part.left - button.rect.left, part.top - button.rect.top);
    }
}

void Surface::SetTitleState(int hot, int pressed)
{
    if (hot == m_hotTitle && pressed == m_pressedTitle) {
        return;
    }
    m_hotTitle = hot;
    m_pressedTitle = pressed;
    for (const TitleButton& button : TitleButtons()) {
        Invalidate(button.rect);
    }
}

bool Surface::Movable() const
{
    // The framework takes the move command out of the system menu of a window that may not be
    // moved; dragging by the background obeys the same rule.
    HMENU menu = GetSystemMenu(m_window, FALSE);
    return menu != nullptr && GetMenuState(menu, SC_MOVE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void Surface::PaintHost(Control& control)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(control.host, &paint);
    if (dc == nullptr) {
        return;
    }
    POINT origin{0, 0};
    MapWindowPoints(control.host, m_window, &origin, 1);
    EnsureComposed();
    Blit(dc, paint.rcPaint, origin.x, origin.y);
    EndPaint(control.host, &paint);
}

// Where the window's own paint reached the host windows (a system that does not clip
// transparent children lets it), they show the right pixels already: their own paint would only
// copy the same ones again.
void Surface::ValidatePaintedHosts(HDC dc)
{
    HRGN painted = CreateRectRgn(0, 0, 0, 0);
    if (painted == nullptr) {
        return;
    }
    if (GetRandomRgn(dc, painted, SYSRGN) == 1) {
        POINT origin{0, 0};
        ClientToScreen(m_window, &origin);
        OffsetRgn(painted, -origin.x, -origin.y);
        HRGN part = CreateRectRgn(0, 0, 0, 0);
        for (Control* control : m_controls) {
            if (part == nullptr || !Shown(control->host)) {
                continue;
            }
            SetRectRgn(part, control->rect.left, control->rect.top, control->rect.right,
                       control->rect.bottom);
            if (CombineRgn(part, part, painted, RGN_AND) > NULLREGION) {
                OffsetRgn(part, -control->rect.left, -control->rect.top);
                ValidateRgn(control->host, part);
            }
        }
        if (part != nullptr) {
            DeleteObject(part);
        }
    }
    DeleteObject(painted);
}

void Surface::Blit(HDC target, const RECT& part, int offsetX, int offsetY)
{
    if (!m_buffer.IsValid() || IsEmpty(part)) {
        return;
    }
    BitBlt(target, part.left, part.top, Width(part), Height(part), m_buffer.Dc(),
           part.left + offsetX, part.top + offsetY, SRCCOPY);
}

LRESULT Surface::OnMessage(UINT message, WPARAM, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case WM_ERASEBKGND:
        // Everything is painted from the composed buffer; erasing first would flash.
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(m_window, &paint);
        if (dc != nullptr) {
            EnsureComposed();
            Blit(dc, paint.rcPaint, 0, 0);
            ValidatePaintedHosts(dc);
            EndPaint(m_window, &paint);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (!m_trackingLeave) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_window, 0};
            m_trackingLeave = TrackMouseEvent(&track) != FALSE;
        }
        int at = TitleButtonAt(point);
        SetTitleState(m_pressedTitle >= 0 ? (at == m_pressedTitle ? at : -1) : at, m_pressedTitle);
        break;
    }
    case WM_MOUSELEAVE:
        m_trackingLeave = false;
        SetTitleState(-1, m_pressedTitle);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        int at = TitleButtonAt(point);
        if (at >= 0) {
            SetCapture(m_window);
            SetTitleState(at, at);
            return 0;
        }
        break;
    }
    case WM_LBUTTONUP: {
        if (m_pressedTitle < 0) {
            break;
        }
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        int pressed = m_pressedTitle;
        std::vector<TitleButton> buttons = TitleButtons();
        ReleaseCapture();
        SetTitleState(TitleButtonAt(point), -1);
        if (pressed < static_cast<int>(buttons.size()) &&
            PtInRect(&buttons[static_cast<std::size_t>(pressed)].rect, point)) {
            // Posted, so that the window may close without this handler on the stack.
            PostMessageW(m_window, WM_SYSCOMMAND,
                         buttons[static_cast<std::size_t>(pressed)].command, 0);
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (m_pressedTitle >= 0) {
            SetTitleState(m_hotTitle, -1);
        }
        break;
    default:
        break;
    }
    handled = false;
    return 0;
}

LRESULT CALLBACK Surface::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<Surface*>(data);
    bool handled = false;
    LRESULT result = self->OnMessage(message, wParam, lParam, handled);
    if (handled) {
        return result;
    }
    result = DefSubclassProc(window, message, wParam, lParam);
    if (!StillThere(window, self)) {
        return result;
    }
    if (message == WM_SIZE) {
        self->InvalidateAll();
    } else if (message == WM_NCHITTEST && result == HTCLIENT && self->m_skin != nullptr &&
               (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0) {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(window, &point);
        // The skinned window has no caption: its background is where it is dragged.
        if (self->TitleButtonAt(point) < 0 && self->Movable()) {
            result = HTCAPTION;
        }
    }
    return result;
}

} // namespace engine
