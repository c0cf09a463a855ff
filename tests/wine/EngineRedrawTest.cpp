// A picture that could not be drawn at one paint (its file did not decode again) and is drawn at
// a later one reaches the screen, though that later paint was asked for by some other part of
// the window; one that fails again asks for no paint of its own. The controls are the engine's
// own, on a window of the test display, and what they show is read from the screen.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/Control.h"
#include "engine/Drawing.h"
#include "engine/EngineInterface.h"
#include "engine/Picture.h"
#include "engine/StoredData.h"
#include "tests/support/Screenshot.h"
#include "tests/support/UiDriver.h"
#include "tests/support/UnreadablePicture.h"

using testsupport::Distance;
using testsupport::Shot;
using testsupport::TakeShot;
using testsupport::UnreadableFile;

namespace {

constexpr int kClientWidth = 240;
constexpr int kClientHeight = 160;
constexpr RECT kBox{20, 20, 170, 110};
constexpr RECT kSkinPlace{4, 4, 28, 28};
// Away from the box: what a later paint is for, when the system or another control asks.
constexpr RECT kElsewhere{200, 120, 230, 150};

constexpr std::uint32_t kBackgroundArgb = 0xFF20A040u; // green
constexpr std::uint32_t kPictureArgb = 0xFFD02020u;    // red
constexpr std::uint32_t kBlank = 0x000000u;            // a buffer cleared and not drawn on

constexpr const char* kWindowClass = "EngineRedrawTestWindow";
constexpr const char* kHostClass = "EngineRedrawTestHost";

// A PNG of one opaque colour.
std::vector<std::uint8_t> SolidPng(int width, int height, std::uint32_t argb)
{
    std::vector<std::uint8_t> file;
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&bitmap);
    Gdiplus::SolidBrush brush(Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)));
    graphics.FillRectangle(&brush, 0, 0, width, height);
    // The PNG encoder's class id.
    const CLSID png = {
        0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    IStream* stream = SHCreateMemStream(nullptr, 0);
    if (stream == nullptr) {
        return file;
    }
    if (bitmap.Save(stream, &png, nullptr) == Gdiplus::Ok) {
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        file.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ULONG read = 0;
        stream->Read(file.data(), static_cast<ULONG>(file.size()), &read);
    }
    stream->Release();
    return file;
}

// Handles the waiting messages, the paints they bring included; false when they do not run out,
// as paints that each ask for the next would not.
bool QueueRunsOut()
{
    MSG message;
    for (int handled = 0; handled < 1000; ++handled) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            return true;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return false;
}

bool PaintPending(HWND window)
{
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

POINT Inside(const RECT& rect)
{
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::uint32_t Rgb(std::uint32_t argb)
{
    return argb & 0x00FFFFFFu;
}

void RegisterClasses()
{
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        windowClass.lpszClassName = kWindowClass;
        RegisterClassA(&windowClass);
        windowClass.lpszClassName = kHostClass;
        RegisterClassA(&windowClass);
        return true;
    }();
    (void)registered;
}

// A skinned window with a background picture and one picture box, made hidden through the
// engine's own control creation, so that its host windows paint as the program's do.
class WindowWithPicture {
public:
    WindowWithPicture()
    {
        RegisterClasses();
        m_window =
            CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 120, 120, kClientWidth,
                            kClientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (m_window == nullptr) {
            return;
        }
        m_skin = Make(engine::ControlKind::WindowSkin, kSkinPlace,
                      SolidPng(kClientWidth, kClientHeight, kBackgroundArgb));
        m_box = Make(engine::ControlKind::PictureBox, kBox, SolidPng(300, 180, kPictureArgb));
    }

    ~WindowWithPicture()
    {
        if (m_box != nullptr) {
            engine::DestroyControl(*m_box);
        }
        if (m_skin != nullptr) {
            engine::DestroyControl(*m_skin);
        }
        if (m_window != nullptr) {
            DestroyWindow(m_window);
        }
        testsupport::HandleWaitingMessages();
    }

    WindowWithPicture(const WindowWithPicture&) = delete;
    WindowWithPicture& operator=(const WindowWithPicture&) = delete;

    bool Made() const
    {
        return m_skin != nullptr && m_box != nullptr && m_skin->picture && m_box->picture;
    }
    HWND Window() const { return m_window; }
    const engine::Control& Skin() const { return *m_skin; }
    const engine::Control& Box() const { return *m_box; }

    // What the screen shows of the window, once it shows what the window painted.
    Shot Look() const
    {
        EXPECT_TRUE(testsupport::PumpUntilOnScreen(m_window)) << "not shown as painted";
        return TakeShot(m_window);
    }

    // A paint the window did not ask for itself, of a part away from the box.
    void PaintElsewhere() const
    {
        InvalidateRect(m_window, &kElsewhere, FALSE);
        UpdateWindow(m_window);
    }

private:
    engine::Control* Make(engine::ControlKind kind, const RECT& place,
                          const std::vector<std::uint8_t>& picture)
    {
        HWND host = CreateWindowExA(0, kHostClass, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                                    place.right - place.left, place.bottom - place.top, m_window,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
        if (host == nullptr || picture.empty()) {
            return nullptr;
        }
        // The engine keeps its own copy of the look; the block need only outlive the call.
        const std::vector<std::uint8_t> look =
            engine::StoredDataBuilder().Picture(engine::kPictureMain, picture).Block();
        engine::ControlContext context{reinterpret_cast<engine::PtrWord>(host), 2, 1, 0,
                                       look.data()};
        engine::PtrWord words[8] = {0,
                                    reinterpret_cast<engine::PtrWord>(m_window),
                                    place.left,
                                    place.top,
                                    place.right - place.left,
                                    place.bottom - place.top,
                                    0,
                                    reinterpret_cast<engine::PtrWord>(&context)};
        return engine::CreateControl(kind, 0, words);
    }

    HWND m_window = nullptr;
    engine::Control* m_skin = nullptr;
    engine::Control* m_box = nullptr;
};

TEST(EngineRedraw, APictureDrawnAtALaterPaintReachesTheScreen)
{
    ASSERT_TRUE(engine::EnsureGdiplus());
    const struct {
        const char* what;
        bool boxFails; // else the window background does
        POINT point;   // a place the failing picture covers, away from the later paint
        std::uint32_t whileFailing;
        std::uint32_t drawn;
    } cases[] = {
        {"picture box", true, Inside(kBox), Rgb(kBackgroundArgb), Rgb(kPictureArgb)},
        {"window background", false, POINT{kClientWidth - 20, 30}, kBlank, Rgb(kBackgroundArgb)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WindowWithPicture window;
        ASSERT_TRUE(window.Made());
        {
            const engine::Picture& spoilt =
                c.boxFails ? *window.Box().picture : *window.Skin().picture;
            spoilt.ReleaseFullSize();
            UnreadableFile unreadable(spoilt);
            ShowWindow(window.Window(), SW_SHOWNA);
            UpdateWindow(window.Window());
            ASSERT_TRUE(QueueRunsOut()) << "a failed picture keeps asking for paints";
            Shot shot = window.Look();
            ASSERT_EQ(shot.width, kClientWidth);
            EXPECT_LE(Distance(shot.At(c.point.x, c.point.y), c.whileFailing), 30)
                << "shown before its file could be read";

            // Drawn again at the next paint and failing again: that asks for no paint either.
            window.PaintElsewhere();
            ASSERT_TRUE(QueueRunsOut()) << "a failed retry keeps asking for paints";
            EXPECT_FALSE(PaintPending(window.Window()));
            EXPECT_FALSE(PaintPending(window.Box().host));
        }
        window.PaintElsewhere();
        ASSERT_TRUE(QueueRunsOut()) << "a picture drawn again keeps asking for paints";
        Shot shot = window.Look();
        ASSERT_EQ(shot.width, kClientWidth);
        EXPECT_LE(Distance(shot.At(c.point.x, c.point.y), c.drawn), 30)
            << "drawn in the buffer but not on the screen";
        EXPECT_LE(Distance(shot.At(Inside(kBox).x, Inside(kBox).y), Rgb(kPictureArgb)), 30);
        EXPECT_LE(Distance(shot.At(kClientWidth - 20, 30), Rgb(kBackgroundArgb)), 30);
        EXPECT_FALSE(PaintPending(window.Window())) << "a paint asked for more than once";
    }
}

} // namespace
