#include "engine/Picture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "engine/Drawing.h"

namespace engine {
namespace {

std::uint64_t Fingerprint(const std::uint8_t* bytes, std::size_t size)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return hash;
}

// Keyed by size and fingerprint; the pictures' bytes are compared too, so a collision only costs
// a decode.
std::multimap<std::pair<std::size_t, std::uint64_t>, std::weak_ptr<const Picture>> g_pictures;

// GIF frame delays are in hundredths of a second; browsers and Windows alike treat a delay of
// almost nothing as the usual 100 ms, or a "fast" GIF would spin the paint loop.
int FrameDelay(const std::vector<std::uint8_t>& delays, unsigned index)
{
    if (delays.size() < (index + 1) * 4) {
        return 100;
    }
    const std::uint8_t* at = delays.data() + index * 4;
    int hundredths = at[0] | at[1] << 8 | at[2] << 16 | at[3] << 24;
    return hundredths < 2 ? 100 : hundredths * 10;
}

// Every frame of the file at full size; none for bytes GDI+ cannot read.
std::vector<PictureFrame> DecodeFrames(const std::vector<std::uint8_t>& file)
{
    std::vector<PictureFrame> decoded;
    if (!EnsureGdiplus() || file.empty() || file.size() > 0x7FFFFFFF) {
        return decoded;
    }
    IStream* stream = SHCreateMemStream(file.data(), static_cast<UINT>(file.size()));
    if (stream == nullptr) {
        return decoded;
    }
    {
        Gdiplus::Bitmap bitmap(stream);
        if (bitmap.GetLastStatus() == Gdiplus::Ok && bitmap.GetWidth() > 0 &&
            bitmap.GetHeight() > 0) {
            GUID time = Gdiplus::FrameDimensionTime;
            UINT frames = bitmap.GetFrameCount(&time);
            std::vector<std::uint8_t> delays;
            if (frames > 1) {
                UINT delaySize = bitmap.GetPropertyItemSize(PropertyTagFrameDelay);
                if (delaySize >= sizeof(Gdiplus::PropertyItem)) {
                    std::vector<std::uint8_t> item(delaySize);
                    auto* property = reinterpret_cast<Gdiplus::PropertyItem*>(item.data());
                    if (bitmap.GetPropertyItem(PropertyTagFrameDelay, delaySize, property) ==
                        Gdiplus::Ok) {
                        auto* values = static_cast<const std::uint8_t*>(property->value);
                        delays.assign(values, values + property->length);
                    }
                }
            }
            for (UINT index = 0; index < std::max(frames, 1u); ++index) {
                if (frames > 1 && bitmap.SelectActiveFrame(&time, index) != Gdiplus::Ok) {
                    break;
                }
                PictureFrame frame;
                frame.width = static_cast<int>(bitmap.GetWidth());
                frame.height = static_cast<int>(bitmap.GetHeight());
                frame.delayMs = FrameDelay(delays, index);
                frame.pixels.resize(static_cast<std::size_t>(frame.width) * frame.height);
                Gdiplus::BitmapData data = {};
                data.Width = static_cast<UINT>(frame.width);
                data.Height = static_cast<UINT>(frame.height);
                data.Stride = frame.width * 4;
                data.PixelFormat = PixelFormat32bppPARGB;
                data.Scan0 = frame.pixels.data();
                Gdiplus::Rect all(0, 0, frame.width, frame.height);
                if (bitmap.LockBits(&all,
                                    Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                    PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
                    break;
                }
                bitmap.UnlockBits(&data);
                decoded.push_back(std::move(frame));
            }
        }
    }
    stream->Release();
    return decoded;
}

} // namespace

std::shared_ptr<const Picture> DecodePicture(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size == 0) {
        return nullptr;
    }
    auto key = std::make_pair(size, Fingerprint(bytes, size));
    auto [first, last] = g_pictures.equal_range(key);
    for (auto it = first; it != last;) {
        std::shared_ptr<const Picture> held = it->second.lock();
        if (!held) {
            it = g_pictures.erase(it);
            continue;
        }
        if (std::equal(held->Bytes().begin(), held->Bytes().end(), bytes)) {
            return held;
        }
        ++it;
    }
    auto picture = std::make_shared<const Picture>(std::vector<std::uint8_t>(bytes, bytes + size));
    if (picture->IsEmpty()) {
        return nullptr;
    }
    g_pictures.emplace(key, picture);
    return picture;
}

Picture::Picture(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes))
{
    m_frames = DecodeFrames(m_bytes);
    m_frameCount = m_frames.size();
    if (m_frameCount == 0) {
        return;
    }
    // Every frame of a GIF comes out at the size of its whole canvas.
    m_width = m_frames[0].width;
    m_height = m_frames[0].height;
    for (const PictureFrame& frame : m_frames) {
        m_delays.push_back(frame.delayMs);
    }
}

const PictureFrame& Picture::Frame(std::size_t index) const
{
    if (m_frames.empty() && m_frameCount != 0) {
        m_frames = DecodeFrames(m_bytes);
    }
    if (index >= m_frames.size()) {
        // The file read once but not again; drawn as nothing rather than out of bounds.
        static const PictureFrame kNone;
        return kNone;
    }
    return m_frames[index];
}

const PictureFrame& Picture::Scaled(std::size_t index, int width, int height) const
{
    if ((width == m_width && height == m_height) || width <= 0 || height <= 0) {
        return Frame(index);
    }
    ScaledKey key{index, width, height};
    auto found = m_scaled.find(key);
    if (found != m_scaled.end()) {
        return found->second;
    }
    const PictureFrame& source = Frame(index);
    if (source.pixels.empty()) {
        // The file did not decode again (short of memory, say). A copy of nothing, kept, would
        // be all the control showed for the rest of the run: nothing is kept, and the next call
        // decodes again.
        return source;
    }
    // A control shows a picture at one or two sizes; the bound only guards against a caller
    // that resizes without end.
    if (m_scaled.size() >= 64) {
        m_scaled.clear();
    }
    PictureFrame scaled;
    scaled.width = width;
    scaled.height = height;
    scaled.delayMs = source.delayMs;
    scaled.pixels.assign(static_cast<std::size_t>(width) * height, 0u);
    if (EnsureGdiplus()) {
        Gdiplus::Bitmap canvas(width, height, width * 4, PixelFormat32bppPARGB,
                               reinterpret_cast<BYTE*>(scaled.pixels.data()));
        Gdiplus::Graphics graphics(&canvas);
        DrawFrame(graphics, source, 0, 0, width, height);
    }
    const PictureFrame& kept = m_scaled.emplace(key, std::move(scaled)).first->second;
    ReleaseFullSize();
    return kept;
}

void Picture::ReleaseFullSize() const
{
    // An animation keeps its frames: decoding them all again at each new size would cost more
    // than the few small frames it has.
    if (!Animated()) {
        m_frames = std::vector<PictureFrame>();
    }
}

void BlendFrame(Dib& target, const PictureFrame& frame, int x, int y)
{
    if (!target.IsValid()) {
        return;
    }
    GdiFlush();
    int left = std::max(x, 0);
    int top = std::max(y, 0);
    int right = std::min(x + frame.width, target.Width());
    int bottom = std::min(y + frame.height, target.Height());
    for (int row = top; row < bottom; ++row) {
        const std::uint32_t* from =
            frame.pixels.data() + static_cast<std::size_t>(row - y) * frame.width + (left - x);
        std::uint32_t* to = target.Bits() + static_cast<std::size_t>(row) * target.Width() + left;
        for (int column = left; column < right; ++column, ++from, ++to) {
            std::uint32_t alpha = *from >> 24;
            if (alpha == 255) {
                *to = *from;
            } else if (alpha != 0) {
                // Premultiplied "over": no channel of the sum passes 255.
                std::uint32_t keep = 255 - alpha;
                std::uint32_t below = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    below |= ((((*to >> shift) & 0xFFu) * keep + 127) / 255) << shift;
                }
                *to = *from + below;
            }
        }
    }
}

bool Dib::Create(int width, int height)
{
    Reset();
    if (width <= 0 || height <= 0) {
        return false;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_bitmap == nullptr) {
        return false;
    }
    m_dc = CreateCompatibleDC(nullptr);
    if (m_dc == nullptr) {
        DeleteObject(m_bitmap);
        m_bitmap = nullptr;
        return false;
    }
    m_previous = SelectObject(m_dc, m_bitmap);
    m_bits = static_cast<std::uint32_t*>(bits);
    m_width = width;
    m_height = height;
    Clear();
    return true;
}

void Dib::Reset()
{
    if (m_dc != nullptr) {
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
    }
    if (m_bitmap != nullptr) {
        DeleteObject(m_bitmap);
    }
    m_bitmap = nullptr;
    m_previous = nullptr;
    m_dc = nullptr;
    m_bits = nullptr;
    m_width = m_height = 0;
}

void Dib::Clear()
{
    if (m_bits != nullptr) {
        GdiFlush();
        std::fill(m_bits, m_bits + static_cast<std::size_t>(m_width) * m_height, 0u);
    }
}

void DrawFrame(Gdiplus::Graphics& graphics, const PictureFrame& frame, int x, int y, int width,
               int height)
{
    if (frame.pixels.empty() || width <= 0 || height <= 0) {
        return;
    }
    Gdiplus::Bitmap source(
        frame.width, frame.height, frame.width * 4, PixelFormat32bppPARGB,
        reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(frame.pixels.data())));
    bool sameSize = width == frame.width && height == frame.height;
    graphics.SetInterpolationMode(sameSize ? Gdiplus::InterpolationModeNearestNeighbor
                                           : Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::ImageAttributes attributes;
    // Without it the resampler reads beyond the edge as transparent and fades the border.
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    graphics.DrawImage(&source, Gdiplus::Rect(x, y, width, height), 0, 0, frame.width, frame.height,
                       Gdiplus::UnitPixel, &attributes);
}

void DrawFrame(Dib& target, const PictureFrame& frame, int x, int y, int width, int height)
{
    if (!target.IsValid() || !EnsureGdiplus()) {
        return;
    }
    Canvas canvas(target);
    DrawFrame(canvas.Graphics(), frame, x, y, width, height);
}

void BlendDib(HDC target, int x, int y, int width, int height, const Dib& source, int sourceX,
              int sourceY)
{
    if (!source.IsValid() || width <= 0 || height <= 0) {
        return;
    }
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target, x, y, width, height, source.Dc(), sourceX, sourceY, width, height, blend);
}

RECT FitRect(int pictureWidth, int pictureHeight, const RECT& box)
{
    int boxWidth = box.right - box.left;
    int boxHeight = box.bottom - box.top;
    if (pictureWidth <= 0 || pictureHeight <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return RECT{box.left, box.top, box.left, box.top};
    }
    // A picture that already fits keeps its own size: enlarged, a small one such as the
    // 32-pixel loading animation turns into a blur.
    int width = pictureWidth;
    int height = pictureHeight;
    if (width > boxWidth) {
        width = boxWidth;
        height = static_cast<int>(static_cast<long long>(pictureHeight) * boxWidth / pictureWidth);
    }
    if (height > boxHeight) {
        height = boxHeight;
        width = static_cast<int>(static_cast<long long>(pictureWidth) * boxHeight / pictureHeight);
    }
    int left = box.left + (boxWidth - width) / 2;
    int top = box.top + (boxHeight - height) / 2;
    return RECT{left, top, left + width, top + height};
}

} // namespace engine
