// Where a picture box puts its picture: small pictures stay sharp at their own size, large ones
// shrink into the box without being distorted. A picture that let go of its full-size frames
// draws the same as one that never did, and one whose file then fails to decode is drawn again
// at the next paint instead of staying blank.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Control.h"
#include "engine/Drawing.h"
#include "engine/Picture.h"
#include "engine/Surface.h"
#include "tests/support/UnreadablePicture.h"

using testsupport::UnreadableFile;

namespace {

// A PNG with a pattern and soft alpha, so that resampling has something to get wrong.
std::vector<std::uint8_t> PatternPng(int width, int height)
{
    std::vector<std::uint8_t> file;
    if (!engine::EnsureGdiplus()) {
        return file;
    }
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            auto alpha = static_cast<BYTE>(128 + (x * 127) / width);
            bitmap.SetPixel(x, y,
                            Gdiplus::Color(alpha, static_cast<BYTE>(x * 7),
                                           static_cast<BYTE>(y * 5),
                                           static_cast<BYTE>((x ^ y) & 0xFF)));
        }
    }
    UINT count = 0;
    UINT size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<std::uint8_t> list(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(list.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    IStream* stream = SHCreateMemStream(nullptr, 0);
    for (UINT i = 0; i < count && stream != nullptr; ++i) {
        if (std::wstring(encoders[i].MimeType) != L"image/png" ||
            bitmap.Save(stream, &encoders[i].Clsid, nullptr) != Gdiplus::Ok) {
            continue;
        }
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        file.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ULONG read = 0;
        stream->Read(file.data(), static_cast<ULONG>(file.size()), &read);
        break;
    }
    if (stream != nullptr) {
        stream->Release();
    }
    return file;
}

TEST(Picture, LettingGoOfTheFullSizeChangesNoPixel)
{
    const std::vector<std::uint8_t> file = PatternPng(300, 180);
    ASSERT_FALSE(file.empty());
    const engine::Picture fresh(file);
    ASSERT_EQ(fresh.Width(), 300);
    const std::vector<std::uint32_t> full = fresh.Frame(0).pixels;

    // Scaling lets go of the full size; a new size and the full size are decoded again.
    const engine::Picture used(file);
    const std::vector<std::uint32_t> half = used.Scaled(0, 150, 90).pixels;
    EXPECT_EQ(used.Width(), 300) << "the size is kept";
    EXPECT_EQ(used.Height(), 180);
    EXPECT_EQ(used.Scaled(0, 100, 60).pixels, engine::Picture(file).Scaled(0, 100, 60).pixels);
    EXPECT_EQ(used.Scaled(0, 150, 90).pixels, half) << "the kept copy";
    EXPECT_EQ(used.Frame(0).pixels, full);
    used.ReleaseFullSize();
    EXPECT_EQ(used.Scaled(0, 300, 180).pixels, full);
}

TEST(Picture, ACopyOfAFailedDecodeIsNotKept)
{
    const std::vector<std::uint8_t> file = PatternPng(300, 180);
    ASSERT_FALSE(file.empty());
    const std::vector<std::uint32_t> half = engine::Picture(file).Scaled(0, 150, 90).pixels;
    engine::Picture picture(file);
    picture.ReleaseFullSize();
    {
        UnreadableFile unreadable(picture);
        EXPECT_TRUE(picture.Scaled(0, 150, 90).pixels.empty()) << "a copy of nothing";
        EXPECT_TRUE(picture.Frame(0).pixels.empty());
    }
    EXPECT_EQ(picture.Scaled(0, 150, 90).pixels, half) << "decoded again";
    EXPECT_EQ(picture.Width(), 300);
}

// A surface on a window that is never shown (a message-only window has no place on the
// display), with a window skin and a picture box showing one picture.
class SurfaceOfOnePicture : public ::testing::Test {
protected:
    static constexpr RECT kBox{0, 0, 150, 90};

    void SetUp() override
    {
        ASSERT_TRUE(engine::EnsureGdiplus());
        m_file = PatternPng(300, 180);
        ASSERT_FALSE(m_file.empty());
        m_picture = std::make_shared<engine::Picture>(m_file);
        m_window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 200, 120, HWND_MESSAGE, nullptr,
                                   nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        m_host = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, kBox.left, kBox.top,
                                 kBox.right - kBox.left, kBox.bottom - kBox.top, m_window, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(m_host, nullptr);

        m_skin.kind = engine::ControlKind::WindowSkin;
        m_skin.window = m_window;
        m_skin.picture = m_picture;
        m_box.kind = engine::ControlKind::PictureBox;
        m_box.window = m_window;
        m_box.host = m_host;
        m_box.rect = kBox;
        m_box.picture = m_picture;
        engine::Surface& surface = engine::Surface::Of(m_window);
        surface.Attach(m_skin);
        surface.SetSkin(m_skin);
        surface.Attach(m_box);
        m_surface = &surface;
    }

    void TearDown() override
    {
        if (m_surface != nullptr) {
            m_surface->Detach(m_box);
            m_surface->Detach(m_skin);
        }
        if (m_window != nullptr) {
            DestroyWindow(m_window);
        }
    }

    // A paint of the window as the system asks for one, with nothing marked changed since the
    // last; how many times it made the background.
    unsigned Paint()
    {
        unsigned before = engine::Surface::Statistics().backgroundScales;
        SendMessageA(m_window, WM_PAINT, 0, 0);
        return engine::Surface::Statistics().backgroundScales - before;
    }

    std::vector<std::uint32_t> BoxPixels() const
    {
        const engine::Dib& layer = m_box.layer;
        if (!layer.IsValid()) {
            return {};
        }
        GdiFlush();
        return std::vector<std::uint32_t>(
            layer.Bits(), layer.Bits() + static_cast<std::size_t>(layer.Width()) * layer.Height());
    }

    std::vector<std::uint8_t> m_file;
    std::shared_ptr<engine::Picture> m_picture;
    HWND m_window = nullptr;
    HWND m_host = nullptr;
    engine::Control m_skin;
    engine::Control m_box;
    engine::Surface* m_surface = nullptr;
};

TEST_F(SurfaceOfOnePicture, APictureThatFailedToDecodeIsDrawnAtTheNextPaint)
{
    const std::vector<std::uint32_t> fitted =
        engine::Picture(m_file).Scaled(0, kBox.right, kBox.bottom).pixels;
    m_picture->ReleaseFullSize();
    {
        UnreadableFile unreadable(*m_picture);
        EXPECT_EQ(Paint(), 1u);
        const std::vector<std::uint32_t> blank = BoxPixels();
        EXPECT_EQ(blank.size(), fitted.size());
        EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](std::uint32_t p) { return p == 0; }))
            << "nothing to draw";
    }
    // Nothing marked the window changed in between: the failed parts stayed due.
    EXPECT_EQ(Paint(), 1u) << "the background was not made again";
    EXPECT_EQ(BoxPixels(), fitted) << "the picture box was not drawn again";
    EXPECT_EQ(Paint(), 0u) << "made once it could be";
}

TEST(FitRect, CentresShrinksAndNeverEnlarges)
{
    const struct {
        const char* what;
        int width, height;
        RECT box;
        RECT expected;
    } cases[] = {
        {"loading picture in its wide box", 32, 32, {0, 0, 208, 144}, {88, 56, 120, 88}},
        {"weather picture in a shorter box", 200, 200, {608, 60, 728, 160}, {618, 60, 718, 160}},
        {"advice picture", 200, 200, {0, 0, 50, 50}, {0, 0, 50, 50}},
        {"exact fit", 16, 16, {10, 10, 26, 26}, {10, 10, 26, 26}},
        {"wide picture in a square", 400, 100, {0, 0, 100, 100}, {0, 37, 100, 62}},
        {"tall picture, only too tall", 50, 300, {0, 0, 100, 150}, {37, 0, 62, 150}},
        {"empty picture", 0, 0, {5, 5, 50, 50}, {5, 5, 5, 5}},
        {"empty box", 32, 32, {5, 5, 5, 50}, {5, 5, 5, 5}},
    };
    for (const auto& c : cases) {
        RECT got = engine::FitRect(c.width, c.height, c.box);
        EXPECT_EQ(got.left, c.expected.left) << c.what;
        EXPECT_EQ(got.top, c.expected.top) << c.what;
        EXPECT_EQ(got.right, c.expected.right) << c.what;
        EXPECT_EQ(got.bottom, c.expected.bottom) << c.what;
    }
}

} // namespace
