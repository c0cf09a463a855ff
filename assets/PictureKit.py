"""Drawing helpers and file writers for the pictures that MakePictures.py draws.

Every picture is drawn as layers of simple shapes in a design square (200 units for the
weather and advice pictures), rendered at four times the output size and box-filtered down,
so edges are smooth at any size, including the 16-pixel tray icons. All shapes share one look:
a fill that runs from light at the top left to dark at the bottom right, an outline of one
weight in a darker shade of the fill, and a soft shadow below and to the right. That is the
single light direction that makes the set read as one family.

The ICO and GIF writers are our own because the files must have an exact layout (uncompressed
32-bit images of five sizes; a looping GIF of whole frames) that general encoders do not
promise.
"""

import io
import math
import struct

from PIL import Image, ImageChops, ImageDraw, ImageFilter

SUPERSAMPLE = 4
# The outline weight in output pixels for a 200-pixel picture; smaller renderings keep at
# least one pixel so that an icon of 16 pixels still shows its outlines.
OUTLINE_AT_200 = 5.0
MIN_OUTLINE_PX = 1.0


def Shade(colour, factor):
    return tuple(max(0, min(255, round(c * factor))) for c in colour[:3])


def Mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# Shapes. Coordinates are in design units; `grow` widens a shape on every side, which is how
# its outline and shadow are made.


class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def Draw(self, draw, k, grow):
        r = (self.r + grow) * k
        # Pillow's right and bottom coordinates are inclusive, hence the one pixel less.
        draw.ellipse(
            (self.cx * k - r, self.cy * k - r, self.cx * k + r - 1, self.cy * k + r - 1), 255
        )


class RoundRect:
    def __init__(self, x0, y0, x1, y1, r):
        self.box = (x0, y0, x1, y1)
        self.r = r

    def Draw(self, draw, k, grow):
        x0, y0, x1, y1 = self.box
        draw.rounded_rectangle(
            ((x0 - grow) * k, (y0 - grow) * k, (x1 + grow) * k - 1, (y1 + grow) * k - 1),
            radius=max(0.0, (self.r + grow) * k),
            fill=255,
        )


class Line:
    """A polyline of the given width with round ends and joints."""

    def __init__(self, points, width):
        self.points = list(points)
        self.width = width

    def Draw(self, draw, k, grow):
        half = (self.width / 2 + grow) * k
        scaled = [(x * k, y * k) for x, y in self.points]
        if len(scaled) > 1:
            draw.line(scaled, fill=255, width=max(1, round(half * 2)), joint="curve")
        for x, y in scaled:
            draw.ellipse((x - half, y - half, x + half, y + half), 255)


class Polygon:
    def __init__(self, points):
        self.points = list(points)

    def Draw(self, draw, k, grow):
        draw.polygon([(x * k, y * k) for x, y in self.points], fill=255)
        if grow > 0:
            Line(self.points + self.points[:1], 2 * grow).Draw(draw, k, 0)


def ArcPoints(cx, cy, r, startDeg, endDeg, steps=24):
    return [
        (
            cx + r * math.cos(math.radians(startDeg + (endDeg - startDeg) * i / steps)),
            cy + r * math.sin(math.radians(startDeg + (endDeg - startDeg) * i / steps)),
        )
        for i in range(steps + 1)
    ]


class Layer:
    """Shapes drawn as one body: shadow, outline, gradient fill, then a soft highlight."""

    def __init__(self, shapes, light, dark, outline=None, shadow=True, outlined=True, gloss=True):
        self.shapes = shapes
        self.light = light
        self.dark = dark
        self.outline = outline if outline is not None else Shade(dark, 0.72)
        self.shadow = shadow
        self.outlined = outlined
        self.gloss = gloss


class Canvas:
    """One picture of `size` pixels drawn in a square of `design` units."""

    def __init__(self, size, design=200, width=None, height=None):
        self.width = width or size
        self.height = height or size
        self.design = design
        self.k = self.width * SUPERSAMPLE / design
        self.image = Image.new("RGBA", (self.width * SUPERSAMPLE, self.height * SUPERSAMPLE))
        outline_px = max(OUTLINE_AT_200 * self.width / 200, MIN_OUTLINE_PX)
        # The outline in design units, so that every layer of this picture has the same weight.
        self.stroke = outline_px * design / self.width

    def Mask(self, shapes, grow):
        mask = Image.new("L", self.image.size, 0)
        draw = ImageDraw.Draw(mask)
        for shape in shapes:
            shape.Draw(draw, self.k, grow)
        return mask

    def Paint(self, colour, mask, alpha=1.0):
        if alpha < 1.0:
            mask = mask.point(lambda v: round(v * alpha))
        solid = Image.new("RGBA", self.image.size, colour[:3] + (255,))
        solid.putalpha(mask)
        self.image = Image.alpha_composite(self.image, solid)

    def Gradient(self, mask, light, dark):
        box = mask.getbbox()
        if box is None:
            return
        w, h = box[2] - box[0], box[3] - box[1]
        ramp = Image.linear_gradient("L")
        across = ramp.rotate(90).resize((w, h))
        down = ramp.resize((w, h))
        t = ImageChops.add(across, down, scale=2.0)
        fill = Image.composite(
            Image.new("RGBA", (w, h), dark[:3] + (255,)),
            Image.new("RGBA", (w, h), light[:3] + (255,)),
            t,
        )
        part = Image.new("RGBA", self.image.size, (0, 0, 0, 0))
        part.paste(fill, box[:2])
        part.putalpha(ImageChops.multiply(part.getchannel("A"), mask))
        self.image = Image.alpha_composite(self.image, part)

    def Draw(self, layer):
        stroke = self.stroke if layer.outlined else 0
        if layer.shadow:
            shadow = self.Mask(layer.shapes, stroke)
            offset = round(self.stroke * 0.9 * self.k)
            # Moved by pasting: ImageChops.offset would wrap the shadow round to the far edge.
            moved = Image.new("L", shadow.size, 0)
            moved.paste(shadow, (offset, round(offset * 1.3)))
            shadow = moved
            shadow = shadow.filter(ImageFilter.GaussianBlur(self.stroke * 0.9 * self.k))
            self.Paint((20, 40, 70), shadow, 0.22)
        if stroke:
            self.Paint(layer.outline, self.Mask(layer.shapes, stroke))
        body = self.Mask(layer.shapes, 0)
        self.Gradient(body, layer.light, layer.dark)
        if layer.gloss:
            # A soft light spot towards the top left, kept inside the body.
            box = body.getbbox()
            if box:
                w, h = box[2] - box[0], box[3] - box[1]
                spot = Image.new("L", self.image.size, 0)
                ImageDraw.Draw(spot).ellipse(
                    (box[0] + w * 0.08, box[1] + h * 0.06, box[0] + w * 0.55, box[1] + h * 0.45),
                    255,
                )
                spot = spot.filter(ImageFilter.GaussianBlur(max(w, h) * 0.08))
                self.Paint((255, 255, 255), ImageChops.multiply(spot, body), 0.35)

    def Result(self):
        small = self.image.convert("RGBa").resize((self.width, self.height), Image.BOX)
        return small.convert("RGBA")


# File writers.


def PngBytes(image):
    """An 8-bit RGBA PNG, compressed as far as zlib goes."""
    out = io.BytesIO()
    image.convert("RGBA").save(out, "PNG", optimize=True)
    return out.getvalue()


def IcoBytes(images):
    """An ICO file holding each image as an uncompressed 32-bit BGRA DIB with its AND mask.

    The images keep the given order in the directory. A width or height of 256 is written as
    0 there, as the format requires; 200 fits the byte as it is.
    """
    entries = []
    blobs = []
    for image in images:
        image = image.convert("RGBA")
        w, h = image.size
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytearray()
        mask = bytearray()
        maskStride = ((w + 31) // 32) * 4
        data = image.load()
        for y in range(h - 1, -1, -1):
            row = bytearray(maskStride)
            for x in range(w):
                r, g, b, a = data[x, y]
                pixels += bytes((b, g, r, a))
                if a == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        blob = bytearray(header + bytes(pixels) + bytes(mask))
        struct.pack_into("<I", blob, 20, len(pixels) + len(mask))
        blobs.append(bytes(blob))
        entries.append((w, h))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (w, h), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def LzwEncode(indices, minCodeSize=8):
    """GIF's variable-width LZW, packed least significant bit first."""
    clear = 1 << minCodeSize
    end = clear + 1
    bits = 0
    bitCount = 0
    out = bytearray()

    def Emit(code, width):
        nonlocal bits, bitCount
        bits |= code << bitCount
        bitCount += width
        while bitCount >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            bitCount -= 8

    def Reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, minCodeSize + 1

    table, nextCode, width = Reset()
    Emit(clear, width)
    current = b""
    for index in indices:
        longer = current + bytes([index])
        if longer in table:
            current = longer
            continue
        Emit(table[current], width)
        if nextCode < 4096:
            table[longer] = nextCode
            nextCode += 1
            if nextCode > (1 << width) and width < 12:
                width += 1
        else:
            Emit(clear, width)
            table, nextCode, width = Reset()
        current = bytes([index])
    if current:
        Emit(table[current], width)
    Emit(end, width)
    if bitCount:
        out.append(bits & 0xFF)
    return bytes(out)


def GifBytes(frames, delayCs, matte):
    """A looping GIF of whole RGBA frames with one transparent colour (index 0).

    GIF has no partial transparency, so edge pixels are blended onto `matte`, the colour the
    picture is expected to sit on, and pixels less than a third covered become transparent.
    Each frame is disposed to the background, so no frame shows through the next.
    """
    w, h = frames[0].size
    flat = []
    for frame in frames:
        frame = frame.convert("RGBA")
        back = Image.new("RGBA", frame.size, matte[:3] + (255,))
        flat.append((Image.alpha_composite(back, frame).convert("RGB"), frame.getchannel("A")))
    strip = Image.new("RGB", (w * len(frames), h))
    for i, (rgb, _) in enumerate(flat):
        strip.paste(rgb, (i * w, 0))
    quantised = strip.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=0)
    palette = quantised.getpalette()[: 255 * 3]
    palette += [0] * (255 * 3 - len(palette))
    table = bytes([0, 0, 0]) + bytes(palette)

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0xF7, 0, 0)  # global table of 256 colours
    out += table
    out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"
    for i, (_, alpha) in enumerate(flat):
        indices = bytearray()
        source = quantised.load()
        a = alpha.load()
        for y in range(h):
            for x in range(w):
                indices.append(0 if a[x, y] < 85 else source[i * w + x, y] + 1)
        out += b"\x21\xf9\x04" + struct.pack("<BHB", (2 << 2) | 1, delayCs, 0) + b"\x00"
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, w, h, 0)
        data = LzwEncode(indices)
        out.append(8)
        for start in range(0, len(data), 255):
            chunk = data[start : start + 255]
            out.append(len(chunk))
            out += chunk
        out.append(0)
    out.append(0x3B)
    return bytes(out)


def VerticalGradient(width, height, stops, soften=45):
    """A background running through (position 0..1, colour) stops from top to bottom.

    The stops are joined by straight ramps and the column is then blurred, which rounds off
    the corners where two ramps meet; left sharp, the eye sees a crease there.
    """
    pad = soften * 3
    column = Image.new("RGB", (8, height + 2 * pad))
    px = column.load()
    for row in range(height + 2 * pad):
        t = min(max((row - pad) / (height - 1), 0.0), 1.0)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                colour = Mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
                break
        for x in range(8):
            px[x, row] = colour
    column = column.filter(ImageFilter.GaussianBlur(soften))
    column = column.crop((4, pad, 5, pad + height))
    return column.resize((width, height), Image.NEAREST).convert("RGBA")


def SoftShapes(size, shapes, blur, colour, alpha, scale=4):
    """Blurred, translucent shapes for a background, drawn small and scaled up (they are soft
    anyway, and the scaling keeps the generator fast)."""
    w, h = size[0] // scale, size[1] // scale
    mask = Image.new("L", (w, h), 0)
    draw = ImageDraw.Draw(mask)
    for kind, box in shapes:
        box = [v / scale for v in box]
        if kind == "ellipse":
            draw.ellipse(box, 255)
        else:
            draw.polygon(list(zip(box[0::2], box[1::2])), 255)
    mask = mask.filter(ImageFilter.GaussianBlur(blur / scale))
    mask = mask.resize(size, Image.BICUBIC).point(lambda v: round(v * alpha))
    layer = Image.new("RGBA", size, colour[:3] + (255,))
    layer.putalpha(mask)
    return layer
