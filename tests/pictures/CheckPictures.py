#!/usr/bin/env python3
"""Checks that every picture the build drew has the format and size the windows expect.

    CheckPictures.py PICTURES_DIR

Reads the files with its own small PNG, ICO and GIF parsers (standard library only), so a
fault of the drawing library or of our writers cannot hide behind the same code reading it
back.
"""

import os
import struct
import sys
import unittest
import zlib

PICTURES_DIR = ""
MAX_FILE_BYTES = 1024 * 1024

WEATHER = ["Sunny", "Cloudy", "Overcast", "Rain", "Snow", "Frost", "Sand", "Fog"]
BACKGROUNDS = ["Sunny", "Overcast", "Rain", "Snow"]
TRAY_ICONS = ["SunnyTrayIcon", "CloudyTrayIcon", "RainTrayIcon", "SnowTrayIcon", "AppTrayIcon"]
ICON_SIZES = [200, 48, 32, 24, 16]

# name -> (width, height, what the picture's alpha must look like)
#   "opaque": every pixel fully opaque (backgrounds stretch over whole windows)
#   "cutout": transparent corners and something visible (pictures placed over a background)
#   "glyph":  something visible, nothing more asked (white glyphs, button states)
PNGS = {}
for name in WEATHER:
    size = 134 if name == "Overcast" else 200
    PNGS[name + "Picture.png"] = (size, size, "cutout")
for name in BACKGROUNDS:
    PNGS[name + "Background.png"] = (1691, 923, "opaque")
for name in ("AppPicture", "ClothesPicture", "UmbrellaPicture", "AirconPicture"):
    PNGS[name + ".png"] = (200, 200, "cutout")
PNGS["MenuGlyph.png"] = (200, 200, "cutout")
PNGS["MinimiseGlyph.png"] = (16, 16, "cutout")
for button in ("Close", "Maximise", "Restore", "Minimise"):
    for state in ("Normal", "Hover", "Pressed"):
        PNGS[button + "Button" + state + ".png"] = (30, 30, "glyph")

ICOS = [name + ".ico" for name in TRAY_ICONS]
GIFS = {"LoadingAnimation.gif": (32, 32, 12)}


def Read(name):
    with open(os.path.join(PICTURES_DIR, name), "rb") as f:
        return f.read()


# PNG


def PngChunks(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG signature"
    pos = 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length : pos + 12 + length])
        assert zlib.crc32(kind + body) == crc, "bad CRC in chunk %r" % kind
        yield kind, body
        pos += 12 + length


def Paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def PngAlpha(data):
    """(width, height, bit depth, colour type, list of alpha rows) of an RGBA PNG."""
    chunks = list(PngChunks(data))
    assert chunks[0][0] == b"IHDR" and chunks[-1][0] == b"IEND"
    w, h, depth, colour, compression, filtering, interlace = struct.unpack(
        ">IIBBBBB", chunks[0][1]
    )
    assert (compression, filtering, interlace) == (0, 0, 0)
    if (depth, colour) != (8, 6):
        return w, h, depth, colour, None
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = w * 4
    assert len(raw) == h * (stride + 1), "pixel data does not fill %dx%d" % (w, h)
    previous = bytearray(stride)
    alphas = []
    for y in range(h):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(4, stride):
                line[i] = (line[i] + line[i - 4]) & 0xFF
        elif kind == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, previous))
        elif kind == 3:
            for i in range(stride):
                left = line[i - 4] if i >= 4 else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = line[i - 4] if i >= 4 else 0
                upLeft = previous[i - 4] if i >= 4 else 0
                line[i] = (line[i] + Paeth(left, previous[i], upLeft)) & 0xFF
        else:
            assert kind == 0, "unknown PNG filter %d" % kind
        alphas.append(bytes(line[3::4]))
        previous = line
    return w, h, depth, colour, alphas


class PngTest(unittest.TestCase):
    def testEveryPngHasItsSizeAndAlpha(self):
        for name, (w, h, alphaKind) in PNGS.items():
            with self.subTest(picture=name):
                data = Read(name)
                self.assertLess(len(data), MAX_FILE_BYTES)
                width, height, depth, colour, alphas = PngAlpha(data)
                self.assertEqual((width, height), (w, h))
                self.assertEqual((depth, colour), (8, 6), "must be 8-bit RGBA")
                visible = sum(1 for row in alphas for a in row if a)
                self.assertGreater(visible, 0, "nothing visible")
                if alphaKind == "opaque":
                    self.assertTrue(all(a == 255 for row in alphas for a in row))
                if alphaKind == "cutout":
                    corners = [alphas[0][0], alphas[0][-1], alphas[-1][0], alphas[-1][-1]]
                    self.assertEqual(corners, [0, 0, 0, 0], "corners must be transparent")


# ICO


class IcoTest(unittest.TestCase):
    def testEveryIconHoldsFiveUncompressed32BitImages(self):
        for name in ICOS:
            with self.subTest(icon=name):
                data = Read(name)
                self.assertLess(len(data), MAX_FILE_BYTES)
                reserved, kind, count = struct.unpack("<HHH", data[:6])
                self.assertEqual((reserved, kind, count), (0, 1, len(ICON_SIZES)))
                sizes = []
                end = 6 + 16 * count
                for i in range(count):
                    w, h, colours, zero, planes, bits, length, offset = struct.unpack(
                        "<BBBBHHII", data[6 + 16 * i : 22 + 16 * i]
                    )
                    size = w or 256
                    sizes.append(size)
                    self.assertEqual((h or 256, colours, zero, planes, bits), (size, 0, 0, 1, 32))
                    self.assertEqual(offset, end, "images must follow one another")
                    self.assertLessEqual(offset + length, len(data))
                    self.CheckDib(data[offset : offset + length], size)
                    end = offset + length
                self.assertEqual(end, len(data))
                self.assertEqual(sorted(sizes, reverse=True), ICON_SIZES)

    def CheckDib(self, dib, size):
        header = struct.unpack("<IiiHHIIiiII", dib[:40])
        self.assertEqual(header[:6], (40, size, 2 * size, 1, 32, 0), "BITMAPINFOHEADER")
        maskStride = ((size + 31) // 32) * 4
        self.assertEqual(len(dib), 40 + size * size * 4 + size * maskStride)
        pixels = dib[40 : 40 + size * size * 4]
        mask = dib[40 + size * size * 4 :]
        visible = 0
        for row in range(size):
            for x in range(size):
                alpha = pixels[(row * size + x) * 4 + 3]
                hidden = bool(mask[row * maskStride + x // 8] & (0x80 >> (x % 8)))
                # Programs that ignore alpha draw through the AND mask: it must hide exactly
                # the fully transparent pixels.
                self.assertEqual(hidden, alpha == 0, "mask at %d,%d of %d" % (x, row, size))
                visible += alpha > 0
        self.assertGreater(visible, size * size // 8, "%d-pixel image is nearly empty" % size)


# GIF


def GifSubBlocks(data, pos):
    out = bytearray()
    while data[pos]:
        out += data[pos + 1 : pos + 1 + data[pos]]
        pos += 1 + data[pos]
    return bytes(out), pos + 1


def LzwDecode(codes, minSize):
    clear, end = 1 << minSize, (1 << minSize) + 1
    bitPos, width = 0, minSize + 1
    table = [bytes([i]) for i in range(clear)] + [b"", b""]
    out = bytearray()
    previous = None
    while bitPos + width <= len(codes) * 8:
        code = int.from_bytes(codes[bitPos // 8 : bitPos // 8 + 3], "little")
        code = (code >> (bitPos % 8)) & ((1 << width) - 1)
        bitPos += width
        if code == clear:
            table = table[: end + 1]
            width, previous = minSize + 1, None
            continue
        if code == end:
            return bytes(out)
        if code < len(table):
            entry = table[code]
            if previous is not None:
                table.append(previous + entry[:1])
        else:
            assert previous is not None and code == len(table), "bad LZW code"
            entry = previous + previous[:1]
            table.append(entry)
        out += entry
        previous = entry
        if len(table) == (1 << width) and width < 12:
            width += 1
    raise AssertionError("LZW data without an end code")


def GifFrames(data):
    """(screen size, loop count, [(gce fields, frame rect, pixel indices)])"""
    assert data[:6] == b"GIF89a"
    w, h, flags, _, _ = struct.unpack("<HHBBB", data[6:13])
    pos = 13 + (3 * (2 << (flags & 7)) if flags & 0x80 else 0)
    loop = None
    control = None
    frames = []
    while data[pos] != 0x3B:
        if data[pos] == 0x21:
            label = data[pos + 1]
            body, pos = GifSubBlocks(data, pos + 2)
            if label == 0xFF and body[:11] == b"NETSCAPE2.0":
                loop = struct.unpack("<H", body[12:14])[0]
            elif label == 0xF9:
                packed, delay, transparent = struct.unpack("<BHB", body[:4])
                control = (packed >> 2 & 7, packed & 1, delay, transparent)
        elif data[pos] == 0x2C:
            rect = struct.unpack("<HHHH", data[pos + 1 : pos + 9])
            local = data[pos + 9]
            pos += 10 + (3 * (2 << (local & 7)) if local & 0x80 else 0)
            minSize = data[pos]
            codes, pos = GifSubBlocks(data, pos + 1)
            frames.append((control, rect, LzwDecode(codes, minSize)))
            control = None
        else:
            raise AssertionError("unknown GIF block 0x%02x" % data[pos])
    return (w, h), loop, frames


class GifTest(unittest.TestCase):
    def testLoadingAnimationLoopsTwelveWholeTransparentFrames(self):
        for name, (w, h, count) in GIFS.items():
            with self.subTest(animation=name):
                data = Read(name)
                screen, loop, frames = GifFrames(data)
                self.assertEqual(screen, (w, h))
                self.assertEqual(loop, 0, "must loop for ever")
                self.assertEqual(len(frames), count)
                for control, rect, pixels in frames:
                    self.assertIsNotNone(control, "every frame needs its control block")
                    disposal, hasTransparency, delay, transparent = control
                    self.assertEqual(rect, (0, 0, w, h))
                    self.assertEqual(len(pixels), w * h)
                    self.assertTrue(hasTransparency)
                    # Disposal to background: otherwise each frame paints over the last one.
                    self.assertEqual(disposal, 2)
                    self.assertGreater(delay, 0)
                    corners = {pixels[0], pixels[w - 1], pixels[-w], pixels[-1]}
                    self.assertEqual(corners, {transparent})
                    self.assertGreater(sum(p != transparent for p in pixels), 0)
                self.assertEqual(len({pixels for _, _, pixels in frames}), count,
                                 "frames must differ")


class FolderTest(unittest.TestCase):
    def testFolderHoldsExactlyTheExpectedPictures(self):
        expected = set(PNGS) | set(ICOS) | set(GIFS)
        self.assertEqual(set(os.listdir(PICTURES_DIR)), expected)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    PICTURES_DIR = sys.argv.pop(1)
    unittest.main()
