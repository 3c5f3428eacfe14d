#include "graphics/bmp_decoder.h"
#include "graphics/bmp_encoder.h"

#include "base/fault.h"
#include "graphics/png_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qvl {
namespace {

namespace fs = std::filesystem;

const fs::path kSuite = fs::path(QVL_TEST_DATA) / "bmpsuite";
// Variants later readers accept: 2-bit and long palettes, the short OS/2 2.x header,
// 64-bit, OS/2 RLE24 and Huffman, wrapped PNG and JPEG. Made by bmp_extra/make_files.py.
const fs::path kExtra = fs::path(QVL_TEST_DATA) / "bmp_extra";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put32(std::string& s, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

std::vector<std::string> bmpNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".bmp") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// Decodes the file and compares it with the reference picture, allowing `tolerance`
// in each channel. The reference's alpha, where it has one, is opaque; ours must be clear.
void expectLikeReference(const fs::path& bmp, const fs::path& png, int tolerance = 0) {
    const Surface actual = decodeBmp(readFile(bmp));
    const auto expected = readPngFile(png.string());
    ASSERT_TRUE(expected.has_value()) << png;
    ASSERT_EQ(actual.width(), expected->width());
    ASSERT_EQ(actual.height(), expected->height());
    int mismatches = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const uint32_t a = actual.pixel(x, y), e = expected->pixel(x, y) & 0xFFFFFF;
            bool close = (a >> 24) == 0;
            for (int shift = 0; shift < 24; shift += 8)
                close = close && std::abs(int(a >> shift & 0xFF) - int(e >> shift & 0xFF)) <= tolerance;
            if (!close && ++mismatches <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": got " << a << ", want " << e;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

void expectRefused(const fs::path& bmp) {
    try {
        decodeBmp(readFile(bmp));
        FAIL() << "decoded a broken file";
    } catch (const Fault& fault) {
        EXPECT_TRUE(std::string(fault.what()).starts_with("BMP: ")) << fault.what();
    }
}

// Every good file against the picture ImageMagick made from it, exactly: 5 and 6-bit
// channels widen by repeating their top bits, as ImageMagick does.
class BmpSuiteGood : public testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteGood, DecodesLikeReference) {
    expectLikeReference(kSuite / "g" / (GetParam() + ".bmp"), kSuite / "ref" / (GetParam() + ".png"));
}

INSTANTIATE_TEST_SUITE_P(Suite, BmpSuiteGood, testing::ValuesIn(bmpNames(kSuite / "g")), testName);

class BmpSuiteBad : public testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteBad, IsRefusedWithFault) {
    expectRefused(kSuite / "b" / (GetParam() + ".bmp"));
}

INSTANTIATE_TEST_SUITE_P(Suite, BmpSuiteBad, testing::ValuesIn(bmpNames(kSuite / "b")), testName);

// The references come from Pillow and ImageMagick (see tests/data/SOURCES). The 64-bit
// one went through ImageMagick's 16-bit linear-to-sRGB step, so it may round differently.
class BmpExtraGood : public testing::TestWithParam<std::string> {};

TEST_P(BmpExtraGood, DecodesLikeReference) {
    const std::string name = GetParam();
    expectLikeReference(kExtra / (name + ".bmp"), kExtra / "ref" / (name + ".png"), name == "rgba64" ? 1 : 0);
}

// With the file size field cleared, only the decoders' own checks stand between a cut
// file and a read past its end. RLE24 data ends with a mark and the all-codes Huffman
// file ends with its last code, so any cut of those must be refused.
TEST_P(BmpExtraGood, AnyCutIsRefusedOrDecoded) {
    const std::string name = GetParam();
    std::string whole = readFile(kExtra / (name + ".bmp"));
    put32(whole, 2, 0);
    ASSERT_NO_THROW(decodeBmp(whole));
    const bool mustFail = name.starts_with("rle24") || name == "huffman_all_codes";
    for (std::size_t size = 0; size < whole.size(); ++size) {
        try {
            decodeBmp(whole.substr(0, size));
            EXPECT_FALSE(mustFail) << "decoded when cut to " << size;
        } catch (const Fault&) {
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Extra, BmpExtraGood, testing::ValuesIn(bmpNames(kExtra)), testName);

class BmpExtraBad : public testing::TestWithParam<std::string> {};

TEST_P(BmpExtraBad, IsRefusedWithFault) {
    expectRefused(kExtra / "bad" / (GetParam() + ".bmp"));
}

INSTANTIATE_TEST_SUITE_P(Extra, BmpExtraBad, testing::ValuesIn(bmpNames(kExtra / "bad")), testName);

// Hand-built files, for what the suite does not cover.
std::string le32(uint32_t v) {
    std::string s(4, '\0');
    put32(s, 0, v);
    return s;
}

// A file with a 40-byte header; extra goes between header and pixels (masks, palette).
std::string makeBmp(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression, const std::string& extra,
                    const std::string& pixels, uint32_t coloursUsed = 0) {
    std::string s(54, '\0');
    s[0] = 'B', s[1] = 'M';
    put32(s, 2, uint32_t(54 + extra.size() + pixels.size()));
    put32(s, 10, uint32_t(54 + extra.size()));
    put32(s, 14, 40);
    put32(s, 18, uint32_t(width));
    put32(s, 22, uint32_t(height));
    s[26] = 1;
    s[28] = char(bitCount);
    put32(s, 30, compression);
    put32(s, 46, coloursUsed);
    return s + extra + pixels;
}

const std::string kTwoColours = le32(0x000000) + le32(0xFF8040);

TEST(BmpDecoder, RleDeltaAndEarlyEndLeaveBlack) {
    // Row 0 (bottom): 2 pixels of index 1, delta (+1, +1), 1 pixel of index 1, end of bitmap.
    const std::string rle = {2, 1, 0, 2, 1, 1, 1, 1, 0, 1};
    const Surface s = decodeBmp(makeBmp(4, 3, 8, 1, kTwoColours, rle));
    const uint32_t c = 0xFF8040;
    const std::vector<uint32_t> expected = {0, 0, 0, 0, 0, 0, 0, c, c, c, 0, 0};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(s.pixel(x, y), expected[y * 4 + x]) << x << "," << y;
}

TEST(BmpDecoder, Rle4OddLiteralAndRunAlternateNibbles) {
    // Literal of 3 nibbles (1 0 1) padded to a word, then a run of 2 alternating 0/1.
    const std::string rle = {0, 3, char(0x10), char(0x10), 2, 0x01, 0, 1};
    const Surface s = decodeBmp(makeBmp(5, 1, 4, 2, kTwoColours, rle));
    const uint32_t c = 0xFF8040;
    const std::vector<uint32_t> expected = {c, 0, c, 0, c};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(s.pixel(x, 0), expected[x]) << x;
}

TEST(BmpDecoder, RleWithoutEndMarkIsRefused) {
    const std::string rle = {4, 1, 0, 0, 4, 1};
    EXPECT_THROW(decodeBmp(makeBmp(4, 2, 8, 1, kTwoColours, rle)), Fault);
    // A literal that claims more bytes than the data holds.
    EXPECT_THROW(decodeBmp(makeBmp(4, 2, 8, 1, kTwoColours, std::string{0, 4, 1})), Fault);
}

TEST(BmpDecoder, MasksOfAnyWidthSpanTheFullRange) {
    // 10 bits per channel, alpha in the top two bits.
    const std::string masks = le32(0x3FF00000) + le32(0x000FFC00) + le32(0x000003FF);
    const std::string pixel = le32(0xC0000000 | 0x3FFu << 20 | 0x200u << 10 | 0x004u);
    const Surface s = decodeBmp(makeBmp(1, 1, 32, 3, masks, pixel));
    EXPECT_EQ(s.pixel(0, 0), 0xFF8001u);
    // 2, 3 and 3 bits: 10 -> 10101010, 101 -> 10110110, 111 -> 11111111.
    const std::string narrow = le32(0xC0) + le32(0x38) + le32(0x07);
    EXPECT_EQ(decodeBmp(makeBmp(1, 1, 16, 3, narrow, le32(0xAF))).pixel(0, 0), 0xAAB6FFu);
    // Plain 32-bit: the fourth byte is not colour.
    EXPECT_EQ(decodeBmp(makeBmp(1, 1, 32, 0, "", le32(0x7F123456))).pixel(0, 0), 0x123456u);
}

TEST(BmpDecoder, CorePaletteEndsAtPixelOffset) {
    // OS/2 header, 8 bits, but only two 3-byte entries before the pixels.
    std::string s(26, '\0');
    s[0] = 'B', s[1] = 'M';
    put32(s, 10, 26 + 6);
    s[14] = 12;
    s[18] = 2, s[20] = 1, s[22] = 1, s[24] = 8;
    s += std::string{0x40, char(0x80), char(0xFF), 0, 0, 0};
    const Surface ok = decodeBmp(s + std::string{0, 1, 0, 0});
    EXPECT_EQ(ok.pixel(0, 0), 0xFF8040u);
    EXPECT_EQ(ok.pixel(1, 0), 0u);
    EXPECT_THROW(decodeBmp(s + std::string{2, 0, 0, 0}), Fault);
}

TEST(BmpDecoder, WrappedPngLosesItsAlpha) {
    // With no image size recorded, the PNG runs to the end of the file.
    Surface picture(3, 2, 0x80FF8040);
    picture.setPixel(1, 1, 0x00123456);
    const std::string png = encodePng(picture, true);
    const Surface back = decodeBmp(makeBmp(3, 2, 0, 5, "", png));
    EXPECT_EQ(back.pixel(0, 0), 0xFF8040u);
    EXPECT_EQ(back.pixel(1, 1), 0x123456u);
}

TEST(BmpDecoder, HostileHeadersAreRefused) {
    const std::string row = std::string(4, '\0');
    // Each side within the limit, the product not.
    EXPECT_THROW(decodeBmp(makeBmp(16384, 16384, 1, 0, kTwoColours, row)), Fault);
    EXPECT_THROW(decodeBmp(makeBmp(16385, 1, 24, 0, "", row)), Fault);
    EXPECT_THROW(decodeBmp(makeBmp(1, INT32_MIN, 24, 0, "", row)), Fault);
    // A small header that promises far more rows than the file holds.
    EXPECT_THROW(decodeBmp(makeBmp(16, 4000, 24, 0, "", row)), Fault);

    std::string offsetPastEnd = makeBmp(1, 1, 24, 0, "", row);
    put32(offsetPastEnd, 10, 0xFFFFFFF0);
    EXPECT_THROW(decodeBmp(offsetPastEnd), Fault);

    std::string offsetInHeader = makeBmp(1, 1, 24, 0, "", row);
    put32(offsetInHeader, 10, 20);
    EXPECT_THROW(decodeBmp(offsetInHeader), Fault);

    // Bitfields with overlapping masks, and with a mask split in two.
    EXPECT_THROW(decodeBmp(makeBmp(1, 1, 16, 3, le32(0xFF00) + le32(0x0FF0) + le32(0x000F), row)), Fault);
    EXPECT_THROW(decodeBmp(makeBmp(1, 1, 16, 3, le32(0xF00F) + le32(0x0F00) + le32(0x00F0), row)), Fault);
    // Compression that does not fit the bit count.
    EXPECT_THROW(decodeBmp(makeBmp(1, 1, 8, 2, kTwoColours, row)), Fault);
    EXPECT_THROW(decodeBmp(makeBmp(1, 1, 24, 3, le32(0xFF) + le32(0xFF00) + le32(0xFF0000), row)), Fault);

    // Cut anywhere: with no file size recorded, the later checks must catch it.
    std::string whole = makeBmp(2, 1, 24, 0, "", std::string(6, '\x11'));
    put32(whole, 2, 0);
    ASSERT_NO_THROW(decodeBmp(whole));
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_THROW(decodeBmp(whole.substr(0, size)), Fault) << size;
}

// The writer's files must come back exactly, whatever the row padding.
Surface pattern(int width, int height, int colours) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) s.setPixel(x, y, uint32_t((x * 7 + y * 13) % colours) * 0x9E3779B1u & 0xFFFFFF);
    return s;
}

TEST(BmpEncoder, RoundTripIsExact) {
    for (int width = 1; width <= 5; ++width) {
        const Surface picture = pattern(width, 3, 1000);
        EXPECT_TRUE(decodeBmp(encodeBmp(picture)) == picture) << width;
        const Surface few = pattern(width, 3, 4);
        const std::string bytes = encodeBmp(few, true);
        EXPECT_EQ(bytes[28], 8) << width;
        EXPECT_TRUE(decodeBmp(bytes) == few) << width;
    }
}

TEST(BmpEncoder, PalettizedNeedsAtMost256Colours) {
    const Surface exactly256 = pattern(64, 64, 256);
    EXPECT_EQ(encodeBmp(exactly256, true)[28], 8);
    const Surface tooMany = pattern(64, 64, 257);
    const std::string bytes = encodeBmp(tooMany, true);
    EXPECT_EQ(bytes[28], 24);
    EXPECT_TRUE(decodeBmp(bytes) == tooMany);
}

TEST(BmpEncoder, TopByteIsNotWrittenAndEmptyIsRefused) {
    Surface picture(2, 1, 0xFF123456);
    picture.setPixel(1, 0, 0x80123456);
    for (bool palettized : {false, true}) {
        const Surface back = decodeBmp(encodeBmp(picture, palettized));
        EXPECT_EQ(back.pixel(0, 0), 0x123456u);
        EXPECT_EQ(back.pixel(1, 0), 0x123456u);
    }
    EXPECT_THROW(encodeBmp(Surface()), Fault);
}

}  // namespace
}  // namespace qvl
