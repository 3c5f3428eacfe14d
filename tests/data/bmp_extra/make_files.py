#!/usr/bin/env python3
"""Writes the bitmap files of tests/data/bmp_extra (standard library only).

Each file is built byte by byte from the published layout of the format:
Windows BITMAPINFOHEADER and BITMAPV5HEADER, OS/2 BITMAPINFOHEADER2 (full
64 bytes and cut to 16), 2-bit palettes, palettes longer than the bit depth
needs, 64-bit pixels of signed 2.13 fixed point, OS/2 RLE24, OS/2 modified
Huffman (the one-dimensional fax code), and PNG or JPEG streams wrapped in a
bitmap header. Files in bad/ are damaged on purpose and must be refused.

The script also writes, into stand_in/ (not kept), what make_refs.py needs to
make reference pictures with other decoders: plain 24-bit bitmaps of what the
RLE24 files describe, and the Huffman runs wrapped as Group 3 fax TIFF files.

Run from anywhere: python3 make_files.py
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
BAD = os.path.join(HERE, "bad")
STAND_IN = os.path.join(HERE, "stand_in")


def le16(v):
    return struct.pack("<H", v & 0xFFFF)


def le32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- headers


def file_header(total, pixels_at):
    return b"BM" + le32(total) + le32(0) + le32(pixels_at)


def info40(width, height, bits, compression=0, image_size=0, colours=0):
    return (le32(40) + le32(width) + le32(height) + le16(1) + le16(bits) + le32(compression) +
            le32(image_size) + le32(2835) + le32(2835) + le32(colours) + le32(0))


def info_v5(width, height, bits, compression=0, image_size=0):
    head = info40(width, height, bits, compression, image_size)
    head = le32(124) + head[4:]
    masks = le32(0) * 4
    colour_space = b"BGRs"  # LCS_sRGB, stored little-endian
    rest = masks + colour_space + bytes(36) + le32(0) * 3 + le32(4) + le32(0) * 3
    return head + rest


def os2_info64(width, height, bits, compression=0, image_size=0, colours=0):
    head = info40(width, height, bits, compression, image_size, colours)
    head = le32(64) + head[4:]
    # units, reserved, recording (bottom-up), rendering, size1, size2, colour encoding, identifier
    return head + le16(0) + le16(0) + le16(0) + le16(0) + le32(0) + le32(0) + le32(0) + le32(0)


def os2_info16(width, height, bits):
    return le32(16) + le32(width) + le32(height) + le16(1) + le16(bits)


def core12(width, height, bits):
    return le32(12) + le16(width) + le16(height) + le16(1) + le16(bits)


def assemble(info, palette, pixels, gap=b""):
    """File header + info header + palette + gap + pixels, with honest sizes."""
    pixels_at = 14 + len(info) + len(palette) + len(gap)
    data = file_header(pixels_at + len(pixels), pixels_at) + info + palette + gap + pixels
    return data


def palette4(colours):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in colours)


def palette3(colours):
    return b"".join(bytes((b, g, r)) for r, g, b in colours)


def pack_rows(indices, width, height, bits):
    """Bottom-up rows of packed indices, most significant bits first, padded to 32 bits."""
    stride = (width * bits + 31) // 32 * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = indices[y][x]
            bit = x * bits
            row[bit // 8] |= v << (8 - bits - bit % 8)
        out += row
    return bytes(out)


def rgb24_rows(picture):
    height, width = len(picture), len(picture[0])
    stride = (width * 3 + 3) // 4 * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for r, g, b in picture[y]:
            row += bytes((b, g, r))
        out += row + bytes(stride - len(row))
    return bytes(out)


def plain_rgb24(picture):
    height, width = len(picture), len(picture[0])
    pixels = rgb24_rows(picture)
    return assemble(info40(width, height, 24, 0, len(pixels)), b"", pixels)


# ---------------------------------------------------------------- 2-bit and long palettes


def make_palettes():
    colours4 = [(0x10, 0x20, 0x80), (0xE0, 0x40, 0x30), (0x30, 0xC0, 0x50), (0xF0, 0xF0, 0xA0)]
    w, h = 13, 9
    idx = [[(x + 2 * y + x * y // 3) % 4 for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 2)
    write(HERE, "pal2.bmp", assemble(info40(w, h, 2, 0, len(pixels)), palette4(colours4), pixels))
    # The same with the OS/2 1.x header and its 3-byte palette entries; 3 colours only.
    w, h = 7, 5
    idx = [[(x * y + y) % 3 for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 2)
    write(HERE, "pal2_core.bmp", assemble(core12(w, h, 2), palette3(colours4[:3]), pixels))

    # 8 bits with 300 palette entries; the 44 beyond 256 are a colour no pixel may show.
    w, h = 37, 11
    pal = [(i, 255 - i, (i * 7) & 255) for i in range(256)] + [(255, 0, 255)] * 44
    idx = [[(x * 7 + y * 23) % 256 for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 8)
    write(HERE, "pal8_long_palette.bmp",
          assemble(info40(w, h, 8, 0, len(pixels), colours=300), palette4(pal), pixels))

    # 4 bits, 20 entries, then unused bytes before the pixels the offset points at.
    w, h = 21, 6
    pal = [(i * 16, 128 + i * 8, 255 - i * 16) for i in range(16)] + [(255, 0, 255)] * 4
    idx = [[(x + y * 5) % 16 for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 4)
    write(HERE, "pal4_long_palette_gap.bmp",
          assemble(info40(w, h, 4, 0, len(pixels), colours=20), palette4(pal), pixels, gap=b"\xEE" * 6))

    # Bad: 300 entries announced, but the pixels start after 256 of them.
    w, h = 8, 2
    pal = [(i, i, i) for i in range(256)]
    idx = [[x for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 8)
    write(BAD, "pal8_palette_runs_into_pixels.bmp",
          assemble(info40(w, h, 8, 0, len(pixels), colours=300), palette4(pal), pixels))
    # Bad: a 2-bit picture using an entry its 3-entry palette does not have.
    w, h = 4, 1
    pixels = pack_rows([[0, 1, 2, 3]], w, h, 2)
    write(BAD, "pal2_index_beyond_palette.bmp",
          assemble(info40(w, h, 2, 0, len(pixels), colours=3), palette4(colours4[:3]), pixels))


# ---------------------------------------------------------------- OS/2 2.x cut to 16 bytes


def make_os2_16():
    w, h = 23, 8
    pal = [((i * 37) & 255, (i * 91) & 255, (i * 13) & 255) for i in range(40)]
    idx = [[(x * 3 + y * 7) % 40 for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 8)
    # No colour count in so short a header: the palette ends where the pixels start.
    write(HERE, "os2v2_16_pal8.bmp", assemble(os2_info16(w, h, 8), palette4(pal), pixels))

    w, h = 10, 6
    picture = [[(x * 25, y * 40, (x * y * 9) & 255) for x in range(w)] for y in range(h)]
    write(HERE, "os2v2_16_rgb24.bmp", assemble(os2_info16(w, h, 24), b"", rgb24_rows(picture)))

    # A 16-byte header must not be read past its end: a plain 1-bit picture.
    w, h = 9, 3
    idx = [[(x + y) % 2 for x in range(w)] for y in range(h)]
    pixels = pack_rows(idx, w, h, 1)
    write(HERE, "os2v2_16_pal1.bmp",
          assemble(os2_info16(w, h, 1), palette4([(250, 240, 200), (40, 20, 90)]), pixels))


# ---------------------------------------------------------------- 64-bit


def make_rgba64():
    w, h = 19, 7
    out = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            # Linear light, 1.0 = 8192; some values below 0 and above 1 on purpose.
            r = round((x / (w - 1) * 1.2 - 0.1) * 8192)
            g = round(y / (h - 1) * 8192)
            b = (x * y * 397) % 8193
            a = 8192 if x % 3 else 4096
            out += le16(b) + le16(g) + le16(r) + le16(a)
    pixels = bytes(out)
    write(HERE, "rgba64.bmp", assemble(info40(w, h, 64, 0, len(pixels)), b"", pixels))
    write(BAD, "rgba64_bitfields.bmp",
          assemble(info40(w, h, 64, 3, len(pixels)), le32(0xFFFF) * 3, pixels))
    write(STAND_IN, "rgba64.raw", pixels)


# ---------------------------------------------------------------- OS/2 RLE24


class Rle24:
    """Writes RLE24 codes and draws what they describe, so a plain copy can be made."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.picture = [[(0, 0, 0)] * width for _ in range(height)]  # skipped pixels stay black
        self.x = self.y = 0
        self.out = bytearray()

    def _draw(self, colour):
        self.picture[self.height - 1 - self.y][self.x] = colour
        self.x += 1

    def run(self, n, colour):
        self.out += bytes((n,)) + bytes((colour[2], colour[1], colour[0]))
        for _ in range(n):
            self._draw(colour)

    def literal(self, colours):
        assert len(colours) >= 3
        self.out += bytes((0, len(colours)))
        for c in colours:
            self.out += bytes((c[2], c[1], c[0]))
            self._draw(c)
        if len(colours) % 2:
            self.out += b"\x00"  # to a 16-bit boundary

    def end_of_line(self):
        self.out += b"\x00\x00"
        self.x, self.y = 0, self.y + 1

    def delta(self, dx, dy):
        self.out += bytes((0, 2, dx, dy))
        self.x, self.y = self.x + dx, self.y + dy

    def end(self):
        self.out += b"\x00\x01"


def rle24_file(rle, extra=b"", height=None):
    data = bytes(rle.out) + extra
    info = os2_info64(rle.width, height if height is not None else rle.height, 24, 4, len(data))
    return assemble(info, b"", data)


def make_rle24():
    def c(i):
        return ((i * 73) & 255, (i * 151 + 40) & 255, (i * 29 + 200) & 255)

    w, h = 17, 10
    e = Rle24(w, h)
    e.run(5, c(1)), e.literal([c(10), c(11), c(12)]), e.run(9, c(2)), e.end_of_line()
    e.literal([c(20 + i) for i in range(17)]), e.end_of_line()
    e.run(4, c(3)), e.delta(3, 0), e.run(10, c(4)), e.end_of_line()
    e.run(2, c(5)), e.end_of_line()  # the rest of the row is skipped
    e.delta(5, 1), e.run(12, c(6)), e.end_of_line()  # jumps into the next row
    e.literal([c(40 + i) for i in range(4)]), e.run(13, c(7)), e.end_of_line()
    e.run(17, c(8)), e.end_of_line()
    e.literal([c(50 + i) for i in range(6)]), e.end()  # the rest of the picture is skipped
    write(HERE, "rle24.bmp", rle24_file(e))
    write(STAND_IN, "rle24.bmp", plain_rgb24(e.picture))

    # A run wider than a byte can count needs two runs; and literals at the right edge.
    w, h = 300, 3
    e = Rle24(w, h)
    e.run(255, c(60)), e.run(42, c(61)), e.literal([c(62), c(63), c(64)]), e.end_of_line()
    e.literal([c(70 + i % 50) for i in range(255)]), e.literal([c(1 + i) for i in range(45)]), e.end_of_line()
    e.run(1, c(9)), e.delta(254, 0), e.run(45, c(99)), e.end_of_line()
    e.end()
    write(HERE, "rle24_wide.bmp", rle24_file(e))
    write(STAND_IN, "rle24_wide.bmp", plain_rgb24(e.picture))

    # Damaged ones.
    w, h = 17, 4
    bad = Rle24(w, h)
    bad.run(10, c(1)), bad.out.extend(b"\x08\x10\x20\x30")  # 10 + 8 > 17
    bad.end()
    write(BAD, "rle24_run_past_edge.bmp", rle24_file(bad))

    bad = Rle24(w, h)
    bad.run(12, c(1))
    bad.out += b"\x00\x07" + bytes(21) + b"\x00"  # a 7-pixel literal at x = 12
    bad.end()
    write(BAD, "rle24_literal_past_edge.bmp", rle24_file(bad))

    bad = Rle24(w, h)
    bad.run(3, c(1)), bad.delta(2, 4), bad.run(1, c(2)), bad.end()  # row 4 of 4 does not exist
    write(BAD, "rle24_delta_outside.bmp", rle24_file(bad))

    bad = Rle24(w, h)
    bad.run(17, c(1)), bad.end_of_line(), bad.run(17, c(2))  # no end-of-bitmap mark
    write(BAD, "rle24_no_end_mark.bmp", rle24_file(bad))

    bad = Rle24(w, h)
    bad.run(17, c(1)), bad.end_of_line(), bad.out.extend(b"\x00\x05\x01\x02\x03")  # literal cut short
    write(BAD, "rle24_literal_cut_short.bmp", rle24_file(bad))

    ok = Rle24(w, h)
    ok.run(17, c(1)), ok.end()
    write(BAD, "rle24_top_down.bmp", rle24_file(ok, height=-h))
    data = bytearray(rle24_file(ok))
    data[28] = 8  # RLE24 with 8 bits per pixel
    write(BAD, "rle24_eight_bits.bmp", bytes(data))


# ---------------------------------------------------------------- OS/2 modified Huffman

# The codes of the one-dimensional fax coding: (code, run). Terminating codes give
# runs of 0 to 63, make-up codes multiples of 64; the long make-up codes are shared.
WHITE = """
00110101 0 000111 1 0111 2 1000 3 1011 4 1100 5 1110 6 1111 7 10011 8 10100 9
00111 10 01000 11 001000 12 000011 13 110100 14 110101 15 101010 16 101011 17
0100111 18 0001100 19 0001000 20 0010111 21 0000011 22 0000100 23 0101000 24
0101011 25 0010011 26 0100100 27 0011000 28 00000010 29 00000011 30 00011010 31
00011011 32 00010010 33 00010011 34 00010100 35 00010101 36 00010110 37
00010111 38 00101000 39 00101001 40 00101010 41 00101011 42 00101100 43
00101101 44 00000100 45 00000101 46 00001010 47 00001011 48 01010010 49
01010011 50 01010100 51 01010101 52 00100100 53 00100101 54 01011000 55
01011001 56 01011010 57 01011011 58 01001010 59 01001011 60 00110010 61
00110011 62 00110100 63
11011 64 10010 128 010111 192 0110111 256 00110110 320 00110111 384
01100100 448 01100101 512 01101000 576 01100111 640 011001100 704
011001101 768 011010010 832 011010011 896 011010100 960 011010101 1024
011010110 1088 011010111 1152 011011000 1216 011011001 1280 011011010 1344
011011011 1408 010011000 1472 010011001 1536 010011010 1600 011000 1664
010011011 1728
"""
BLACK = """
0000110111 0 010 1 11 2 10 3 011 4 0011 5 0010 6 00011 7 000101 8 000100 9
0000100 10 0000101 11 0000111 12 00000100 13 00000111 14 000011000 15
0000010111 16 0000011000 17 0000001000 18 00001100111 19 00001101000 20
00001101100 21 00000110111 22 00000101000 23 00000010111 24 00000011000 25
000011001010 26 000011001011 27 000011001100 28 000011001101 29
000001101000 30 000001101001 31 000001101010 32 000001101011 33
000011010010 34 000011010011 35 000011010100 36 000011010101 37
000011010110 38 000011010111 39 000001101100 40 000001101101 41
000011011010 42 000011011011 43 000001010100 44 000001010101 45
000001010110 46 000001010111 47 000001100100 48 000001100101 49
000001010010 50 000001010011 51 000000100100 52 000000110111 53
000000111000 54 000000100111 55 000000101000 56 000001011000 57
000001011001 58 000000101011 59 000000101100 60 000001011010 61
000001100110 62 000001100111 63
0000001111 64 000011001000 128 000011001001 192 000001011011 256
000000110011 320 000000110100 384 000000110101 448 0000001101100 512
0000001101101 576 0000001001010 640 0000001001011 704 0000001001100 768
0000001001101 832 0000001110010 896 0000001110011 960 0000001110100 1024
0000001110101 1088 0000001110110 1152 0000001110111 1216 0000001010010 1280
0000001010011 1344 0000001010100 1408 0000001010101 1472 0000001011010 1536
0000001011011 1600 0000001100100 1664 0000001100101 1728
"""
SHARED = """
00000001000 1792 00000001100 1856 00000001101 1920 000000010010 1984
000000010011 2048 000000010100 2112 000000010101 2176 000000010110 2240
000000010111 2304 000000011100 2368 000000011101 2432 000000011110 2496
000000011111 2560
"""
EOL = "000000000001"


def code_table(text):
    words = text.split()
    return {int(run): code for code, run in zip(words[0::2], words[1::2])}


WHITE_CODES = code_table(WHITE) | code_table(SHARED)
BLACK_CODES = code_table(BLACK) | code_table(SHARED)


def check_tables():
    for table in (WHITE_CODES, BLACK_CODES):
        codes = list(table.values())
        assert len(codes) == 64 + 27 + 13
        for a in codes:
            for b in codes:
                assert a == b or not b.startswith(a), (a, b)
        # Every bit pattern starts a code, except those of eight or more zeros (fill, end of line).
        kraft = sum(2.0 ** -len(code) for code in codes)
        assert abs(kraft + 2.0 ** -8 - 1.0) < 1e-12, kraft


def run_code(run, black):
    table = BLACK_CODES if black else WHITE_CODES
    bits = ""
    while run >= 2560:
        bits += table[2560]
        run -= 2560
    if run >= 64:
        bits += table[run // 64 * 64]
    return bits + table[run % 64]


def runs_of(row):
    """Alternating runs of 0 (white) and 1 (black), starting with white."""
    runs, colour, n = [], 0, 0
    for v in row:
        if v == colour:
            n += 1
        else:
            runs.append(n)
            colour, n = v, 1
    runs.append(n)
    return runs


def huffman_bits(rows_in_file_order, eol_before_row=lambda y: True, fill_before_row=lambda y: False,
                 rtc=True):
    bits = ""
    for y, runs in enumerate(rows_in_file_order):
        if eol_before_row(y):
            if fill_before_row(y):
                bits += "0" * ((-len(bits) - len(EOL)) % 8)  # the end-of-line code ends a byte
            bits += EOL
        for i, run in enumerate(runs):
            bits += run_code(run, i % 2 == 1)
    if rtc:
        bits += EOL * 6
    return bits


def bits_to_bytes(bits):
    bits += "0" * (-len(bits) % 8)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))


def fax_tiff(width, height, data):
    """Group 3 fax TIFF, one-dimensional coding, 0 = white: what libtiff reads."""
    entries = [
        (256, 4, width), (257, 4, height), (258, 3, 1), (259, 3, 3), (262, 3, 0),
        (273, 4, 8), (277, 3, 1), (278, 4, height), (279, 4, len(data)), (292, 4, 0),
    ]
    ifd_at = 8 + len(data) + (len(data) & 1)
    out = b"II" + le16(42) + le32(ifd_at) + data + b"\x00" * (len(data) & 1)
    out += le16(len(entries))
    for tag, kind, value in entries:
        out += le16(tag) + le16(kind) + le32(1) + (le16(value) + le16(0) if kind == 3 else le32(value))
    return out + le32(0)


def huffman_file(width, height, palette, data, bits=1, compression=3):
    return assemble(os2_info64(width, height, bits, compression, len(data), 2), palette4(palette), data)


def make_huffman():
    check_tables()
    light, dark = (0xF0, 0xE8, 0xC0), (0x20, 0x30, 0x60)

    # A small picture: a ring and stripes; an end-of-line code before each row as fax
    # machines send them, some padded to end a byte, and six more at the end.
    w, h = 45, 20
    picture = [[1 if (20 <= (x - 22) ** 2 / 4 + (y - 10) ** 2 <= 60) or (x + y) % 11 == 0 else 0
                for x in range(w)] for y in range(h)]
    picture[0] = [1] * w  # a row with nothing but a zero-length white run and one black run
    picture[h - 1] = [0] * w
    rows = [runs_of(picture[h - 1 - y]) for y in range(h)]  # bottom row first
    bits = huffman_bits(rows, fill_before_row=lambda y: y % 3 == 1)
    data = bits_to_bytes(bits)
    write(HERE, "huffman.bmp", huffman_file(w, h, [light, dark], data))
    write(STAND_IN, "huffman.tif", fax_tiff(w, h, data))
    write(STAND_IN, "huffman.palette", bytes(light + dark))

    # Every code there is, in rows with no end-of-line codes at all. libtiff's Group 3
    # reader needs them, so its copy of the same runs has them.
    w = 2700
    rows, runs, x = [], [], 0
    for t in range(64):  # each terminating code, in white and black pairs
        if x + 2 * t > w:
            rows.append(runs + [w - x])
            runs, x = [], 0
        runs += [t, t]
        x += 2 * t
    rows.append(runs + [w - x])
    for k in range(1, 41):  # each make-up code with some terminating code, either colour
        v = 64 * k + k
        rows += [[v, w - v], [0, v, w - v]]
    rows += [[2629, 71], [0, 2629, 71], [2699, 1], [0, 2699, 1], [w], [0, w]]  # past 2560
    h = len(rows)
    plain = bits_to_bytes(huffman_bits(rows, eol_before_row=lambda y: False, rtc=False))
    write(HERE, "huffman_all_codes.bmp", huffman_file(w, h, [(255, 255, 255), (0, 0, 0)], plain))
    with_eol = bits_to_bytes(huffman_bits(rows))
    write(STAND_IN, "huffman_all_codes.tif", fax_tiff(w, h, with_eol))
    write(STAND_IN, "huffman_all_codes.palette", bytes((255, 255, 255, 0, 0, 0)))

    # Damaged ones, all 16 x 4.
    w, h = 16, 4
    pal = [light, dark]
    good_rows = [[3, 5, 8], [16], [0, 16], [1, 2, 3, 4, 6]]
    good = huffman_bits(good_rows, rtc=False)
    write(BAD, "huffman_truncated.bmp", huffman_file(w, h, pal, bits_to_bytes(good[:len(good) * 2 // 3])))
    too_long = huffman_bits([[3, 5, 8], [10, 7], [16], [16]], rtc=False)
    write(BAD, "huffman_run_past_edge.bmp", huffman_file(w, h, pal, bits_to_bytes(too_long)))
    # The row would be whole if the end-of-line code inside it were skipped.
    early = (huffman_bits([[3, 5, 8], [10]], rtc=False) + EOL + run_code(6, True) +
             huffman_bits([[16], [16]], rtc=False))
    write(BAD, "huffman_end_of_line_inside_row.bmp", huffman_file(w, h, pal, bits_to_bytes(early)))
    short_eol = huffman_bits([[3, 5, 8]], rtc=False) + "0000000001" + huffman_bits([[16]] * 3, rtc=False)
    write(BAD, "huffman_invalid_code.bmp", huffman_file(w, h, pal, bits_to_bytes(short_eol)))
    endless = EOL + run_code(2560, False) * 200
    write(BAD, "huffman_endless_make_up.bmp", huffman_file(w, h, pal, bits_to_bytes(endless)))
    write(BAD, "huffman_eight_bits.bmp",
          assemble(os2_info64(w, h, 8, 3, len(bits_to_bytes(good)), 2), palette4(pal), bits_to_bytes(good)))


# ---------------------------------------------------------------- wrapped PNG and JPEG


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_rgb(width, height, pixel, ihdr_size=None):
    iw, ih = ihdr_size or (width, height)
    raw = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", iw, ih, 8, 2, 0, 0, 0)) +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def jpeg_size(data):
    at = 2
    while at + 4 <= len(data):
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[at + 5:at + 9])
            return width, height
        at += 2 + length
    raise ValueError("no frame header")


def make_wrapped():
    w, h = 29, 13

    def pixel(x, y):
        return (x * 8 + 10, y * 19, (x * y * 5 + 90) & 255)

    png = png_rgb(w, h, pixel)
    write(HERE, "png_v5.bmp", assemble(info_v5(w, h, 0, 5, len(png)), b"", png))
    write(STAND_IN, "png_v5.png", png)

    with open(os.path.join(HERE, "..", "jpeg", "gradient.jpg"), "rb") as f:
        jpeg = f.read()
    jw, jh = jpeg_size(jpeg)
    write(HERE, "jpeg_info40.bmp", assemble(info40(jw, jh, 0, 4, len(jpeg)), b"", jpeg))
    write(STAND_IN, "jpeg_info40.jpg", jpeg)

    # Damaged ones.
    broken = bytearray(png)
    idat = broken.index(b"IDAT")
    broken[idat + 10] ^= 0x55
    write(BAD, "png_bad_checksum.bmp", assemble(info40(w, h, 0, 5, len(broken)), b"", bytes(broken)))
    garbage = png_chunk(b"IDAT", b"\x78\x9c" + bytes(range(40)))
    bad_stream = png[:idat - 4] + garbage + png_chunk(b"IEND", b"")
    write(BAD, "png_bad_deflate.bmp", assemble(info40(w, h, 0, 5, len(bad_stream)), b"", bad_stream))
    cut = png[:len(png) // 2]
    write(BAD, "png_truncated.bmp", assemble(info40(w, h, 0, 5, len(cut)), b"", cut))
    huge = png_rgb(4, 4, pixel, ihdr_size=(20000, 20000))
    write(BAD, "png_larger_than_limits.bmp", assemble(info40(16, 16, 0, 5, len(huge)), b"", huge))
    write(BAD, "png_larger_than_header.bmp", assemble(info40(w, h - 1, 0, 5, len(png)), b"", png))
    write(BAD, "png_in_os2_header.bmp", assemble(os2_info64(w, h, 0, 5, len(png)), b"", png))
    jcut = jpeg[:len(jpeg) // 2]
    write(BAD, "jpeg_truncated.bmp", assemble(info40(jw, jh, 0, 4, len(jcut)), b"", jcut))
    write(BAD, "jpeg_not_a_jpeg.bmp", assemble(info40(jw, jh, 0, 4, len(png)), b"", png))
    write(BAD, "jpeg_smaller_than_header.bmp", assemble(info40(jw + 1, jh, 0, 4, len(jpeg)), b"", jpeg))


if __name__ == "__main__":
    make_palettes()
    make_os2_16()
    make_rgba64()
    make_rle24()
    make_huffman()
    make_wrapped()
