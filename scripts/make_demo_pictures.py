#!/usr/bin/env python3
"""Draws the demo scenario's pictures as PNG files (no libraries needed).

    scripts/make_demo_pictures.py OUTDIR

The demo ships them converted by qvl-img into the formats the engine reads
(see scripts/make_demo_pictures.sh).
"""
import math
import struct
import sys
import zlib


def png(path, w, h, pixel):
    rows = bytearray()
    for y in range(h):
        rows.append(0)
        for x in range(w):
            r, g, b = pixel(x, y)
            rows += bytes((r, g, b))
    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def sky(x, y):
    hill = 330 + 40 * math.sin(x / 90.0) + 20 * math.sin(x / 37.0 + 1.0)
    if y > hill:
        return mix((70, 150, 60), (30, 90, 30), min(1.0, (y - hill) / 150.0))
    sun = math.hypot(x - 500, y - 110)
    if sun < 42:
        return (255, 240, 190)
    return mix((90, 150, 230), (230, 240, 250), y / 400.0)


def room(x, y):
    if y > 360:
        return (150, 110, 70) if (x // 80 + y // 40) % 2 else (135, 98, 62)
    if 380 <= x < 560 and 70 <= y < 250:
        if x in (380, 381, 469, 470, 558, 559) or y in (70, 71, 159, 160, 248, 249):
            return (240, 240, 235)
        return mix((150, 200, 250), (220, 235, 250), (y - 70) / 180.0)
    return (225, 215, 190) if (x // 16) % 2 else (220, 209, 183)


def person(hair, dress, key):
    def draw(x, y):
        cx = 100
        if math.hypot(x - cx, y - 70) < 42:
            if y < 62 or abs(x - cx) > 34:
                return hair
            return (250, 220, 200)
        if 110 <= y < 320 and abs(x - cx) < 30 + (y - 110) * 0.25:
            return dress
        if 112 <= y < 220 and 30 <= abs(x - cx) < 44 + (y - 112) * 0.1:
            return (250, 220, 200)
        return key
    return draw


def mask_of(draw, key):
    return lambda x, y: (255, 255, 255) if draw(x, y) == key else (0, 0, 0)


def light(x, y):
    d = math.hypot(x - 160, y - 120) / 160.0
    v = max(0.0, 1.0 - d)
    return (int(255 * v), int(220 * v), int(120 * v))


def stars(x, y):
    cell, lx, ly = x // 32, x % 32 - 16, y - 16
    angle = math.atan2(ly, lx) + cell * math.pi / 10
    radius = 6 + 8 * (0.5 + 0.5 * math.cos(5 * angle))
    if math.hypot(lx, ly) < radius:
        return (255, 230 - cell * 30, 60 + cell * 40)
    return (0, 255, 0)


def icon(x, y):
    frame, row = x // 32, y // 32
    lx, ly = x % 32 - 16, y % 32 - 16
    if row == 0:
        size = 4 + (frame % 4)
        if abs(lx) + abs(ly - (frame % 4) - 2) < size:
            return (255, 255, 160)
    else:
        angle = math.atan2(ly, lx) - frame * math.pi / 4
        if 6 < math.hypot(lx, ly) < 11 and math.cos(angle) > 0:
            return (160, 220, 255)
    return (255, 0, 255)


def buttons(x, y):
    # Choice buttons, 200 x 40: column 0 plain, column 1 highlighted; row r shows
    # r marks (a circle each), row 0 is blank. Magenta is transparent.
    column, row = x // 200, y // 40
    lx, ly = x % 200, y % 40
    if lx < 2 or lx > 197 or ly < 2 or ly > 37:
        return (255, 0, 255)
    edge = lx < 5 or lx > 194 or ly < 5 or ly > 34
    face = (250, 210, 90) if column else (90, 120, 200)
    if edge:
        return (255, 255, 255) if column else (40, 50, 90)
    for k in range(row):
        if math.hypot(lx - (100 + (k - (row - 1) / 2) * 34), ly - 20) < 11:
            return (255, 255, 255) if not column else (120, 60, 20)
    return face


def gallery(x, y):
    # Gallery thumbnails, 96 x 72: column 1 framed in yellow; row 0 is the locked
    # picture (grey with a cross), rows 1-3 small landscapes.
    column, row = x // 96, y // 72
    lx, ly = x % 96, y % 72
    if column and (lx < 3 or lx > 92 or ly < 3 or ly > 68):
        return (255, 220, 40)
    if row == 0:
        if abs(lx * 72 - ly * 96) < 200 or abs((95 - lx) * 72 - ly * 96) < 200:
            return (90, 90, 90)
        return (160, 160, 160)
    horizon = 40 + 6 * math.sin(lx / (6.0 + row * 3) + row)
    if ly > horizon:
        return mix((60, 140 - row * 20, 60), (20, 70, 30), (ly - horizon) / 40.0)
    tops = [(90, 150, 230), (250, 150, 90), (30, 30, 80)]
    return mix(tops[row - 1], (230, 235, 250), ly / 60.0)


def main():
    out = sys.argv[1]
    girl = person((70, 40, 30), (200, 60, 80), (255, 0, 255))
    boy = person((30, 30, 40), (60, 90, 170), (0, 0, 0))
    png(f"{out}/bg_sky.png", 640, 480, sky)
    png(f"{out}/bg_room.png", 640, 480, room)
    png(f"{out}/girl.png", 200, 320, girl)
    png(f"{out}/boy.png", 200, 320, boy)
    png(f"{out}/boy_mask.png", 200, 320, mask_of(boy, (0, 0, 0)))
    png(f"{out}/light.png", 320, 240, light)
    png(f"{out}/stars.png", 128, 32, stars)
    png(f"{out}/icon.png", 256, 64, icon)
    png(f"{out}/buttons.png", 400, 160, buttons)
    png(f"{out}/gallery.png", 192, 288, gallery)


if __name__ == "__main__":
    main()
