// Icons from the bytes of ICO files: the image that fits the size asked for, and bytes that are
// no icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/IconBytes.h"

using framework::IconFromIcoBytes;

namespace {

void PutWord(ByteSet& bytes, std::uint32_t value, int size)
{
    for (int b = 0; b < size; ++b) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * b)));
    }
}

// The blue value that marks the image of each size.
std::uint8_t Mark(int size)
{
    return static_cast<std::uint8_t>(size);
}

// A 32-bit image of `size` pixels in the layout ICO files store: header, pixels, AND mask. Every
// pixel is opaque with the blue value Mark(size).
ByteSet Image(int size)
{
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = size;
    info.biHeight = size * 2;
    info.biPlanes = 1;
    info.biBitCount = 32;
    ByteSet image(sizeof info);
    std::memcpy(image.data(), &info, sizeof info);
    for (int i = 0; i < size * size; ++i) {
        image.insert(image.end(), {Mark(size), 0, 0, 0xFF});
    }
    int maskRow = ((size + 31) / 32) * 4;
    image.insert(image.end(), static_cast<std::size_t>(maskRow) * size, 0);
    return image;
}

// An ICO file with one image of each size, in the order given.
ByteSet Ico(const std::vector<int>& sizes)
{
    ByteSet ico;
    PutWord(ico, 0, 2);
    PutWord(ico, 1, 2);
    PutWord(ico, static_cast<std::uint32_t>(sizes.size()), 2);
    std::vector<ByteSet> images;
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (int size : sizes) {
        images.push_back(Image(size));
        ico.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        ico.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        PutWord(ico, 0, 2);
        PutWord(ico, 1, 2);
        PutWord(ico, 32, 2);
        PutWord(ico, static_cast<std::uint32_t>(images.back().size()), 4);
        PutWord(ico, offset, 4);
        offset += static_cast<std::uint32_t>(images.back().size());
    }
    for (const ByteSet& image : images) {
        ico.insert(ico.end(), image.begin(), image.end());
    }
    return ico;
}

struct Made {
    int width = 0;
    int blue = -1;
};

// The size of an icon and the blue value of its middle pixel; frees the icon.
Made Inspect(HICON icon)
{
    Made made;
    if (icon == nullptr) {
        return made;
    }
    ICONINFO info{};
    GetIconInfo(icon, &info);
    BITMAP bitmap{};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    made.width = bitmap.bmWidth;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC dc = GetDC(nullptr);
    if (GetDIBits(dc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS)) {
        made.blue = static_cast<int>(pixels[pixels.size() / 2 + bitmap.bmWidth / 2] & 0xFF);
    }
    ReleaseDC(nullptr, dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return made;
}

} // namespace

TEST(IconBytes, TakesTheImageThatFitsBest)
{
    // The layout of the application's tray icons: 200, 48, 32, 24 and 16 pixels.
    ByteSet ico = Ico({200, 48, 32, 24, 16});
    struct Case {
        int asked;
        int chosen;
    } cases[] = {
        {16, 16},   // exact
        {20, 24},   // the smallest image at least as large
        {33, 48},   //
        {300, 200}, // none large enough: the largest
    };
    for (const Case& c : cases) {
        Made made = Inspect(IconFromIcoBytes(ico, c.asked));
        EXPECT_EQ(made.width, c.asked) << "made at the size asked";
        EXPECT_EQ(made.blue, Mark(c.chosen)) << "asked " << c.asked;
    }
    // Order in the file does not matter.
    EXPECT_EQ(Inspect(IconFromIcoBytes(Ico({16, 48, 24}), 20)).blue, Mark(24));
}

TEST(IconBytes, RejectsBytesThatAreNoIcon)
{
    ByteSet good = Ico({16});
    ByteSet truncated(good.begin(), good.end() - 10);
    ByteSet cursorType = good;
    cursorType[2] = 2;
    ByteSet badOffset = good;
    badOffset[18] = 0xFF;
    badOffset[19] = 0xFF;
    for (const ByteSet& bytes : {ByteSet{}, ByteSet{0, 0, 1}, truncated, cursorType, badOffset}) {
        EXPECT_EQ(IconFromIcoBytes(bytes, 16), nullptr);
    }
    EXPECT_EQ(Inspect(IconFromIcoBytes(good, 16)).width, 16);
}
