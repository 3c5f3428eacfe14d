#include "graphics/jpeg_decoder.h"

#include "base/fault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace qvl {
namespace {

std::string readTestFile(const std::string& name) {
    std::ifstream in(std::string(QVL_TEST_DATA) + "/jpeg/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int channel(uint32_t colour, int c) {
    return int((colour >> (8 * c)) & 0xFF);
}

// The largest channel difference between a decoded pixel and the colour it was made from.
int distance(uint32_t got, uint32_t want) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(channel(got, c) - channel(want, c)));
    return worst;
}

// The pixels the gradient files were encoded from.
uint32_t gradient(int x, int y) {
    return uint32_t(x * 5) << 16 | uint32_t(y * 7) << 8 | uint32_t(255 - (x + y) * 3);
}

TEST(JpegDecode, GradientsMatchTheirSourcePixels) {
    for (const char* name : {"gradient.jpg", "gradient_progressive.jpg"}) {
        const Surface s = decodeJpeg(readTestFile(name));
        ASSERT_EQ(s.width(), 48) << name;
        ASSERT_EQ(s.height(), 32) << name;
        long total = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x) {
                const uint32_t got = s.pixel(x, y);
                ASSERT_EQ(got >> 24, 0u) << name;
                ASSERT_LE(distance(got, gradient(x, y)), 16) << name << " at " << x << "," << y;
                total += distance(got, gradient(x, y));
            }
        EXPECT_LT(double(total) / (48 * 32), 3.0) << name;
    }
}

TEST(JpegDecode, FlatColoursInEveryColourSpace) {
    struct Case {
        const char* name;
        int width, height;
        uint32_t left, right;  // halves split at column 16
    };
    const Case cases[] = {
        {"flat_rgb.jpg", 32, 16, 0x2080C0, 0xF04010},
        {"flat_grey.jpg", 24, 16, 0x404040, 0xC0C0C0},
        // Adobe-style inverted ink: half black on the left, full cyan on the right.
        {"flat_cmyk_adobe.jpg", 32, 8, 0x7F7F7F, 0x00FFFF},
    };
    for (const Case& c : cases) {
        const Surface s = decodeJpeg(readTestFile(c.name));
        ASSERT_EQ(s.width(), c.width) << c.name;
        ASSERT_EQ(s.height(), c.height) << c.name;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint32_t got = s.pixel(x, y);
                ASSERT_EQ(got >> 24, 0u) << c.name;
                ASSERT_LE(distance(got, x < 16 ? c.left : c.right), 3) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(JpegDecode, GreyHasThreeEqualChannels) {
    const Surface s = decodeJpeg(readTestFile("flat_grey.jpg"));
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const uint32_t p = s.pixel(x, y);
            ASSERT_TRUE(channel(p, 0) == channel(p, 1) && channel(p, 1) == channel(p, 2)) << x << "," << y;
        }
}

TEST(JpegDecode, GarbageIsAFault) {
    const std::string cases[] = {
        "",
        "not a jpeg at all",
        std::string("\xFF\xD8", 2),
        std::string("\xFF\xD8\xFF\xD9", 4),
        std::string(4096, '\xFF'),
        std::string("\xFF\xD8\xFF\xC0\x00\x0B\x08\x00\x10\x00\x10\x01\x01\x11\x00\xFF\xD9", 17),
    };
    for (const auto& file : cases) EXPECT_THROW(decodeJpeg(file), Fault) << testing::PrintToString(file);
}

TEST(JpegDecode, EveryTruncationIsAFault) {
    // Even a file missing only its end marker: the decoder looks for it behind the
    // last pixels and would otherwise pad with grey silently.
    for (const char* name : {"gradient.jpg", "gradient_progressive.jpg", "flat_grey.jpg"}) {
        const std::string full = readTestFile(name);
        ASSERT_NO_THROW(decodeJpeg(full)) << name;
        for (std::size_t n = 0; n < full.size(); ++n)
            EXPECT_THROW(decodeJpeg(std::string_view(full).substr(0, n)), Fault) << name << " cut at " << n;
    }
}

// Rewrites the frame header's height and width.
std::string withSize(std::string file, uint16_t width, uint16_t height) {
    const auto sof = file.find("\xFF\xC0");
    if (sof == std::string::npos) return {};
    file[sof + 5] = char(height >> 8);
    file[sof + 6] = char(height);
    file[sof + 7] = char(width >> 8);
    file[sof + 8] = char(width);
    return file;
}

TEST(JpegDecode, HugeDeclaredSizesAreRefusedBeforeDecoding) {
    const std::string flat = readTestFile("flat_rgb.jpg");
    ASSERT_FALSE(withSize(flat, 32, 16).empty());
    EXPECT_THROW(decodeJpeg(withSize(flat, 20000, 16)), Fault);
    EXPECT_THROW(decodeJpeg(withSize(flat, 8192, 8192)), Fault);
    EXPECT_THROW(decodeJpeg(withSize(flat, 0, 16)), Fault);
}

TEST(JpegDecode, DamagedDataDecodesOrFaultsButNeverReadsOutside) {
    // Run under the sanitizers, this is what counts: a damaged file of any kind
    // gives a picture of the declared size or a fault.
    const std::string original = readTestFile("gradient_progressive.jpg");
    for (std::size_t at = 2; at < original.size(); at += 7) {
        std::string damaged = original;
        damaged[at] = char(damaged[at] ^ 0x5A);
        try {
            const Surface s = decodeJpeg(damaged);
            EXPECT_FALSE(s.empty());
        } catch (const Fault&) {
        }
    }
}

}  // namespace
}  // namespace qvl
