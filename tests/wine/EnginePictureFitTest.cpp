// Where a picture box puts its picture: small pictures stay sharp at their own size, large ones
// shrink into the box without being distorted. And a picture that let go of its full-size
// frames draws the same as one that never did.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/Drawing.h"
#include "engine/Picture.h"

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
