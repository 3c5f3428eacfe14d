#!/usr/bin/python3
"""Makes ref/*.png for the files make_files.py wrote, with Pillow and ImageMagick.

Run once, with Debian's python3-pil and imagemagick installed:
    /usr/bin/python3 make_refs.py
It prints, for each file, what Pillow and ImageMagick make of it and whether the
two agree. Neither reads most of these files as they are, so each is given the
nearest thing it does read (the rules are in main(); make_files.py writes what
they need into stand_in/); the bitmap reader under test is never used.
"""

import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
STAND_IN = os.path.join(HERE, "stand_in")
REF = os.path.join(HERE, "ref")
CONVERT = "/usr/bin/convert"  # the real ImageMagick, not a stand-in earlier in PATH
TMP = tempfile.mkdtemp()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def s32(b, at):
    return struct.unpack_from("<i", b, at)[0]


def pillow(path):
    try:
        im = Image.open(path)
        im.load()
        return im.convert("RGB")
    except Exception as e:  # noqa: BLE001 - any failure is a finding to report
        return "fails: " + str(e).splitlines()[0]


def magick(path, *options):
    out = os.path.join(TMP, "magick.png")
    if os.path.exists(out):
        os.remove(out)
    r = subprocess.run([CONVERT, *options, path, "-alpha", "off", "png24:" + out], capture_output=True, text=True)
    if not os.path.exists(out):
        return "fails: " + (r.stderr.strip().splitlines() or ["no output"])[0]
    return Image.open(out).convert("RGB")


def differ(a, b):
    """Largest channel difference of two RGB pictures, or a note why they cannot be compared."""
    if isinstance(a, str) or isinstance(b, str):
        return None
    if a.size != b.size:
        return "sizes differ"
    worst = 0
    for p, q in zip(a.getdata(), b.getdata()):
        worst = max(worst, *(abs(x - y) for x, y in zip(p, q)))
    return worst


def transcode_to_info40(bmp, colours):
    """The same palette and pixels behind a plain 40-byte header."""
    header_size = u32(bmp, 14)
    pixels_at = u32(bmp, 10)
    width, height, bits = s32(bmp, 18), s32(bmp, 22), u16(bmp, 28)
    palette = bmp[14 + header_size:14 + header_size + 4 * colours]
    pixels = bmp[pixels_at:]
    info = (struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, colours, 0))
    at = 14 + 40 + len(palette)
    return b"BM" + struct.pack("<III", at + len(pixels), 0, at) + info + palette + pixels


def raw_indexed(bmp):
    """Pillow's own unpacker on the pixel bytes, for bit depths its bitmap reader lacks."""
    header_size = u32(bmp, 14)
    if header_size == 12:
        width, height, bits, entry = u16(bmp, 18), u16(bmp, 20), u16(bmp, 24), 3
    else:
        width, height, bits, entry = s32(bmp, 18), s32(bmp, 22), u16(bmp, 28), 4
    pixels_at = u32(bmp, 10)
    count = (pixels_at - 14 - header_size) // entry
    palette = bmp[14 + header_size:14 + header_size + count * entry]
    rgb = b"".join(bytes((palette[i + 2], palette[i + 1], palette[i])) for i in range(0, len(palette), entry))
    stride = (width * bits + 31) // 32 * 4
    im = Image.frombytes("P", (width, height), bmp[pixels_at:], "raw", "P;%d" % bits, stride, -1)
    im.putpalette(rgb + bytes(768 - len(rgb)))
    return im.convert("RGB")


def fax(name):
    """Pillow (through libtiff) reads the Group 3 copy; white is 0, black 1, bottom row first."""
    path = os.path.join(STAND_IN, name + ".tif")
    palette = read(os.path.join(STAND_IN, name + ".palette"))
    white, black = tuple(palette[0:3]), tuple(palette[3:6])

    def colour(im):
        if isinstance(im, str):
            return im
        grey = im.convert("L").transpose(Image.Transpose.FLIP_TOP_BOTTOM)
        out = Image.new("RGB", grey.size)
        out.putdata([white if v >= 128 else black for v in grey.getdata()])
        return out

    return colour(pillow(path)), colour(magick(path))


def linear64(name):
    """ImageMagick reads the 16-bit samples and turns linear light into sRGB."""
    bmp = read(os.path.join(HERE, name + ".bmp"))
    width, height = s32(bmp, 18), s32(bmp, 22)
    raw = os.path.join(STAND_IN, name + ".raw")
    out = os.path.join(TMP, "linear.png")
    # Samples of 0x8000 and up are negative in 2.13 fixed point; 1.0 is 8192.
    subprocess.run([CONVERT, "-size", "%dx%d" % (width, height), "-depth", "16", "-endian", "LSB",
                    "bgra:" + raw, "-alpha", "off", "-fx", "u >= 0.5 ? 0 : min(1, u * 65535 / 8192)",
                    "-set", "colorspace", "RGB", "-colorspace", "sRGB", "-flip", "-depth", "8",
                    "png24:" + out], check=True)
    im = Image.open(out).convert("RGB")

    # The same arithmetic written out, as a check on the ImageMagick line above.
    samples = read(raw)
    check = Image.new("RGB", (width, height))

    def srgb(v):
        v = min(1.0, max(0.0, (v - 65536 if v >= 32768 else v) / 8192))
        v = v * 12.92 if v <= 0.0031308 else 1.055 * v ** (1 / 2.4) - 0.055
        return int(math.floor(v * 255 + 0.5))

    for i in range(width * height):
        b, g, r, _ = struct.unpack_from("<4H", samples, 8 * i)
        check.putpixel((i % width, height - 1 - i // width), (srgb(r), srgb(g), srgb(b)))
    return im, check


def main():
    os.makedirs(REF, exist_ok=True)
    names = sorted(f[:-4] for f in os.listdir(HERE) if f.endswith(".bmp"))
    for name in names:
        path = os.path.join(HERE, name + ".bmp")
        bmp = read(path)
        direct = (pillow(path), magick(path))
        note = ""
        if name.startswith("pal2"):
            ref, other = raw_indexed(bmp), None
            note = "Pillow's 2-bit unpacker on the pixel bytes"
        elif name == "pal8_long_palette":
            stand_in = os.path.join(TMP, "s.bmp")
            with open(stand_in, "wb") as f:
                f.write(transcode_to_info40(bmp, 256))
            ref, other = pillow(stand_in), magick(stand_in)
            note = "palette cut to 256 entries behind a 40-byte header"
        elif name == "pal4_long_palette_gap":
            stand_in = os.path.join(TMP, "s.bmp")
            with open(stand_in, "wb") as f:
                f.write(transcode_to_info40(bmp, 16))
            ref, other = direct[0], magick(stand_in)
            note = "Pillow reads it as it is; ImageMagick its palette cut to 16"
        elif name.startswith("os2v2_16"):
            colours = (u32(bmp, 10) - 30) // 4
            stand_in = os.path.join(TMP, "s.bmp")
            with open(stand_in, "wb") as f:
                f.write(transcode_to_info40(bmp, colours))
            ref, other = pillow(stand_in), magick(stand_in)
            note = "same palette and pixels behind a 40-byte header"
        elif name.startswith("rgba64"):
            ref, other = linear64(name)
            note = "ImageMagick: raw samples, linear to sRGB; checked against the formula"
        elif name.startswith("rle24"):
            stand_in = os.path.join(STAND_IN, name + ".bmp")
            ref, other = pillow(stand_in), magick(stand_in)
            note = "plain 24-bit copy of what the codes draw"
        elif name.startswith("huffman"):
            ref, other = fax(name)
            note = "Group 3 fax TIFF of the same runs, read through libtiff"
        elif name.startswith("png"):
            stand_in = os.path.join(STAND_IN, name + ".png")
            ref, other = pillow(stand_in), magick(stand_in)
            note = "the embedded PNG stream"
        elif name.startswith("jpeg"):
            stand_in = os.path.join(STAND_IN, name + ".jpg")
            ref, other = pillow(stand_in), magick(stand_in)
            note = "the embedded JPEG stream"
        else:
            sys.exit("no reference rule for " + name)
        if isinstance(ref, str):
            sys.exit(name + ": reference " + ref)
        ref.save(os.path.join(REF, name + ".png"))
        print("%s: Pillow %s; ImageMagick %s; reference from %s; second opinion differs by %s" % (
            name, "reads it" if not isinstance(direct[0], str) else direct[0],
            "reads it" if not isinstance(direct[1], str) else direct[1], note,
            differ(ref, other) if other is not None else "n/a"))
    shutil.rmtree(TMP)


if __name__ == "__main__":
    main()
