#!/usr/bin/python3
"""Lays the application's pictures out on one sheet for a person to look at.

    contact-sheet.py PICTURES_DIR OUT.png

The sheet shows the pictures at full size on a checkerboard (so transparency shows; the white
glyphs and title buttons on sky blue, and also at the 16 pixels of an image button), each
tray icon at all five sizes, every frame of the loading animation, and each background
scaled to the main window's 775x413 with labels where the window puts white and black text
and the weather picture at its place and size.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont, ImageSequence

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


def Font(size):
    try:
        return ImageFont.truetype(FONT_PATH, size)
    except OSError:
        return ImageFont.load_default()


def Checker(w, h, cell=8):
    board = Image.new("RGBA", (w, h), (255, 255, 255, 255))
    draw = ImageDraw.Draw(board)
    for y in range(0, h, cell):
        for x in range(0, w, cell):
            if (x // cell + y // cell) % 2:
                draw.rectangle((x, y, x + cell - 1, y + cell - 1), (214, 214, 214, 255))
    return board


def OnChecker(image):
    board = Checker(*image.size)
    return Image.alpha_composite(board, image.convert("RGBA"))


def OnSky(image):
    # White glyphs and title buttons are made for the sky at the top of a window.
    sky = Image.new("RGBA", image.size, (46, 122, 204, 255))
    return Image.alpha_composite(sky, image.convert("RGBA"))


def IcoImages(path):
    icon = Image.open(path)
    return [icon.ico.getimage(size) for size in sorted(icon.ico.sizes(), reverse=True)]


def Placed(window, folder, name, box):
    """Draws a picture scaled into a box, as a picture control of that size shows it."""
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return
    x, y, w, h = box
    window.alpha_composite(Image.open(path).convert("RGBA").resize((w, h), Image.LANCZOS), (x, y))


def WindowMock(folder, background, picture, weatherText):
    window = background.convert("RGBA").resize((775, 413), Image.LANCZOS)
    draw = ImageDraw.Draw(window)
    white = (255, 255, 255, 255)
    black = (0, 0, 0, 255)
    draw.text((42, 90), "23°C", font=Font(55), fill=white)
    draw.text((200, 80), weatherText, font=Font(15), fill=white)
    draw.text((200, 112), "湿度：85%", font=Font(15), fill=white)
    draw.text((200, 144), "气压：1012hPa", font=Font(15), fill=white)
    draw.text((586, 168), "出门记得带伞哦~", font=Font(12), fill=white)
    draw.text((747, 8), "×", font=Font(14), fill=white)
    Placed(window, folder, "MinimiseGlyph.png", (693, 10, 16, 16))
    Placed(window, folder, "MenuGlyph.png", (720, 10, 16, 16))
    Placed(window, folder, "AirconPicture.png", (48, 272, 50, 50))
    Placed(window, folder, "ClothesPicture.png", (128, 272, 50, 50))
    Placed(window, folder, "UmbrellaPicture.png", (210, 272, 50, 50))
    for x, text in ((45, "空调建议"), (125, "穿衣建议"), (218, "雨伞")):
        draw.text((x, 326), text, font=Font(12), fill=black)
    draw.text((12, 385), "所在区域：杭州 更新时间：08:00", font=Font(10), fill=black)
    if picture is not None:
        shown = picture.copy()
        shown.thumbnail((120, 100), Image.LANCZOS)
        window.alpha_composite(shown, (608 + (120 - shown.width) // 2, 60))
    return window


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    folder = argv[1]
    names = sorted(os.listdir(folder))
    label = Font(13)
    tiles = []
    for name in names:
        path = os.path.join(folder, name)
        if name.endswith("Background.png"):
            continue
        if name.endswith(".png"):
            image = Image.open(path)
            if "Button" in name or "Glyph" in name:
                tiles.append((name, [OnSky(image), OnSky(image.resize((16, 16), Image.LANCZOS))]))
            else:
                tiles.append((name, [OnChecker(image)]))
        elif name.endswith(".ico"):
            tiles.append((name, [OnChecker(im) for im in IcoImages(path)]))
        elif name.endswith(".gif"):
            frames = [f.convert("RGBA") for f in ImageSequence.Iterator(Image.open(path))]
            # Shown twice as large as well, so the dots can be judged.
            big = [OnChecker(f.resize((64, 64), Image.NEAREST)) for f in frames]
            tiles.append((name, [OnChecker(f) for f in frames]))
            tiles.append((name + " x2", big))

    rows = []
    for name, images in tiles:
        w = sum(im.width + 8 for im in images) + 8
        h = max(im.height for im in images) + 30
        row = Image.new("RGBA", (max(w, 260), h), (245, 245, 245, 255))
        x = 8
        for im in images:
            row.alpha_composite(im, (x, 24))
            x += im.width + 8
        ImageDraw.Draw(row).text((8, 4), name, font=label, fill=(0, 0, 0, 255))
        rows.append(row)

    pairs = [
        ("SunnyBackground.png", "SunnyPicture.png", "晴"),
        ("SunnyBackground.png", "CloudyPicture.png", "多云"),
        ("OvercastBackground.png", "OvercastPicture.png", "阴"),
        ("RainBackground.png", "RainPicture.png", "小雨"),
        ("SnowBackground.png", "SnowPicture.png", "小雪"),
        ("SnowBackground.png", "FrostPicture.png", "霜冻"),
        ("OvercastBackground.png", "SandPicture.png", "扬沙"),
        ("OvercastBackground.png", "FogPicture.png", "雾"),
    ]
    mocks = []
    for background, picture, text in pairs:
        if background in names:
            pic = Image.open(os.path.join(folder, picture)) if picture in names else None
            mocks.append(
                WindowMock(folder, Image.open(os.path.join(folder, background)), pic, text)
            )

    # Rows are packed into two columns so the sheet stays viewable.
    columnWidth = max(r.width for r in rows)
    half = (sum(r.height for r in rows) + 1) // 2
    columns = [[], []]
    used = 0
    for row in rows:
        columns[0 if used < half else 1].append(row)
        used += row.height
    sheetTilesH = max(sum(r.height for r in col) for col in columns)
    mockW = 775 * 2 + 24
    width = max(columnWidth * 2 + 16, mockW)
    mockRows = (len(mocks) + 1) // 2
    height = sheetTilesH + mockRows * (413 + 12) + 16
    sheet = Image.new("RGBA", (width, height), (255, 255, 255, 255))
    for c, col in enumerate(columns):
        y = 0
        for row in col:
            sheet.alpha_composite(row, (c * (columnWidth + 16), y))
            y += row.height
    for i, mock in enumerate(mocks):
        sheet.alpha_composite(mock, ((i % 2) * (775 + 24), sheetTilesH + 16 + (i // 2) * 425))
    sheet.convert("RGB").save(argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
