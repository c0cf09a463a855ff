#pragma once
// The window the skinned controls are drawn in. Every control's look lives in a layer of its
// own; the surface composes the window skin's background (scaled once per size), the layers in
// the windows' stacking order and the title buttons into one buffer, and both the window and
// the controls' host windows paint from that buffer, so nothing is drawn twice on screen and
// nothing flickers. Only the parts marked changed are composed again.

#include <windows.h>

#include <vector>

#include "engine/Picture.h"

namespace engine {

struct Control;

class Surface {
public:
    // The surface of a window, made (and the window subclassed) on first use.
    static Surface& Of(HWND window);

    // Compose statistics, for the repaint benchmark.
    struct Counters {
        unsigned composes = 0;
        unsigned layerPaints = 0;
        unsigned backgroundScales = 0;
        double composeMilliseconds = 0; // time spent composing, all layers included
    };
    static Counters& Statistics();

    HWND Window() const { return m_window; }

    void Attach(Control& control);
    // Forgets the control; the last control gone takes the surface with it.
    void Detach(Control& control);

    // A window skin joins: its window loses the system frame, and its background and title
    // buttons are drawn beneath the controls.
    void SetSkin(Control& skin);
    // The skin's background picture changed.
    void BackgroundChanged();

    // Marks a part of the window (client coordinates) for composing and repainting.
    void Invalidate(const RECT& rect);
    void InvalidateAll();
    // A control's host window was shown or hidden.
    void ControlShownOrHidden(Control& control);

    // WM_PAINT of a control's host window.
    void PaintHost(Control& control);

private:
    explicit Surface(HWND window);
    ~Surface();

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    void RemoveFrame();
    bool EnsureBuffer();
    void EnsureComposed();
    void Compose(const RECT& rect);
    void ComposeBackground(const RECT& rect);
    bool PaintSkinBackground();
    // A part that could not be drawn this time (a picture that did not decode again) is composed
    // again at the next paint, whatever brings it, without asking for one.
    void ComposeAgainLater(const RECT& rect);
    // Asks once for a paint of the parts of `retried` that this compose could draw.
    void ShowDrawnAgain(const std::vector<RECT>& retried);
    void Blit(HDC target, const RECT& part, int offsetX, int offsetY);
    void ValidatePaintedHosts(HDC dc);

    struct TitleButton {
        std::size_t role = 0; // first picture role of the button (normal; hover and pressed follow)
        WPARAM command = 0;
        RECT rect{};
    };
    // The title buttons the skin shows; with `withCovered` also those a control covers.
    std::vector<TitleButton> TitleButtons(bool withCovered = false) const;
    int TitleButtonAt(POINT point) const;
    void ComposeTitleButtons(const RECT& rect);
    void SetTitleState(int hot, int pressed);
    bool Movable() const;

    HWND m_window;
    WNDPROC m_ownProcedure;
    std::vector<Control*> m_controls;
    Control* m_skin = nullptr;

    Dib m_buffer;
    RECT m_dirty{};
    // What the last compose could not draw; the screen shows those parts blank.
    std::vector<RECT> m_failedParts;
    Dib m_background;
    bool m_backgroundValid = false;
    std::vector<Dib> m_titleDibs;

    int m_hotTitle = -1;
    int m_pressedTitle = -1;
    bool m_trackingLeave = false;
};

} // namespace engine
