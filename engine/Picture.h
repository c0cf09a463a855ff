#pragma once
// Pictures as the engine draws them: a PNG or GIF file decoded into premultiplied frames, shared
// by every control that shows the same bytes, and 32-bit DIB sections that hold scaled copies
// and the composed window.

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace engine {

struct PictureFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // premultiplied BGRA, top row first
    int delayMs = 0;
};

// A decoded PNG or GIF file. The full-size frames of a still picture are let go once a scaled
// copy of it has been made, since a control then draws only that copy: a 1691x923 background is
// 6 MB at full size. They are decoded again from the file when they are asked for after that (a
// new size, a drawing at full size).
class Picture {
public:
    // Decodes the file; an empty picture (no frames) for bytes GDI+ cannot read.
    explicit Picture(std::vector<std::uint8_t> bytes);

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    bool IsEmpty() const { return m_frameCount == 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::size_t FrameCount() const { return m_frameCount; }
    bool Animated() const { return m_frameCount > 1; }
    int DelayMs(std::size_t index) const { return m_delays[index]; }

    // Frame `index` at full size; a frame without pixels when the file, read once, does not
    // decode again.
    const PictureFrame& Frame(std::size_t index) const;

    // Frame `index` at that size, resampled once and kept with the picture, so that a control
    // drawn again (a hover, the next frame of an animation) only copies pixels. The reference
    // holds until the next call on the picture. A frame without pixels when the full size could
    // not be decoded again; nothing is kept then.
    const PictureFrame& Scaled(std::size_t index, int width, int height) const;

    // Lets go of the full-size frames of a still picture whose scaled copy the caller keeps
    // itself (the window background).
    void ReleaseFullSize() const;

private:
    struct ScaledKey {
        std::size_t index;
        int width;
        int height;
        bool operator<(const ScaledKey& other) const
        {
            return std::tie(index, width, height) <
                   std::tie(other.index, other.width, other.height);
        }
    };

    std::vector<std::uint8_t> m_bytes;
    int m_width = 0;
    int m_height = 0;
    std::size_t m_frameCount = 0;
    std::vector<int> m_delays;
    mutable std::vector<PictureFrame> m_frames; // empty once let go
    mutable std::map<ScaledKey, PictureFrame> m_scaled;
};

// The decoded picture of a whole PNG or GIF file, or nullptr for bytes GDI+ cannot read. The
// same bytes give the same object while any control still holds it, so eight windows with one
// background decode it once.
std::shared_ptr<const Picture> DecodePicture(const std::uint8_t* bytes, std::size_t size);

// A top-down 32-bit DIB section selected into its own memory DC.
class Dib {
public:
    Dib() = default;
    ~Dib() { Reset(); }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    // Makes a cleared bitmap of that size; false (and empty) when GDI refuses.
    bool Create(int width, int height);
    void Reset();
    void Clear();

    bool IsValid() const { return m_bitmap != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    HDC Dc() const { return m_dc; }
    std::uint32_t* Bits() const { return m_bits; }

private:
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    HDC m_dc = nullptr;
    std::uint32_t* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
};

// Draws `frame` scaled into `target` at (x, y, width, height) with high-quality resampling,
// blended over what is there.
void DrawFrame(Dib& target, const PictureFrame& frame, int x, int y, int width, int height);

// Blends a premultiplied frame over a DIB at (x, y), cut at the DIB's edges.
void BlendFrame(Dib& target, const PictureFrame& frame, int x, int y);

// Blends a premultiplied DIB (or part of it) over the destination DC.
void BlendDib(HDC target, int x, int y, int width, int height, const Dib& source, int sourceX,
              int sourceY);

// The rectangle of a picture in a box, centred: shrunk to fit keeping its proportions, never
// enlarged.
RECT FitRect(int pictureWidth, int pictureHeight, const RECT& box);

} // namespace engine
