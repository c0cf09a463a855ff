#pragma once
// What the test display shows of a window's client area, and a PNG of it for a person to look
// at. Header-only; the tests link GDI+. Call with GDI+ started.
#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/UiDriver.h"

namespace testsupport {

struct Shot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, rows top down

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline Shot TakeShot(HWND window)
{
    Shot shot;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    shot.width = client.right;
    shot.height = client.bottom;
    HDC screen = GetDC(nullptr);
    shot.pixels = Pixels(screen, origin.x, origin.y, shot.width, shot.height);
    ReleaseDC(nullptr, screen);
    if (shot.pixels.empty()) {
        shot.width = 0;
        shot.height = 0;
    }
    return shot;
}

// One of a pixel's colours: 16 for red, 8 for green, 0 for blue.
inline int Channel(std::uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

// How far apart two colours are: the sum of their channels' differences.
inline int Distance(std::uint32_t a, std::uint32_t b)
{
    return std::abs(Channel(a, 16) - Channel(b, 16)) + std::abs(Channel(a, 8) - Channel(b, 8)) +
           std::abs(Channel(a, 0) - Channel(b, 0));
}

// False when the file could not be written.
inline bool SaveShot(const Shot& shot, const std::string& file)
{
    Gdiplus::Bitmap bitmap(shot.width, shot.height, shot.width * 4, PixelFormat32bppRGB,
                           reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(shot.pixels.data())));
    // The PNG encoder's class id.
    const CLSID png = {
        0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    std::wstring wide(file.begin(), file.end());
    return bitmap.Save(wide.c_str(), &png, nullptr) == Gdiplus::Ok;
}

} // namespace testsupport
