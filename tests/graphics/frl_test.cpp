#include "graphics/frl_codec.h"

#include "base/fault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace qvl {
namespace {

std::string le32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// A file with the given header fields; the length field is the data's own unless given.
std::string frl(uint32_t format, uint32_t width, uint32_t height, const std::string& data, int64_t length = -1) {
    const auto declared = length < 0 ? uint32_t(data.size()) : uint32_t(length);
    return "FRL?" + le32(format) + le32(width) + le32(height) + le32(0xDEADBEEF) + le32(declared) +
           std::string(16, '\x5A') + data;
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += char(v);
    return s;
}

TEST(FrlDecode, Format24RunsFillRowsInReadingOrder) {
    // Four pixels of one colour, then one of another, on a 5 x 1 picture.
    const Surface line = decodeFrl(frl(24, 5, 1, bytes({3, 10, 20, 30, 0, 1, 2, 3})));
    ASSERT_EQ(line.width(), 5);
    ASSERT_EQ(line.height(), 1);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(line.pixel(x, 0), 0x1E140Au) << x;
    EXPECT_EQ(line.pixel(4, 0), 0x030201u);

    // A run carries on into the next row.
    const Surface block = decodeFrl(frl(24, 3, 2, bytes({3, 0xFF, 0, 0, 1, 0, 0xFF, 0})));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(block.pixel(x, 0), 0x0000FFu);
    EXPECT_EQ(block.pixel(0, 1), 0x0000FFu);
    EXPECT_EQ(block.pixel(1, 1), 0x00FF00u);
    EXPECT_EQ(block.pixel(2, 1), 0x00FF00u);
}

TEST(FrlDecode, SmallFormatsExpandTheirChannels) {
    // Format 12: run 3; blue 0xA, green 0xC, red 0x5, each times 17.
    const Surface f12 = decodeFrl(frl(12, 3, 1, bytes({0xA2, 0x5C})));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(f12.pixel(x, 0), uint32_t(85 << 16 | 204 << 8 | 170)) << x;

    // Format 10: run 2; blue 7 split over both bytes (252), green 7 (119), red 5 (180).
    const Surface f10 = decodeFrl(frl(10, 2, 1, bytes({0xC1, 0xD7})));
    for (int x = 0; x < 2; ++x) EXPECT_EQ(f10.pixel(x, 0), uint32_t(180 << 16 | 119 << 8 | 252)) << x;
    // Blue 2: only the first byte's top bits; the second byte's top bit clear.
    const Surface blue2 = decodeFrl(frl(10, 1, 1, bytes({0x40, 0x00})));
    EXPECT_EQ(blue2.pixel(0, 0), 72u);
}

TEST(FrlDecode, Format18WritesWholePlanesBlueGreenRed) {
    // Blue: 0xFF for all three pixels. Green: 0x82 twice, then a run of four that
    // ends the green plane and goes on through the whole red plane.
    const Surface s = decodeFrl(frl(18, 3, 1, bytes({0xFE, 0x81, 0x43})));
    EXPECT_EQ(s.pixel(0, 0), 0x4182FFu);
    EXPECT_EQ(s.pixel(1, 0), 0x4182FFu);
    EXPECT_EQ(s.pixel(2, 0), 0x4141FFu);
}

TEST(FrlDecode, WhatTheRunsDoNotReachStaysBlack) {
    const Surface partial = decodeFrl(frl(24, 4, 1, bytes({1, 9, 9, 9, 7, 7})));  // trailing half unit ignored
    EXPECT_EQ(partial.pixel(1, 0), 0x090909u);
    EXPECT_EQ(partial.pixel(2, 0), 0u);
    EXPECT_EQ(partial.pixel(3, 0), 0u);

    // An unknown format keeps the picture as created, whatever the data.
    const Surface unknown = decodeFrl(frl(16, 7, 3, bytes({0xFF, 0xFF, 0xFF, 0xFF})));
    EXPECT_EQ(unknown.width(), 7);
    EXPECT_EQ(unknown.height(), 3);
    EXPECT_TRUE(unknown == Surface(7, 3));
}

TEST(FrlDecode, RunsPastTheLastPixelAreCutOff) {
    const Surface s24 = decodeFrl(frl(24, 2, 1, bytes({255, 1, 2, 3, 255, 4, 5, 6})));
    EXPECT_TRUE(s24 == Surface(2, 1, 0x030201));
    const Surface s12 = decodeFrl(frl(12, 1, 1, bytes({0x1F, 0x11, 0xFF, 0xFF})));
    EXPECT_EQ(s12.pixel(0, 0), 0x111111u);
    const Surface s18 = decodeFrl(frl(18, 1, 1, bytes({0x00, 0x00, 0xFF, 0xFF})));
    EXPECT_EQ(s18.pixel(0, 0), 0xFF0000u);
}

TEST(FrlDecode, TrailingBytesAfterTheCodedDataAreIgnored) {
    const Surface s = decodeFrl(frl(24, 1, 1, bytes({0, 1, 2, 3}), 4) + "garbage");
    EXPECT_EQ(s.pixel(0, 0), 0x030201u);
}

TEST(FrlDecode, RefusesWhatItCannotTrust) {
    const std::string pixel = bytes({0, 1, 2, 3});
    const std::string cases[] = {
        "",
        "FR",
        "FRM" + frl(24, 1, 1, pixel).substr(3),
        frl(24, 1, 1, pixel).substr(0, 39),    // header cut short
        frl(24, 0, 1, pixel),                  // no width
        frl(24, 1, 0, pixel),                  // no height
        frl(24, 0xFFFFFFFF, 1, pixel),         // negative as a signed width
        frl(24, 16385, 1, pixel),              // too wide
        frl(24, 16384, 16384, pixel),          // too many pixels
        frl(24, 1, 1, pixel + pixel),          // more than four bytes a pixel
        frl(24, 2, 1, pixel, 8),               // data cut short
        frl(99, 2, 2, std::string(17, '\0')),  // even in an unknown format
    };
    for (const auto& file : cases) EXPECT_THROW(decodeFrl(file), Fault) << testing::PrintToString(file);

    // Four bytes a pixel is the most allowed.
    EXPECT_NO_THROW(decodeFrl(frl(24, 2, 2, std::string(16, '\0'))));
}

TEST(FrlDecode, EveryTruncationIsRefused) {
    Surface picture(9, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) picture.setPixel(x, y, uint32_t(x * 17) << 16 | uint32_t(y * 34));
    for (int format : kFrlFormats) {
        const std::string full = encodeFrl(picture, format);
        ASSERT_NO_THROW(decodeFrl(full));
        for (std::size_t n = 0; n < full.size(); ++n)
            EXPECT_THROW(decodeFrl(std::string_view(full).substr(0, n)), Fault) << format << " cut at " << n;
    }
}

// Per format: the channel values it can hold, and half the widest gap between them.
struct Levels {
    int format;
    uint32_t (*blue)(uint32_t), (*green)(uint32_t), (*red)(uint32_t);
    uint32_t blueSteps, greenSteps, redSteps;
    int tolerance[3];  // blue, green, red
};

uint32_t same(uint32_t v) {
    return v;
}
uint32_t times17(uint32_t v) {
    return v * 17;
}
uint32_t times36(uint32_t v) {
    return v * 36;
}
uint32_t sixBit(uint32_t v) {
    return (v << 2) | (v >> 4);
}

const Levels kLevels[] = {
    {24, same, same, same, 256, 256, 256, {0, 0, 0}},
    {12, times17, times17, times17, 16, 16, 16, {8, 8, 8}},
    {10, times36, times17, times36, 8, 16, 8, {18, 8, 18}},
    {18, sixBit, sixBit, sixBit, 64, 64, 64, {2, 2, 2}},
};

// Noise with long flat stretches, so runs both break early and hit each format's limit.
Surface mixed(int w, int h, const std::function<uint32_t(uint32_t seed)>& colour) {
    Surface s(w, h);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool flat = (y % 3 == 1) || (x > w / 2 && y % 2 == 0);
            seed = seed * 1103515245 + 12345;
            s.setPixel(x, y, flat ? colour(7) : colour(seed >> 8));
        }
    return s;
}

TEST(FrlRoundTrip, HeldColoursComeBackExactly) {
    for (const Levels& l : kLevels) {
        const Surface picture = mixed(300, 7, [&l](uint32_t seed) {
            return l.red(seed % l.redSteps) << 16 | l.green((seed >> 8) % l.greenSteps) << 8 |
                   l.blue((seed >> 16) % l.blueSteps);
        });
        const std::string file = encodeFrl(picture, l.format);
        EXPECT_EQ(file.substr(0, 3), "FRL");
        EXPECT_EQ(file.substr(4, 4), le32(uint32_t(l.format)));
        EXPECT_TRUE(decodeFrl(file) == picture) << "format " << l.format;
    }
}

TEST(FrlRoundTrip, OtherColoursGoToTheNearestLevel) {
    const Surface picture = mixed(97, 13, [](uint32_t seed) { return 0xAB000000 | (seed & 0xFFFFFF); });
    for (const Levels& l : kLevels) {
        const std::string file = encodeFrl(picture, l.format);
        const Surface decoded = decodeFrl(file);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const uint32_t want = picture.pixel(x, y), got = decoded.pixel(x, y);
                ASSERT_EQ(got >> 24, 0u);
                for (int c = 0; c < 3; ++c) {
                    const int diff = std::abs(int((want >> (8 * c)) & 0xFF) - int((got >> (8 * c)) & 0xFF));
                    ASSERT_LE(diff, l.tolerance[c]) << "format " << l.format << " at " << x << "," << y;
                }
            }
        // A decoded picture is made of held colours, so it encodes to the same file.
        EXPECT_EQ(encodeFrl(decoded, l.format), file) << "format " << l.format;
    }
}

TEST(FrlEncode, FlatPicturesUseTheLongestRuns) {
    const Surface flat(640, 480, 0x336699);
    const std::size_t pixels = 640 * 480;
    EXPECT_EQ(encodeFrl(flat, 24).size(), 40 + pixels / 256 * 4);
    EXPECT_EQ(encodeFrl(flat, 12).size(), 40 + pixels / 16 * 2);
    EXPECT_EQ(encodeFrl(flat, 10).size(), 40 + pixels / 64 * 2);
    EXPECT_EQ(encodeFrl(flat, 18).size(), 40 + 3 * pixels / 4);
}

TEST(FrlEncode, RefusesUnknownFormatsAndEmptyPictures) {
    EXPECT_THROW(encodeFrl(Surface(2, 2), 16), Fault);
    EXPECT_THROW(encodeFrl(Surface(), 24), Fault);
}

}  // namespace
}  // namespace qvl
