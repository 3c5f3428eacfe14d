#include "graphics/masks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvl {
namespace {

struct RecordingReporter : ScriptErrorReporter {
    std::vector<std::string> messages;
    void scriptError(const std::string& sjisMessage) override { messages.push_back(sjisMessage); }
};

const SceneTexts kTexts{"BAD:", "ARBITRARY", "FIXED"};

// Every pixel different, so a misplaced row or column shows.
Surface pattern(int w, int h, uint32_t base) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.setPixel(x, y, base + uint32_t(y * 256 + x));
    return s;
}

class Transparency : public ::testing::Test {
protected:
    int32_t parse(std::string_view text) { return parseTransparency(text, picture, reporter, kTexts); }
    // Corners red, green, blue and white; keys come back as 0x00BBGGRR.
    Surface picture = [] {
        Surface s(3, 2, 0x777777);
        s.setPixel(0, 0, 0xFF0000);
        s.setPixel(2, 0, 0x00FF00);
        s.setPixel(0, 1, 0x0000FF);
        s.setPixel(2, 1, 0x123456);
        return s;
    }();
    RecordingReporter reporter;
};

TEST_F(Transparency, KeywordsAndCornersGiveKeysInPlatformOrder) {
    EXPECT_EQ(parse("#NONE"), kNoTransparency);
    EXPECT_EQ(parse("#TOP_LEFT"), 0x0000FF);
    EXPECT_EQ(parse("#TOP_RIGHT"), 0x00FF00);
    EXPECT_EQ(parse("#BOTTOM_LEFT"), 0xFF0000);
    EXPECT_EQ(parse("#BOTTOM_RIGHT"), 0x563412);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(Transparency, HexColoursAreReadAsRrggbbOfUpToSixDigits) {
    EXPECT_EQ(parse("#FF00FF"), 0xFF00FF);  // magenta
    EXPECT_EQ(parse("#FF"), 0xFF0000);      // the number 0xFF: pure blue
    EXPECT_EQ(parse("#123456"), 0x563412);
    EXPECT_EQ(parse("#12345678"), 0x563412);  // only six digits count
    EXPECT_EQ(parse("#abcdef"), 0xEFCDAB);
    EXPECT_EQ(keyToPixel(parse("#FF")), 0x0000FFu);
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(Transparency, MalformedColourIsReportedAndFallsBackToWhite) {
    EXPECT_EQ(parse("#GG0000"), kBadColourKey);
    // Keywords match byte for byte, so a lower-case one is a (bad) colour.
    EXPECT_EQ(parse("#none"), kBadColourKey);
    ASSERT_EQ(reporter.messages.size(), 2u);
    EXPECT_EQ(reporter.messages[0], "BAD:#GG0000");
    EXPECT_EQ(reporter.messages[1], "BAD:#none");
}

TEST_F(Transparency, AnythingNotStartingWithHashNamesAMaskFile) {
    EXPECT_EQ(parse("mask.bmp"), kMaskFromFile);
    EXPECT_EQ(parse(""), kMaskFromFile);
    EXPECT_TRUE(namesMaskFile(""));
    EXPECT_TRUE(namesMaskFile("m.bmp"));
    EXPECT_FALSE(namesMaskFile("#NONE"));
}

TEST_F(Transparency, CornersOfAnEmptyPictureDoNotCrash) {
    picture = Surface();
    EXPECT_EQ(parse("#BOTTOM_RIGHT"), 0);
}

TEST(MaskFromKey, MasksKeyPixelsAndBlackensThemInThePicture) {
    Surface picture(3, 1, 0x102030);
    picture.setPixel(1, 0, 0xFF00FF);
    Surface mask(1, 1, 0x123456);
    maskFromKey(picture, mask, 0xFF00FF);
    ASSERT_EQ(mask.width(), 3);
    ASSERT_EQ(mask.height(), 1);
    EXPECT_EQ(mask.pixel(0, 0), 0u);
    EXPECT_EQ(mask.pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(picture.pixel(0, 0), 0x102030u);
    EXPECT_EQ(picture.pixel(1, 0), 0u);
}

TEST(MaskFromKey, KeyIsComparedAfterExchangingRedAndBlue) {
    Surface picture(2, 1);
    picture.setPixel(0, 0, 0x0000FF);  // blue
    picture.setPixel(1, 0, 0xFF0000);  // red
    Surface mask;
    maskFromKey(picture, mask, 0xFF0000);  // the platform's blue
    EXPECT_EQ(mask.pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(mask.pixel(1, 0), 0u);
}

TEST(MaskFromFile, PictureAlignedBlackensThePictureUnderWhite) {
    Surface picture(2, 2, 0x445566);
    Surface temp2(3, 3, 0);  // a mask picture larger than the picture
    temp2.setPixel(1, 0, 0xFFFFFF);
    temp2.setPixel(2, 2, 0xFFFFFF);  // outside the picture: not taken over
    Surface mask(3, 3, 0xABCDEF);
    maskFromFile(picture, mask, temp2, true);

    ASSERT_EQ(mask.width(), 3);
    EXPECT_EQ(mask.pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(mask.pixel(1, 1), 0u);
    EXPECT_EQ(mask.pixel(2, 2), 0xABCDEFu);  // only the picture-sized area is taken over
    EXPECT_EQ(picture.pixel(1, 0), 0u);
    EXPECT_EQ(picture.pixel(0, 1), 0x445566u);
    EXPECT_EQ(temp2.pixel(1, 0), 0u);  // left holding the inverted area
}

TEST(MaskFromFile, ScreenAlignedTakesTheWholeMaskPictureAndLeavesThePictureAlone) {
    // The picture will be placed somewhere on the mask, so every mask pixel counts,
    // whatever a previous, larger mask left behind.
    Surface picture(2, 2, 0x445566);
    Surface temp2 = pattern(6, 5, 0x100000);
    Surface mask(7, 7, 0xABCDEF);
    maskFromFile(picture, mask, temp2, false);
    EXPECT_TRUE(mask == pattern(6, 5, 0x100000));
    EXPECT_TRUE(picture == Surface(2, 2, 0x445566));
    EXPECT_TRUE(temp2 == pattern(6, 5, 0x100000));
}

TEST(TileImage, RepeatsAndCutsTheLastColumnAndRow) {
    const Surface tile = pattern(100, 100, 0x010000);
    Surface target(640, 1000);
    tileImage(tile, target);
    EXPECT_EQ(target.pixel(0, 0), tile.pixel(0, 0));
    EXPECT_EQ(target.pixel(600, 900), tile.pixel(0, 0));
    EXPECT_EQ(target.pixel(639, 999), tile.pixel(39, 99));
    EXPECT_EQ(target.pixel(150, 250), tile.pixel(50, 50));
}

TEST(TileImage, EmptyTileOrTargetDoesNothing) {
    Surface target(4, 4, 0x123456);
    tileImage(Surface(), target);
    EXPECT_EQ(target.pixel(3, 3), 0x123456u);
    Surface empty;
    tileImage(Surface(2, 2, 1), empty);
    EXPECT_TRUE(empty.empty());
}

struct MaskedCase {
    const char* name;
    int pictureW, pictureH, maskW, maskH;
    int dx, dy, sx, sy, w, h;
};

class DrawMasked : public ::testing::TestWithParam<MaskedCase> {};

// The one-pass path must give exactly what the two blits give, clipping included.
TEST_P(DrawMasked, MatchesAndThenOr) {
    const MaskedCase c = GetParam();
    const Surface picture = pattern(c.pictureW, c.pictureH, 0x100000);
    Surface mask = pattern(c.maskW, c.maskH, 0);
    for (int y = 0; y < c.maskH; ++y)
        for (int x = 0; x < c.maskW; ++x) mask.setPixel(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
    Surface dst = pattern(9, 7, 0x200000);
    Surface expected = dst.clone();
    expected.blit(mask, c.dx, c.dy, c.sx, c.sy, c.w, c.h, Rop::And);
    expected.blit(picture, c.dx, c.dy, c.sx, c.sy, c.w, c.h, Rop::Or);
    drawMasked(dst, picture, mask, c.dx, c.dy, c.sx, c.sy, c.w, c.h);
    EXPECT_TRUE(dst == expected);
}

INSTANTIATE_TEST_SUITE_P(Geometry, DrawMasked,
                         ::testing::Values(MaskedCase{"inside", 4, 3, 4, 3, 2, 2, 0, 0, 4, 3},
                                           MaskedCase{"clippedByDestination", 4, 3, 4, 3, -2, 5, 0, 0, 4, 3},
                                           MaskedCase{"sourceOffset", 6, 6, 6, 6, 1, 1, 2, 3, 3, 2},
                                           MaskedCase{"maskSmaller", 5, 4, 2, 2, 1, 1, 0, 0, 5, 4},
                                           MaskedCase{"pictureSmaller", 2, 2, 5, 4, 1, 1, 0, 0, 5, 4},
                                           MaskedCase{"negativeSource", 4, 4, 4, 4, 3, 3, -2, -1, 4, 4},
                                           MaskedCase{"zeroSize", 4, 4, 4, 4, 0, 0, 0, 0, 0, 4},
                                           MaskedCase{"farOutside", 4, 4, 4, 4, 2000000000, -2000000000, 0, 0, 4, 4}),
                         [](const ::testing::TestParamInfo<MaskedCase>& info) { return std::string(info.param.name); });

TEST(ResizeKeeping, KeepsTheOverlapAndWhitensNewSpace) {
    Surface s = pattern(3, 3, 0x10);
    resizeKeeping(s, 4, 2);
    ASSERT_EQ(s.width(), 4);
    ASSERT_EQ(s.height(), 2);
    EXPECT_EQ(s.pixel(2, 1), 0x10u + 256 + 2);
    EXPECT_EQ(s.pixel(3, 0), 0xFFFFFFu);
    resizeKeeping(s, -1, 5);
    EXPECT_TRUE(s.empty());
}

}  // namespace
}  // namespace qvl
