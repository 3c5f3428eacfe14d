#include "graphics/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace qvl {
namespace {

// Every pixel different, so a misplaced row or column shows.
Surface pattern(int w, int h, uint32_t base) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.setPixel(x, y, base + uint32_t(y * 256 + x));
    return s;
}

// Pixel-at-a-time model of a clipped blit, to check the row code against.
void modelBlit(Surface& dst, const Surface& src, int dx, int dy, int sx, int sy, int w, int h) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const Rect sb = src.bounds(), db = dst.bounds();
            if (sb.contains(sx + i, sy + j) && db.contains(dx + i, dy + j))
                dst.setPixel(dx + i, dy + j, src.pixel(sx + i, sy + j));
        }
}

struct BlitCase {
    const char* name;
    int dx, dy, sx, sy, w, h;
};

class BlitClipping : public ::testing::TestWithParam<BlitCase> {};

TEST_P(BlitClipping, MatchesPixelModel) {
    const BlitCase c = GetParam();
    const Surface src = pattern(7, 5, 0x100000);
    Surface dst = pattern(9, 6, 0x200000);
    Surface expected = dst.clone();
    modelBlit(expected, src, c.dx, c.dy, c.sx, c.sy, c.w, c.h);
    dst.blit(src, c.dx, c.dy, c.sx, c.sy, c.w, c.h);
    EXPECT_TRUE(dst == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BlitClipping,
    ::testing::Values(BlitCase{"inside", 1, 1, 1, 1, 3, 2}, BlitCase{"whole", 0, 0, 0, 0, 7, 5},
                      BlitCase{"negativeDest", -2, -3, 0, 0, 7, 5},
                      BlitCase{"pastRightBottom", 6, 4, 0, 0, 7, 5},
                      BlitCase{"negativeSource", 2, 2, -3, -1, 7, 5},
                      BlitCase{"sourcePastEnd", 0, 0, 4, 3, 7, 5},
                      BlitCase{"bothSidesClip", -1, 4, -2, 2, 12, 12},
                      BlitCase{"largerThanBoth", -5, -5, -5, -5, 40, 40},
                      BlitCase{"zeroWidth", 0, 0, 0, 0, 0, 5}, BlitCase{"negativeHeight", 0, 0, 0, 0, 3, -2},
                      BlitCase{"fullyLeft", -7, 0, 0, 0, 7, 5}, BlitCase{"fullyBelow", 0, 6, 0, 0, 7, 5},
                      BlitCase{"sourceFullyOutside", 0, 0, 7, 0, 3, 3}),
    [](const ::testing::TestParamInfo<BlitCase>& info) { return std::string(info.param.name); });

TEST(SurfaceBlit, ExtremeCoordinatesNeverOverflow) {
    const Surface src = pattern(4, 4, 0x10);
    Surface dst(8, 8, 0xABCDEF);
    const Surface untouched = dst.clone();
    dst.blit(src, INT_MAX, INT_MAX, 0, 0, 4, 4);
    dst.blit(src, INT_MIN, INT_MIN, 0, 0, 4, 4);
    dst.blit(src, 0, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    dst.blit(src, INT_MAX, 0, INT_MIN, 0, INT_MAX, 4);
    dst.blit(src, 0, 0, 0, 0, INT_MIN, INT_MIN);
    dst.blit(src, 2, 0, INT_MIN, 0, INT_MAX, 4);
    dst.blit(src, INT_MIN + 1, 0, 0, 0, INT_MAX, 4);
    EXPECT_TRUE(dst == untouched);

    dst.blit(src, -2, 0, 0, 0, INT_MAX, INT_MAX);
    EXPECT_EQ(dst.pixel(0, 0), src.pixel(2, 0));
    EXPECT_EQ(dst.pixel(1, 3), src.pixel(3, 3));
    EXPECT_EQ(dst.pixel(2, 0), 0xABCDEFu);
}

TEST(SurfaceBlit, EmptySurfacesAreHarmless) {
    Surface none;
    const Surface src = pattern(3, 3, 0);
    none.blit(src, 0, 0);
    none.fillRect({0, 0, 5, 5}, 1);
    none.stretch(src, src.bounds(), {0, 0, 5, 5});
    Surface dst(3, 3, 7);
    dst.blit(none, 0, 0);
    dst.stretch(none, {0, 0, 1, 1}, dst.bounds());
    EXPECT_TRUE(dst == Surface(3, 3, 7));
    EXPECT_TRUE(Surface(-4, 3).empty());
}

TEST(SurfaceRop, EachOperationCombinesPerPixel) {
    const uint32_t d = 0x00F0CC33, s = 0x0033AAFF;
    struct Expect {
        Rop rop;
        uint32_t result;
    } const cases[] = {{Rop::Copy, s},
                       {Rop::And, d & s},
                       {Rop::Or, d | s},
                       {Rop::Xor, d ^ s},
                       {Rop::InverseCopy, 0x00CC5500}};
    for (const Expect& e : cases) {
        Surface dst(3, 2, d);
        dst.blit(Surface(2, 1, s), 1, 1, e.rop);
        EXPECT_EQ(dst.pixel(1, 1), e.result) << int(e.rop);
        EXPECT_EQ(dst.pixel(2, 1), e.result) << int(e.rop);
        EXPECT_EQ(dst.pixel(0, 1), d) << int(e.rop);
        EXPECT_EQ(dst.pixel(1, 0), d) << int(e.rop);

        Surface filled(3, 2, d);
        filled.fillRect({-1, 1, 3, 5}, s, e.rop);
        EXPECT_EQ(filled.pixel(0, 1), e.result) << int(e.rop);
        EXPECT_EQ(filled.pixel(1, 1), e.result) << int(e.rop);
        EXPECT_EQ(filled.pixel(2, 1), d) << int(e.rop);
        EXPECT_EQ(filled.pixel(0, 0), d) << int(e.rop);
    }
}

TEST(SurfaceRop, InverseCopyKeepsTopByteClear) {
    Surface dst(1, 1, 0xFF123456);
    dst.blit(Surface(1, 1, 0), 0, 0, Rop::InverseCopy);
    EXPECT_EQ(dst.pixel(0, 0), 0x00FFFFFFu);
}

TEST(SurfaceRop, MaskPairDrawsSpriteThroughHole) {
    // The classic transparent sprite: AND with a mask that is white outside the
    // shape, then OR the sprite that is black outside it.
    Surface background(2, 1, 0x00336699);
    Surface mask(2, 1, 0x00FFFFFF), sprite(2, 1, 0);
    mask.setPixel(0, 0, 0);
    sprite.setPixel(0, 0, 0x00FF0000);
    background.blit(mask, 0, 0, Rop::And);
    background.blit(sprite, 0, 0, Rop::Or);
    EXPECT_EQ(background.pixel(0, 0), 0x00FF0000u);
    EXPECT_EQ(background.pixel(1, 0), 0x00336699u);
}

struct SelfCase {
    const char* name;
    int dx, dy, sx, sy;
    Rop rop;
};

class SelfBlit : public ::testing::TestWithParam<SelfCase> {};

TEST_P(SelfBlit, ActsAsIfSourceWereCopiedFirst) {
    const SelfCase c = GetParam();
    Surface s = pattern(8, 8, 0x10000);
    Surface expected = s.clone();
    const Surface snapshot = s.clone();
    expected.blit(snapshot, c.dx, c.dy, c.sx, c.sy, 5, 5, c.rop);
    s.blit(s, c.dx, c.dy, c.sx, c.sy, 5, 5, c.rop);
    EXPECT_TRUE(s == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Overlaps, SelfBlit,
    ::testing::Values(SelfCase{"downRight", 2, 1, 0, 0, Rop::Copy}, SelfCase{"upLeft", 0, 0, 2, 1, Rop::Copy},
                      SelfCase{"rightSameRows", 2, 0, 0, 0, Rop::Copy},
                      SelfCase{"leftSameRows", 0, 3, 2, 3, Rop::Copy},
                      SelfCase{"xorDownRight", 1, 1, 0, 0, Rop::Xor},
                      SelfCase{"orRightSameRows", 1, 0, 0, 0, Rop::Or},
                      SelfCase{"andUp", 0, 0, 0, 2, Rop::And}, SelfCase{"inverseOnto", 0, 0, 0, 0, Rop::InverseCopy},
                      SelfCase{"clippedDown", 5, 5, -1, 0, Rop::Copy}),
    [](const ::testing::TestParamInfo<SelfCase>& info) { return std::string(info.param.name); });

TEST(SurfaceStretch, EnlargesByRepeatingPixels) {
    const Surface src = pattern(2, 2, 0x100);
    Surface dst(4, 4);
    dst.stretch(src, src.bounds(), dst.bounds());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.pixel(x, y), src.pixel(x / 2, y / 2)) << x << "," << y;
}

TEST(SurfaceStretch, ShrinksByPickingPixels) {
    const Surface src = pattern(6, 4, 0x100);
    Surface dst(3, 2);
    dst.stretch(src, src.bounds(), dst.bounds());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.pixel(x, y), src.pixel(x * 2, y * 2)) << x << "," << y;
}

TEST(SurfaceStretch, SameSizeEqualsBlit) {
    const Surface src = pattern(5, 4, 0x100);
    Surface a(6, 6, 1), b(6, 6, 1);
    a.stretch(src, {1, 1, 3, 2}, {2, 3, 3, 2}, Rop::Xor);
    b.blit(src, 2, 3, 1, 1, 3, 2, Rop::Xor);
    EXPECT_TRUE(a == b);
}

TEST(SurfaceStretch, DestinationClipKeepsMapping) {
    const Surface src = pattern(2, 2, 0x100);
    Surface dst(3, 3, 9);
    // 2x enlargement placed at (-1,-1): only its lower-right 3x3 is visible.
    dst.stretch(src, src.bounds(), {-1, -1, 4, 4});
    EXPECT_EQ(dst.pixel(0, 0), src.pixel(0, 0));
    EXPECT_EQ(dst.pixel(1, 0), src.pixel(1, 0));
    EXPECT_EQ(dst.pixel(2, 2), src.pixel(1, 1));
    EXPECT_EQ(dst.pixel(0, 1), src.pixel(0, 1));
}

TEST(SurfaceStretch, SourceOutsideLeavesDestination) {
    const Surface src = pattern(2, 2, 0x100);
    Surface dst(4, 1, 9);
    // The source rectangle starts one pixel left of src: that half stays untouched.
    dst.stretch(src, {-1, 0, 2, 1}, {0, 0, 4, 1});
    EXPECT_EQ(dst.pixel(0, 0), 9u);
    EXPECT_EQ(dst.pixel(1, 0), 9u);
    EXPECT_EQ(dst.pixel(2, 0), src.pixel(0, 0));
    EXPECT_EQ(dst.pixel(3, 0), src.pixel(0, 0));
}

TEST(SurfaceStretch, DegenerateRectanglesDoNothing) {
    const Surface src = pattern(4, 4, 0x100);
    Surface dst(4, 4, 9);
    dst.stretch(src, src.bounds(), {0, 0, -4, 4});
    dst.stretch(src, src.bounds(), {0, 0, 4, 0});
    dst.stretch(src, {0, 0, -1, 4}, dst.bounds());
    dst.stretch(src, {4, 4, 4, 4}, dst.bounds());
    dst.stretch(src, {0, 0, INT_MAX, INT_MAX}, {INT_MAX, 0, INT_MAX, 4});
    EXPECT_TRUE(dst == Surface(4, 4, 9));
    dst.stretch(src, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    dst.stretch(src, {0, 0, INT_MAX, INT_MAX}, {-5, -5, INT_MAX, INT_MAX});
    EXPECT_TRUE(dst == Surface(4, 4, 9));
    // Equal huge rectangles are a 1:1 copy; the arithmetic must not overflow.
    dst.stretch(src, {-5, -5, INT_MAX, INT_MAX}, {-5, -5, INT_MAX, INT_MAX});
    EXPECT_TRUE(dst == src);
}

TEST(SurfaceStretch, OntoItself) {
    Surface s = pattern(4, 4, 0x100);
    const Surface original = s.clone();
    s.stretch(s, {0, 0, 2, 2}, s.bounds());
    EXPECT_EQ(s.pixel(3, 3), original.pixel(1, 1));
    EXPECT_EQ(s.pixel(2, 0), original.pixel(1, 0));
}

TEST(SurfaceBasics, PixelAccessIsBoundsChecked) {
    Surface s(2, 2, 5);
    s.setPixel(-1, 0, 1);
    s.setPixel(2, 0, 1);
    s.setPixel(0, INT_MAX, 1);
    EXPECT_TRUE(s == Surface(2, 2, 5));
    EXPECT_EQ(s.pixel(-1, 0), 0u);
    EXPECT_EQ(s.pixel(0, 2), 0u);
    EXPECT_EQ(s.pixel(INT_MIN, INT_MIN), 0u);
}

TEST(SurfaceBasics, EqualityComparesSizeAndPixels) {
    EXPECT_FALSE(Surface(2, 3) == Surface(3, 2));
    Surface a = pattern(3, 3, 0);
    Surface b = a.clone();
    EXPECT_TRUE(a == b);
    b.setPixel(2, 2, 0xFFFFFFFF);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(Surface() == Surface(0, 5));
}

}  // namespace
}  // namespace qvl
