#!/usr/bin/python3
"""Draws every picture of the weather application into one folder.

    MakePictures.py OUTPUT_DIR     writes the files
    MakePictures.py --list         prints their names, separated by ";" (for CMake)

The output depends on nothing but this script, PictureKit.py and Pillow, so the build makes
the pictures afresh instead of keeping them in the repository.
"""

import math
import os
import sys

# The build runs this from the source tree; keep that tree free of compiled caches.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PictureKit import (  # noqa: E402
    ArcPoints,
    Canvas,
    Circle,
    GifBytes,
    IcoBytes,
    Layer,
    Line,
    PngBytes,
    Polygon,
    RoundRect,
    SoftShapes,
    VerticalGradient,
)

from PIL import Image  # noqa: E402

# One palette for the whole set: (light, dark) ends of each fill.
SUN = ((255, 218, 100), (246, 156, 26))
HAZY_SUN = ((250, 206, 132), (224, 146, 72))
WHITE_CLOUD = ((255, 255, 255), (204, 219, 236))
GREY_CLOUD = ((208, 216, 226), (136, 150, 168))
DARK_CLOUD = ((164, 176, 192), (98, 112, 132))
RAIN_CLOUD = ((182, 194, 210), (104, 120, 144))
WATER = ((128, 198, 255), (30, 112, 220))
ICE = ((232, 249, 255), (132, 204, 242))
SNOW_STROKE = ((120, 188, 248), (44, 122, 214))
SAND = ((242, 204, 140), (198, 138, 62))
MIST = ((236, 240, 245), (168, 180, 194))
CLOTH = ((255, 156, 120), (224, 82, 62))
SKY_TILE = ((112, 192, 255), (32, 108, 208))
STEEL = ((150, 162, 178), (84, 96, 114))
LEAF = ((150, 222, 160), (62, 160, 92))
WHITE = (255, 255, 255)

# Backgrounds are 1691x923 and sit behind the main window's labels: white text in the upper
# half, black text in the lower third. Every sky therefore darkens towards the top and fades to
# a pale horizon below the middle.
BACKGROUND_SIZE = (1691, 923)


def CloudShapes(cx, cy, s=1.0):
    return [
        Circle(cx - 38 * s, cy + 8 * s, 26 * s),
        Circle(cx, cy - 12 * s, 38 * s),
        Circle(cx + 38 * s, cy + 6 * s, 26 * s),
        RoundRect(cx - 64 * s, cy + 4 * s, cx + 64 * s, cy + 36 * s, 16 * s),
    ]


def Sun(c, cx, cy, r, rayFrom, rayTo, rayWidth):
    rays = []
    for i in range(8):
        a = math.radians(i * 45)
        rays.append(
            Line(
                [
                    (cx + rayFrom * math.cos(a), cy + rayFrom * math.sin(a)),
                    (cx + rayTo * math.cos(a), cy + rayTo * math.sin(a)),
                ],
                rayWidth,
            )
        )
    c.Draw(Layer(rays, *SUN, gloss=False))
    c.Draw(Layer([Circle(cx, cy, r)], *SUN))


def Drop(x, y, r=11):
    # A round bottom with a point on top; the point's sides meet the circle at its tangents.
    tip = 2.4 * r
    a = math.asin(r / tip)
    return [
        Circle(x, y, r),
        Polygon(
            [
                (x - r * math.cos(a), y - r * math.sin(a)),
                (x, y - tip),
                (x + r * math.cos(a), y - r * math.sin(a)),
            ]
        ),
    ]


def Flake(cx, cy, r, width, branches):
    shapes = []
    for i in range(6):
        a = math.radians(90 + i * 60)
        ux, uy = math.cos(a), math.sin(a)
        shapes.append(Line([(cx, cy), (cx + r * ux, cy - r * uy)], width))
        for at, length in branches:
            bx, by = cx + r * at * ux, cy - r * at * uy
            for side in (-1, 1):
                b = a + side * math.radians(55)
                shapes.append(
                    Line(
                        [(bx, by), (bx + length * math.cos(b), by - length * math.sin(b))],
                        width,
                    )
                )
    return shapes


# The eight weather pictures, drawn in a square of 200 units.


def SunnyArt(c):
    Sun(c, 100, 100, 40, 56, 78, 13)


def CloudyArt(c):
    Sun(c, 120, 72, 30, 43, 60, 11)
    c.Draw(Layer(CloudShapes(90, 124, 1.0), *WHITE_CLOUD))


def OvercastArt(c):
    c.Draw(Layer(CloudShapes(126, 76, 0.85), *DARK_CLOUD))
    c.Draw(Layer(CloudShapes(90, 118, 1.15), *GREY_CLOUD))


def RainArt(c):
    c.Draw(Layer(CloudShapes(100, 70, 1.05), *RAIN_CLOUD))
    for x, y in ((62, 150), (100, 170), (138, 150)):
        c.Draw(Layer(Drop(x, y), *WATER))


def SnowArt(c):
    c.Draw(Layer(CloudShapes(100, 68, 1.05), *WHITE_CLOUD))
    if c.width < 64:
        # A tray icon's flakes would be a few pixels of thin blue on a taskbar that may itself
        # be blue: there the snow falls as white outlined pellets, which stay visible.
        pellets = [Circle(x, y, 13) for x, y in ((54, 146), (146, 146), (100, 168))]
        c.Draw(Layer(pellets, *WHITE_CLOUD, gloss=False))
        return
    for x, y in ((56, 146), (144, 146), (100, 168)):
        # Drawn as bare strokes: an outline round arms this short would fill the gaps
        # between them and turn each flake into a blot.
        c.Draw(Layer(Flake(x, y, 20, 6, [(0.55, 8)]), *SNOW_STROKE, outlined=False, gloss=False))


def FrostArt(c):
    c.Draw(
        Layer(
            Flake(100, 84, 64, 10, [(0.42, 22), (0.72, 15)]),
            *ICE,
            outline=(72, 150, 208),
            gloss=False,
        )
    )
    # Frozen ground: a bar bristling with ice needles, which is what sets frost apart from
    # falling snow.
    needles = []
    for i in range(7):
        x = 40 + i * 20
        needles.append(Polygon([(x - 6, 166), (x, 150 - (i % 2) * 6), (x + 6, 166)]))
    c.Draw(Layer(needles + [RoundRect(24, 164, 176, 180, 8)], *ICE, outline=(72, 150, 208)))


def WindStroke(y, x0, x1, curl, up):
    """A gust: a straight stroke ending in a curl."""
    points = [(x0, y), (x1, y)]
    sign = -1 if up else 1
    cy = y + sign * curl
    start = 90 if up else -90
    # Round the far end and back over the stroke, the way a gust is drawn in a sketch.
    points += ArcPoints(x1, cy, curl, start, start + sign * 250, 20)[1:]
    return Line(points, 12)


def SandArt(c):
    c.Draw(Layer([Circle(56, 46, 26)], *HAZY_SUN))
    gusts = [
        WindStroke(88, 30, 124, 14, True),
        Line([(50, 120), (166, 120)], 12),
        WindStroke(152, 30, 128, 14, False),
    ]
    c.Draw(Layer(gusts, *SAND, gloss=False))
    grains = [Circle(170, 56, 5), Circle(184, 92, 4), Circle(180, 150, 4), Circle(30, 120, 4)]
    c.Draw(Layer(grains, *SAND, gloss=False))


def FogArt(c):
    c.Draw(Layer(CloudShapes(100, 58, 0.9), *MIST))
    bars = [
        RoundRect(30, 108, 148, 124, 8),
        RoundRect(56, 136, 174, 152, 8),
        RoundRect(30, 164, 140, 180, 8),
    ]
    c.Draw(Layer(bars, *MIST, gloss=False))


# Advice pictures and the application picture, in the same square.


def ClothesArt(c):
    neck = ArcPoints(100, 38, 20, 0, 180, 16)
    shirt = [
        (44, 50),
        (16, 84),
        (40, 108),
        (56, 94),
        (56, 168),
        (144, 168),
        (144, 94),
        (160, 108),
        (184, 84),
        (156, 50),
        (120, 38),
    ] + neck[1:]
    c.Draw(Layer([Polygon(shirt)], *CLOTH))


def UmbrellaArt(c):
    canopy = ArcPoints(100, 100, 76, 180, 360, 40)
    width = 152 / 4
    for i in range(4):
        centre = 176 - width / 2 - i * width
        canopy += ArcPoints(centre, 100, width / 2, 0, -180, 10)[1:]
    handle = [(100, 96), (100, 160)] + ArcPoints(86, 160, 14, 0, 180, 14)[1:]
    c.Draw(Layer([Line(handle, 9), Line([(100, 26), (100, 14)], 9)], *STEEL, gloss=False))
    c.Draw(Layer([Polygon(canopy)], *WATER))


def AirconArt(c):
    c.Draw(Layer([RoundRect(20, 40, 180, 110, 16)], *WHITE_CLOUD))
    c.Draw(Layer([Line([(40, 92), (160, 92)], 5)], *STEEL, shadow=False, gloss=False))
    c.Draw(Layer([Circle(156, 62, 6)], *LEAF, shadow=False, gloss=False))
    flows = []
    for x in (62, 100, 138):
        flows.append(Line([(x + 7 * math.sin(t / 3), 128 + t * 4) for t in range(12)], 8))
    c.Draw(Layer(flows, *ICE, outline=(72, 150, 208), gloss=False))


def AppArt(c):
    # The tile sits a little up and left, leaving room for its shadow inside the square.
    c.Draw(Layer([RoundRect(10, 10, 182, 182, 40)], *SKY_TILE))
    Sun(c, 118, 72, 26, 37, 51, 10)
    c.Draw(Layer(CloudShapes(86, 118, 0.92), *WHITE_CLOUD))


# Glyphs and title-button states (white on the sky), drawn in their own pixel grids.


def MenuGlyphArt(c):
    bars = [RoundRect(25, 37.5 + i * 50, 175, 62.5 + i * 50, 12.5) for i in range(3)]
    c.Draw(Layer(bars, WHITE, (232, 240, 248), shadow=True, outlined=False, gloss=False))


def MinimiseGlyphArt(c):
    c.Paint(WHITE, c.Mask([RoundRect(3, 7, 13, 9, 1)], 0))


def TitleButton(glyph, state, close=False):
    def Art(c):
        plate = c.Mask([RoundRect(1, 1, 29, 29, 6)], 0)
        if state == "Hover":
            if close:
                c.Paint((232, 17, 35), plate)
            else:
                c.Paint(WHITE, plate, 0.28)
        elif state == "Pressed":
            if close:
                c.Paint((168, 14, 26), plate)
            else:
                c.Paint((0, 0, 0), plate, 0.24)
        c.Paint(WHITE, c.Mask(glyph, 0))

    return Art


CLOSE_GLYPH = [Line([(10, 10), (20, 20)], 1.8), Line([(20, 10), (10, 20)], 1.8)]
MINIMISE_GLYPH = [Line([(9.5, 15), (20.5, 15)], 1.8)]
MAXIMISE_GLYPH = [Line([(10, 10), (20, 10), (20, 20), (10, 20), (10, 10)], 1.6)]
RESTORE_GLYPH = [
    Line([(12.5, 10), (12.5, 8), (22, 8), (22, 17.5), (20, 17.5)], 1.6),
    Line([(8, 12.5), (17.5, 12.5), (17.5, 22), (8, 22), (8, 12.5)], 1.6),
]


def LoadingFrames():
    """Twelve dots on a ring; a large dark head runs round and its tail shrinks and pales."""
    frames = []
    for f in range(12):
        c = Canvas(32, design=32)
        for j in range(12):
            age = (f - j) % 12
            a = math.radians(j * 30 - 90)
            colour = (
                round(WATER[1][0] + (176 - WATER[1][0]) * age / 11),
                round(WATER[1][1] + (206 - WATER[1][1]) * age / 11),
                round(WATER[1][2] + (238 - WATER[1][2]) * age / 11),
            )
            dot = Circle(16 + 11 * math.cos(a), 16 + 11 * math.sin(a), 3.4 - age * 0.16)
            c.Paint(colour, c.Mask([dot], 0))
        frames.append(c.Result())
    return frames


def Background(stops, soft):
    image = VerticalGradient(*BACKGROUND_SIZE, stops)
    for shapes, blur, colour, alpha in soft:
        image = Image.alpha_composite(
            image, SoftShapes(BACKGROUND_SIZE, shapes, blur, colour, alpha)
        )
    return image


def Hills(top, amplitude, phase):
    w, h = BACKGROUND_SIZE
    points = []
    for i in range(0, 41):
        x = w * i / 40
        y = top + amplitude * math.sin(i / 40 * math.pi * 2.2 + phase)
        points += [x, y]
    points += [w, h + 40, 0, h + 40]
    return [("polygon", points)]


def Puffs(*boxes):
    return [("ellipse", box) for box in boxes]


def SunnyBackground():
    return Background(
        [(0.0, (24, 92, 174)), (0.42, (46, 122, 204)), (0.56, (124, 184, 236)),
         (0.70, (196, 226, 247)), (1.0, (240, 248, 253))],
        [
            (Puffs((1300, -260, 1860, 300)), 180, (255, 236, 170), 0.26),
            (Puffs((180, 120, 760, 260), (900, 40, 1400, 180)), 70, WHITE, 0.10),
            (Hills(700, 26, 0.4), 24, (226, 241, 251), 0.70),
            (Hills(790, 20, 2.0), 24, (244, 250, 254), 0.80),
        ],
    )


def OvercastBackground():
    return Background(
        [(0.0, (70, 82, 98)), (0.42, (100, 114, 130)), (0.56, (150, 162, 176)),
         (0.70, (200, 207, 216)), (1.0, (234, 237, 241))],
        [
            (Puffs((-200, -160, 700, 180), (600, -120, 1500, 150), (1200, -100, 1900, 200)),
             90, (52, 62, 76), 0.22),
            (Hills(690, 22, 1.1), 40, (216, 222, 229), 0.70),
            (Hills(780, 18, 3.0), 40, (238, 241, 244), 0.80),
        ],
    )


def RainBackground():
    return Background(
        [(0.0, (36, 52, 76)), (0.42, (62, 84, 112)), (0.56, (124, 144, 168)),
         (0.70, (184, 198, 214)), (1.0, (224, 231, 238))],
        [
            (Puffs((-150, -180, 800, 160), (700, -150, 1850, 190)), 90, (24, 34, 50), 0.28),
            (Hills(700, 24, 2.4), 30, (200, 212, 225), 0.70),
            (Hills(800, 16, 0.7), 30, (226, 233, 240), 0.80),
        ],
    )


def SnowBackground():
    flakes = Puffs(
        *[(x - r, y - r, x + r, y + r) for x, y, r in
          ((120, 90, 18), (420, 240, 12), (760, 60, 16), (1040, 300, 10), (1300, 140, 20),
           (1580, 330, 12), (260, 380, 10), (900, 180, 14))]
    )
    return Background(
        [(0.0, (66, 100, 146)), (0.42, (98, 134, 178)), (0.56, (156, 184, 214)),
         (0.70, (214, 228, 242)), (1.0, (246, 249, 252))],
        [
            (flakes, 8, WHITE, 0.35),
            (Hills(690, 30, 1.7), 20, (232, 241, 250), 0.85),
            (Hills(780, 22, 4.0), 20, WHITE, 0.90),
        ],
    )


def Render(art, size, design=200):
    c = Canvas(size, design)
    art(c)
    return c.Result()


WEATHER = {
    "Sunny": SunnyArt,
    "Cloudy": CloudyArt,
    "Overcast": OvercastArt,
    "Rain": RainArt,
    "Snow": SnowArt,
    "Frost": FrostArt,
    "Sand": SandArt,
    "Fog": FogArt,
}
ICON_SIZES = (200, 48, 32, 24, 16)


def Catalogue():
    """Every output file with the function that makes its bytes."""
    files = {}
    for name, art in WEATHER.items():
        size = 134 if name == "Overcast" else 200
        files[name + "Picture.png"] = lambda art=art, size=size: PngBytes(Render(art, size))
    for name, make in (
        ("Sunny", SunnyBackground),
        ("Overcast", OvercastBackground),
        ("Rain", RainBackground),
        ("Snow", SnowBackground),
    ):
        files[name + "Background.png"] = lambda make=make: PngBytes(make())
    for name in ("Sunny", "Cloudy", "Rain", "Snow"):
        art = WEATHER[name]
        files[name + "TrayIcon.ico"] = lambda art=art: IcoBytes(
            [Render(art, s) for s in ICON_SIZES]
        )
    files["AppTrayIcon.ico"] = lambda: IcoBytes([Render(AppArt, s) for s in ICON_SIZES])
    files["AppPicture.png"] = lambda: PngBytes(Render(AppArt, 200))
    files["ClothesPicture.png"] = lambda: PngBytes(Render(ClothesArt, 200))
    files["UmbrellaPicture.png"] = lambda: PngBytes(Render(UmbrellaArt, 200))
    files["AirconPicture.png"] = lambda: PngBytes(Render(AirconArt, 200))
    files["MenuGlyph.png"] = lambda: PngBytes(Render(MenuGlyphArt, 200))
    files["MinimiseGlyph.png"] = lambda: PngBytes(Render(MinimiseGlyphArt, 16, 16))
    for button, glyph, close in (
        ("Close", CLOSE_GLYPH, True),
        ("Maximise", MAXIMISE_GLYPH, False),
        ("Restore", RESTORE_GLYPH, False),
        ("Minimise", MINIMISE_GLYPH, False),
    ):
        for state in ("Normal", "Hover", "Pressed"):
            art = TitleButton(glyph, state, close)
            files[button + "Button" + state + ".png"] = lambda art=art: PngBytes(
                Render(art, 30, 30)
            )
    files["LoadingAnimation.gif"] = lambda: GifBytes(LoadingFrames(), 8, (236, 242, 248))
    return files


def main(argv):
    files = Catalogue()
    if len(argv) == 2 and argv[1] == "--list":
        print(";".join(files), end="")
        return 0
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for name, make in files.items():
        data = make()
        # Written whole, then renamed, so an interrupted build never leaves a torn picture.
        path = os.path.join(argv[1], name)
        with open(path + ".part", "wb") as out:
            out.write(data)
        os.replace(path + ".part", path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
