#include "graphics/png_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace qvl {
namespace {

// Hand-built PNG files, so colour types our encoder never writes are covered too.
uint32_t crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
    }
    return ~c;
}

std::string be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return be32(uint32_t(data.size())) + body + be32(crc32(body));
}

// A zlib stream of one stored (uncompressed) block.
std::string storedZlib(const std::string& raw) {
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const auto n = uint16_t(raw.size());
    std::string z = {char(0x78), char(0x01), char(0x01), char(n & 0xFF), char(n >> 8), char(~n & 0xFF),
                     char((~n >> 8) & 0xFF)};
    return z + raw + be32((b << 16) | a);
}

// rows: each row already prefixed by its filter byte.
std::string makePng(uint32_t w, uint32_t h, int depth, int colourType, const std::string& rows,
                    const std::string& extraChunks = {}) {
    std::string ihdr = be32(w) + be32(h);
    ihdr += {char(depth), char(colourType), 0, 0, 0};
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + extraChunks +
           chunk("IDAT", storedZlib(rows)) + chunk("IEND", "");
}

Surface sample(bool withAlpha) {
    Surface s(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint32_t alpha = withAlpha ? uint32_t(x * 60 + y) << 24 : 0;
            s.setPixel(x, y, alpha | uint32_t(x * 50) << 16 | uint32_t(y * 100) << 8 | uint32_t(x * y + 7));
        }
    return s;
}

TEST(PngRoundTrip, RgbKeepsPixels) {
    const Surface original = sample(false);
    const auto decoded = decodePng(encodePng(original));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(*decoded == original);
}

TEST(PngRoundTrip, AlphaTravelsInTopByte) {
    const Surface original = sample(true);
    const auto decoded = decodePng(encodePng(original, true));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(*decoded == original);
}

TEST(PngRoundTrip, RgbDropsTopByte) {
    const Surface withAlpha = sample(true);
    const auto decoded = decodePng(encodePng(withAlpha));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(*decoded == sample(false));
}

TEST(PngRoundTrip, EmptySurfaceHasNoEncoding) {
    EXPECT_TRUE(encodePng(Surface()).empty());
}

TEST(PngDecode, OtherColourTypes) {
    // 8-bit grey, one row of two pixels.
    auto grey = decodePng(makePng(2, 1, 8, 0, std::string("\0\x10\xF0", 3)));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->pixel(0, 0), 0x00101010u);
    EXPECT_EQ(grey->pixel(1, 0), 0x00F0F0F0u);

    // Palette with a transparent first entry.
    const std::string palette = chunk("PLTE", std::string("\x11\x22\x33\xAA\xBB\xCC", 6)) +
                                chunk("tRNS", std::string("\0", 1));
    auto indexed = decodePng(makePng(2, 1, 8, 3, std::string("\0\x00\x01", 3), palette));
    ASSERT_TRUE(indexed);
    EXPECT_EQ(indexed->pixel(0, 0), 0x00112233u);
    EXPECT_EQ(indexed->pixel(1, 0), 0xFFAABBCCu);

    // 16-bit RGB is reduced to 8 bits per channel.
    auto deep = decodePng(makePng(1, 1, 16, 2, std::string("\0\xFF\xFF\x80\x00\x00\x00", 7)));
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->pixel(0, 0) & 0x00FF00FFu, 0x00FF0000u);
    EXPECT_EQ(deep->pixel(0, 0) >> 24, 0u);
}

TEST(PngDecode, GarbageGivesNothing) {
    EXPECT_FALSE(decodePng(""));
    EXPECT_FALSE(decodePng("not a png at all"));
    EXPECT_FALSE(decodePng(std::string("\x89PNG\r\n\x1a\n", 8)));
    EXPECT_FALSE(decodePng(std::string(4096, '\xFF')));
}

TEST(PngDecode, EveryTruncationGivesNothing) {
    const std::string full = encodePng(sample(true), true);
    // Reading stops once the pixels are in, so only a cut inside the closing
    // 12-byte IEND chunk still yields the (complete) picture.
    const std::size_t iend = full.size() - 12;
    ASSERT_EQ(full.substr(iend + 4, 4), "IEND");
    EXPECT_TRUE(decodePng(std::string_view(full).substr(0, iend)));
    for (std::size_t n = 0; n < iend; ++n)
        EXPECT_FALSE(decodePng(std::string_view(full).substr(0, n))) << "length " << n;
}

TEST(PngDecode, DamagedDataGivesNothing) {
    const std::string good = makePng(2, 1, 8, 0, std::string("\0\x10\xF0", 3));
    ASSERT_TRUE(decodePng(good));
    std::string badCrc = good;
    badCrc[badCrc.size() - 20] ^= 0x40;  // inside IDAT
    EXPECT_FALSE(decodePng(badCrc));
    // Fewer pixel bytes than the header promises.
    EXPECT_FALSE(decodePng(makePng(2, 2, 8, 0, std::string("\0\x10\xF0", 3))));
    // An unknown filter type.
    EXPECT_FALSE(decodePng(makePng(2, 1, 8, 0, std::string("\x09\x10\xF0", 3))));
}

TEST(PngDecode, HugeHeaderIsRefusedBeforeAllocating) {
    EXPECT_FALSE(decodePng(makePng(1000000, 1000000, 8, 2, std::string("\0\0\0\0", 4))));
    EXPECT_FALSE(decodePng(makePng(0, 1, 8, 2, std::string("\0", 1))));
}

class PngFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("qvl_png_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(PngFiles, WriteThenReadLeavesNoTemporary) {
    const std::string path = (dir_ / "shot.png").string();
    ASSERT_TRUE(writePngFile(path, sample(true), true));
    ASSERT_TRUE(writePngFile(path, sample(false)));  // replaces the first
    const auto back = readPngFile(path);
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == sample(false));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

TEST_F(PngFiles, FailuresAreReported) {
    EXPECT_FALSE(readPngFile((dir_ / "missing.png").string()));
    EXPECT_FALSE(writePngFile((dir_ / "no" / "such" / "dir.png").string(), sample(false)));
    EXPECT_FALSE(writePngFile((dir_ / "empty.png").string(), Surface()));
    std::ofstream((dir_ / "text.png").string()) << "hello";
    EXPECT_FALSE(readPngFile((dir_ / "text.png").string()));
}

}  // namespace
}  // namespace qvl
