#include "base/fault.h"
#include "graphics/mag_decoder.h"
#include "graphics/mag_encoder.h"
#include "graphics/png_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace qvl {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string dataPath(const std::string& name) {
    return std::string(QVL_TEST_DATA) + "/mag/" + name;
}

uint32_t le32(const std::string& s, std::size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}
uint32_t le16(const std::string& s, std::size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

void set16(std::string& s, std::size_t at, uint32_t v) {
    s[at] = char(v);
    s[at + 1] = char(v >> 8);
}
void set32(std::string& s, std::size_t at, uint32_t v) {
    set16(s, at, v);
    set16(s, at + 2, v >> 16);
}

// An independent reading of the 4/8-bit bitmaps magToBmp builds, so pixel checks do
// not depend on the bitmap reader.
Surface bitmapPicture(const std::string& bmp) {
    const int width = int(le32(bmp, 18)), height = int(le32(bmp, 22)), bits = int(le16(bmp, 28));
    const std::size_t pixels = le32(bmp, 10), bpl = std::size_t(width) * std::size_t(bits) / 8;
    Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = pixels + std::size_t(height - 1 - y) * bpl;
        for (int x = 0; x < width; ++x) {
            const auto byte = uint8_t(bmp[row + std::size_t(x) * std::size_t(bits) / 8]);
            const unsigned index = bits == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 15);
            const std::size_t quad = 54 + index * 4;
            s.row(y)[x] =
                uint32_t(uint8_t(bmp[quad + 2])) << 16 | uint32_t(uint8_t(bmp[quad + 1])) << 8 | uint8_t(bmp[quad]);
        }
    }
    return s;
}

Surface decoded(const std::string& mag) {
    const MagResult r = magToBmp(mag);
    EXPECT_EQ(r.code, kMagOk) << magResultText(r.code);
    return r.code == kMagOk ? bitmapPicture(r.bitmap) : Surface();
}

// The left `of.width()` columns of `big` against `of`.
bool sameLeftPart(const Surface& big, const Surface& of) {
    if (big.height() != of.height() || big.width() < of.width()) return false;
    for (int y = 0; y < of.height(); ++y)
        for (int x = 0; x < of.width(); ++x)
            if (big.pixel(x, y) != of.pixel(x, y)) return false;
    return true;
}

// A MAG file from raw parts: our own writer lays the picture header at 32.
constexpr std::size_t kH = 32;
std::string craftMag(bool colours256, int left, int right, int bottom, const std::string& flagA,
                     const std::string& flagB, const std::string& pixels) {
    std::string f = "MAKI02  TEST" + std::string(19, ' ') + '\x1A' + std::string(32, '\0');
    f[kH + 3] = char(colours256 ? 0x80 : 0);
    set16(f, kH + 4, uint32_t(left));
    set16(f, kH + 8, uint32_t(right));
    set16(f, kH + 10, uint32_t(bottom));
    std::string palette(colours256 ? 768 : 48, '\0');
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = char(i * 7 + 1);
    const auto flagAOffset = uint32_t(32 + palette.size());
    set32(f, kH + 12, flagAOffset);
    set32(f, kH + 16, flagAOffset + uint32_t(flagA.size()));
    set32(f, kH + 20, uint32_t(flagB.size()));
    set32(f, kH + 24, flagAOffset + uint32_t(flagA.size() + flagB.size()));
    set32(f, kH + 28, uint32_t(pixels.size()));
    return f + palette + flagA + flagB + pixels;
}

// Distinct 24-bit colours for distinct indices (odd factor, so no two collide).
uint32_t paletteColour(uint32_t i) {
    return (i * 0x9E3779B1u) & 0xFFFFFF;
}

Surface noise(int width, int height, int colours, uint32_t seed) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            s.row(y)[x] = paletteColour((seed >> 16) % uint32_t(colours));
        }
    return s;
}

// Runs, stripes and a gradient: every copy position gets used somewhere.
Surface drawing(int width, int height, int colours) {
    Surface s(width, height, 0x204060);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (y % 16 < 4) s.row(y)[x] = paletteColour(uint32_t(x / 3) % uint32_t(colours - 2));
            if (x > width / 2 && (x + y) % 5 == 0) s.row(y)[x] = 0xFFFFFF;
        }
    return s;
}

TEST(MagDecoder, ReferenceFilesDecodeToTheirSourcePictures) {
    for (const char* name : {"pymag_logo_16c", "pymag_logo_256c"}) {
        SCOPED_TRACE(name);
        const MagResult r = magToBmp(readFile(dataPath(std::string(name) + ".mag")));
        ASSERT_EQ(r.code, kMagOk);
        const auto expected = readPngFile(dataPath(std::string(name) + ".quantized_source.png"));
        ASSERT_TRUE(expected);
        EXPECT_TRUE(bitmapPicture(r.bitmap) == *expected);
        // And through the bitmap reader, as the loader takes it.
        const Surface picture = decodeMag(readFile(dataPath(std::string(name) + ".mag")));
        if (!(picture == *expected)) {
            writePngFile(std::string(name) + ".actual.png", picture);
            ADD_FAILURE() << "decoded picture differs; written to " << name << ".actual.png";
        }
    }
}

TEST(MagDecoder, BuildsTheDescribedBitmapFile) {
    const std::string bmp16 = magToBmp(readFile(dataPath("pymag_logo_16c.mag"))).bitmap;
    ASSERT_GE(bmp16.size(), 54u);
    EXPECT_EQ(bmp16.substr(0, 2), "BM");
    EXPECT_EQ(le32(bmp16, 2), bmp16.size());
    EXPECT_EQ(le32(bmp16, 6), 0u);
    EXPECT_EQ(le32(bmp16, 10), 54u + 64u);
    EXPECT_EQ(le32(bmp16, 14), 40u);
    EXPECT_EQ(le32(bmp16, 18), 640u);
    EXPECT_EQ(le32(bmp16, 22), 400u);  // positive: bottom-up
    EXPECT_EQ(le16(bmp16, 26), 1u);
    EXPECT_EQ(le16(bmp16, 28), 4u);
    for (std::size_t at = 30; at < 54; at += 4) EXPECT_EQ(le32(bmp16, at), 0u) << at;
    EXPECT_EQ(bmp16.size(), 54u + 64u + 320u * 400u);

    const std::string bmp256 = magToBmp(readFile(dataPath("pymag_logo_256c.mag"))).bitmap;
    EXPECT_EQ(le32(bmp256, 10), 54u + 1024u);
    EXPECT_EQ(le16(bmp256, 28), 8u);
    EXPECT_EQ(bmp256.size(), 54u + 1024u + 640u * 400u);
}

TEST(MagDecoder, PaletteBecomesBlueGreenRedZeroQuads) {
    // One literal 4-byte group: pixel indices 0,1,2,...,7.
    const std::string f = craftMag(false, 0, 7, 0, std::string(1, '\0'), "", "\x01\x23\x45\x67");
    const MagResult r = magToBmp(f);
    ASSERT_EQ(r.code, kMagOk);
    for (int i = 0; i < 16; ++i) {
        const std::size_t mag = kH + 32 + std::size_t(i) * 3, quad = 54 + std::size_t(i) * 4;
        EXPECT_EQ(r.bitmap[quad], f[mag + 2]) << i;
        EXPECT_EQ(r.bitmap[quad + 1], f[mag]) << i;
        EXPECT_EQ(r.bitmap[quad + 2], f[mag + 1]) << i;
        EXPECT_EQ(r.bitmap[quad + 3], 0) << i;
    }
    EXPECT_EQ(r.bitmap.substr(54 + 64), "\x01\x23\x45\x67");
}

TEST(MagDecoder, WidthCoversWholeAlignmentUnits) {
    // 16 colours align to 8 pixels: left 3, right 100 gives columns 0..103, all decoded.
    const std::string mag16 = craftMag(false, 3, 100, 0, std::string(2, '\0'), "", std::string(52, '\x5A'));
    EXPECT_EQ(checkMagHeader(mag16).header.bytesPerLine, 52);
    const Surface s = decodeMag(mag16);
    EXPECT_EQ(s.width(), 104);
    EXPECT_EQ(s.height(), 1);
    EXPECT_EQ(s.pixel(102, 0), s.pixel(0, 0));
    EXPECT_EQ(s.pixel(103, 0), s.pixel(1, 0));
    EXPECT_NE(s.pixel(0, 0), s.pixel(1, 0));

    // 256 colours align to 4: 5..10 becomes 4..11.
    const MagResult r256 = magToBmp(craftMag(true, 5, 10, 1, std::string(2, '\0'), "", std::string(16, 'y')));
    ASSERT_EQ(r256.code, kMagOk);
    EXPECT_EQ(le32(r256.bitmap, 18), 8u);
    EXPECT_EQ(le32(r256.bitmap, 22), 2u);
    EXPECT_EQ(*magBitmapSize(craftMag(true, 5, 10, 1, "", "", "")), 54u + 1024u + 16u);
}

TEST(MagDecoder, OwnTagDecodesLikeThePublishedOne) {
    std::string file = readFile(dataPath("pymag_logo_16c.mag"));
    const MagResult published = magToBmp(file);
    file.replace(0, 8, "QVLIF1  ");
    const MagResult own = magToBmp(file);
    EXPECT_EQ(own.code, kMagOk);
    EXPECT_EQ(own.bitmap, published.bitmap);
    EXPECT_TRUE(decodeMag(file) == bitmapPicture(published.bitmap));
}

TEST(MagDecoder, HeaderChecksGiveTheirCodesInOrder) {
    const std::string good = encodeMag(drawing(40, 20, 16), 16);
    ASSERT_EQ(checkMagHeader(good).code, kMagOk);

    EXPECT_EQ(checkMagHeader("MAKI02  no end of comment").code, kMagNoHeader);
    EXPECT_EQ(checkMagHeader(good.substr(0, kH + 31)).code, kMagNoHeader);  // header cut short
    std::string earlyEof = good;
    earlyEof[3] = '\x1A';  // the first 0x1A ends the comment wherever it is
    EXPECT_EQ(checkMagHeader(earlyEof).code, kMagBadMagic);

    std::string wrongTag = good;
    wrongTag.replace(0, 8, "MAKI01  ");
    EXPECT_EQ(checkMagHeader(wrongTag).code, kMagBadMagic);
    wrongTag[kH] = 1;  // a bad start code as well: the tag is checked first
    EXPECT_EQ(checkMagHeader(wrongTag).code, kMagBadMagic);

    std::string startCode = good;
    startCode[kH] = 1;
    EXPECT_EQ(checkMagHeader(startCode).code, kMagBadPicture);
    std::string reversed = good;
    set16(reversed, kH + 4, 100);  // left past right
    EXPECT_EQ(checkMagHeader(reversed).code, kMagBadPicture);
    std::string upsideDown = good;
    set16(upsideDown, kH + 6, 50);  // top below bottom
    EXPECT_EQ(checkMagHeader(upsideDown).code, kMagBadPicture);
    std::string onePixel = good;
    set16(onePixel, kH + 4, 9);
    set16(onePixel, kH + 8, 9);  // one pixel: still a whole 8-pixel unit
    EXPECT_EQ(checkMagHeader(onePixel).code, kMagOk);
}

TEST(MagDecoder, DeclaredStreamsPastTheEndAreTruncated) {
    const std::string good = encodeMag(drawing(40, 20, 16), 16);
    for (std::size_t field : {12u, 16u, 20u, 24u, 28u}) {
        SCOPED_TRACE(field);
        std::string bad = good;
        set32(bad, kH + field, le32(good, kH + field) + uint32_t(good.size()));
        EXPECT_EQ(magToBmp(bad).code, kMagTruncated);
        EXPECT_TRUE(magToBmp(bad).bitmap.empty());
        // The size probe reads only the start of a file and still accepts it.
        EXPECT_EQ(magBitmapSize(bad), magBitmapSize(good));
    }
    std::string huge = good;
    set32(huge, kH + 24, 0xFFFFFFF0u);
    set32(huge, kH + 28, 0xFFFFFFF0u);  // sums past 32 bits must not wrap
    EXPECT_EQ(checkMagHeader(huge).code, kMagTruncated);

    // Flag A offset 0 with no streams: the header passes, but the palette is cut off.
    std::string noPalette = good.substr(0, kH + 32 + 20);
    for (std::size_t field = 12; field < 32; field += 4) set32(noPalette, kH + field, 0);
    set16(noPalette, kH + 10, 0);
    EXPECT_EQ(checkMagHeader(noPalette).code, kMagOk);
    EXPECT_EQ(magToBmp(noPalette).code, kMagNoPalette);
    EXPECT_EQ(magBitmapSize(good.substr(0, kH + 32)), magBitmapSize(good));
    EXPECT_FALSE(magBitmapSize(good.substr(0, kH + 31)));
    EXPECT_THROW(decodeMag(noPalette), Fault);
    EXPECT_THROW(decodeMag(good.substr(0, good.size() - 1)), Fault);
}

TEST(MagDecoder, PicturesBeyondTheSizeLimitsAreRefusedFromTheHeader) {
    // 65536 x 65536 at 16 colours with every flag A byte there (64 MiB): the streams
    // fit the file, so only the size limits keep this from a 2 GiB bitmap.
    const std::string huge = craftMag(false, 0, 65535, 65535, std::string(std::size_t(65536) * 1024, '\0'), "", "");
    EXPECT_EQ(checkMagHeader(huge).code, kMagTooLarge);
    EXPECT_FALSE(magBitmapSize(huge));
    EXPECT_TRUE(magToBmp(huge).bitmap.empty());
    EXPECT_THROW(decodeMag(huge), Fault);

    struct Case {
        const char* name;
        int right, bottom;
        std::size_t flagABytes;
    };
    for (const Case c : {Case{"one line 65536 wide", 65534, 0, 1024}, Case{"16385 tall", 7, 16384, 16385},
                         Case{"sides within, area past", 16383, 4096, 4097 * 256}}) {
        SCOPED_TRACE(c.name);
        const std::string file = craftMag(false, 0, c.right, c.bottom, std::string(c.flagABytes, '\0'), "", "");
        EXPECT_EQ(checkMagHeader(file).code, kMagTooLarge);
        EXPECT_FALSE(magBitmapSize(file));
        EXPECT_THROW(decodeMag(file), Fault);
    }

    // The size is refused before the streams are looked at, so the probe fails too.
    EXPECT_EQ(checkMagHeader(craftMag(true, 0, 65535, 65535, "", "", "")).code, kMagTooLarge);

    // Right at the limits the picture still gets through the bitmap reader.
    const Surface widest = decodeMag(craftMag(false, 0, 16383, 0, std::string(256, '\0'), "", ""));
    EXPECT_EQ(widest.width(), 16384);
    const Surface tallest = decodeMag(craftMag(true, 0, 3, 16383, std::string(16384, '\0'), "", ""));
    EXPECT_EQ(tallest.height(), 16384);
}

TEST(MagDecoder, EveryPrefixOfAFileFailsCleanly) {
    const std::string small = encodeMag(drawing(24, 6, 16), 16);
    for (std::size_t n = 0; n < small.size(); ++n) {
        const MagResult r = magToBmp(std::string_view(small).substr(0, n));
        EXPECT_NE(r.code, kMagOk) << n;
        EXPECT_TRUE(r.bitmap.empty()) << n;
    }
    const std::string big = readFile(dataPath("pymag_logo_256c.mag"));
    for (std::size_t n = 0; n < big.size(); n += 97)
        EXPECT_NE(magToBmp(std::string_view(big).substr(0, n)).code, kMagOk);
}

TEST(MagDecoder, StreamsEndingEarlyReadAsZero) {
    // 16 pixels, 2 lines: four flag bytes want literals, but only 2 pixel bytes exist.
    const Surface s = decoded(craftMag(false, 0, 15, 1, std::string(4, '\0'), "", "\x12\x34"));
    ASSERT_EQ(s.width(), 16);
    const std::string quads = craftMag(false, 0, 15, 1, "", "", "").substr(kH + 32);
    auto colour = [&](int i) {
        return uint32_t(uint8_t(quads[std::size_t(i) * 3 + 1])) << 16 |
               uint32_t(uint8_t(quads[std::size_t(i) * 3])) << 8 | uint8_t(quads[std::size_t(i) * 3 + 2]);
    };
    EXPECT_EQ(s.pixel(0, 0), colour(1));
    EXPECT_EQ(s.pixel(3, 0), colour(4));
    for (int x = 4; x < 16; ++x) EXPECT_EQ(s.pixel(x, 0), colour(0)) << x;
    for (int x = 0; x < 16; ++x) EXPECT_EQ(s.pixel(x, 1), colour(0)) << x;
}

TEST(MagDecoder, CopiesFollowTheFlagStreams) {
    // 12 pixels at 256 colours: three flag bytes a line, each XOR-ed with the one above.
    // Line 0: literal, then 0x22 twice (copy 4 bytes left).
    // Line 1: 0x44 (copy from above); 0x40 (above, then a literal unit); 0x22 kept.
    // Line 2: 0x11 (2 bytes left: the first unit reaches the end of line 1); a literal
    // group; 0xF0 (16 lines up, before the picture: index 0, then a literal unit).
    const std::string flagA("\x7B\x80\x00", 3);  // 011 110 111
    const std::string flagB = "\x22\x22\x44\x62\x55\x40\xD2";
    const std::string pixels = "\x01\x02\x03\x04\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10";
    const MagResult r = magToBmp(craftMag(true, 0, 11, 2, flagA, flagB, pixels));
    ASSERT_EQ(r.code, kMagOk);
    auto row = [&](int y) { return r.bitmap.substr(54 + 1024 + std::size_t(2 - y) * 12, 12); };
    EXPECT_EQ(row(0), "\x01\x02\x03\x04\x01\x02\x03\x04\x01\x02\x03\x04");
    EXPECT_EQ(row(1), "\x01\x02\x03\x04\x01\x02\x09\x0A\x01\x02\x09\x0A");
    EXPECT_EQ(row(2), std::string("\x09\x0A\x09\x0A\x0B\x0C\x0D\x0E\x00\x00\x0F\x10", 12));
}

TEST(MagEncoder, RoundTripsExactly) {
    struct Size {
        int w, h;
    };
    for (int colours : {16, 256}) {
        for (Size size : {Size{1, 1}, Size{13, 1}, Size{7, 5}, Size{641, 3}, Size{64, 40}}) {
            for (bool noisy : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << colours << " colours, " << size.w << "x" << size.h << (noisy ? " noise" : ""));
                const Surface picture = noisy ? noise(size.w, size.h, colours, 7) : drawing(size.w, size.h, colours);
                const std::string file = encodeMag(picture, colours);
                const Surface back = decoded(file);
                EXPECT_TRUE(decodeMag(file) == back);
                const int unit = colours == 256 ? 4 : 8;
                EXPECT_EQ(back.width(), (size.w + unit - 1) / unit * unit);
                EXPECT_TRUE(sameLeftPart(back, picture));
                // The padding repeats each row's last pixel.
                for (int y = 0; y < back.height(); ++y)
                    for (int x = size.w; x < back.width(); ++x)
                        EXPECT_EQ(back.pixel(x, y), picture.pixel(size.w - 1, y));
            }
        }
    }
}

TEST(MagEncoder, RefusesWhatItCannotWrite) {
    EXPECT_THROW(encodeMag(noise(32, 32, 17, 1), 16), Fault);
    EXPECT_NO_THROW(encodeMag(noise(32, 32, 16, 1), 16));
    EXPECT_THROW(encodeMag(noise(64, 64, 300, 1), 256), Fault);
    EXPECT_THROW(encodeMag(Surface(8, 8), 8), Fault);
    EXPECT_THROW(encodeMag(Surface(), 16), Fault);
    EXPECT_THROW(encodeMag(Surface(65537, 1), 256), Fault);
}

TEST(MagEncoder, FlatAreasCompress) {
    Surface picture(640, 400, 0x3060A0);
    picture.fillRect({40, 30, 200, 300}, 0xFFFFFF);
    picture.fillRect({300, 100, 333, 77}, 0x102030);
    for (int colours : {16, 256}) {
        const std::string file = encodeMag(picture, colours);
        const std::size_t raw = colours == 256 ? 640u * 400u : 640u * 400u / 2;  // index bytes alone
        EXPECT_LT(file.size() * 25, raw) << colours;                             // flag A alone is raw / 32
        EXPECT_TRUE(decoded(file) == picture);
    }
    // A real picture: no larger than the file another encoder made of it.
    const std::string foreign = readFile(dataPath("pymag_logo_256c.mag"));
    const std::string ours = encodeMag(decoded(foreign), 256);
    EXPECT_LE(ours.size(), foreign.size());
    EXPECT_TRUE(decoded(ours) == decoded(foreign));
}

}  // namespace
}  // namespace qvl
