#include "graphics/effects.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace qvl {
namespace {

struct RuleCase {
    const char* name;
    EffectKind kind;
    uint32_t s, d, expected;
};

class EffectRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(EffectRule, CombinesOnePixel) {
    const RuleCase c = GetParam();
    const Surface effect(1, 1, c.s);
    Surface composition(1, 1, c.d);
    applyEffect(effect, composition, Surface(), 0, 0, int32_t(c.kind), 0);
    EXPECT_EQ(composition.pixel(0, 0), c.expected) << std::hex << composition.pixel(0, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EffectRule,
    ::testing::Values(RuleCase{"copy", EffectKind::Copy, 0x123456, 0xABCDEF, 0x123456},
                      RuleCase{"orAllBits", EffectKind::Or, 0x01000F0F, 0x00F000F0, 0x01F00FFF},
                      RuleCase{"and", EffectKind::And, 0x0F0F0F, 0x3C3C3C, 0x0C0C0C},
                      RuleCase{"xor", EffectKind::Xor, 0xFF00FF, 0x0F0F0F, 0xF00FF0},
                      RuleCase{"blendDropsLowBits", EffectKind::Blend, 0xFFFFFF, 0x000001, 0x7F7F7F},
                      RuleCase{"blendNoCarry", EffectKind::Blend, 0x010101, 0x010101, 0x000000},
                      RuleCase{"increaseMixed", EffectKind::Increase, 0x102030, 0x201010, 0x182030},
                      RuleCase{"increaseEqualAverages", EffectKind::Increase, 0x80FF01, 0x80FF01, 0x80FF01},
                      RuleCase{"increaseClearsTopByte", EffectKind::Increase, 0xFF000000, 0xFF000000, 0},
                      RuleCase{"decreaseNegativeIsZero", EffectKind::Decrease, 0x0000FF, 0x000080, 0},
                      RuleCase{"decreasePerChannel", EffectKind::Decrease, 0x40FF80, 0x80FF40, 0x400000}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

TEST(EffectKeywords, MapToTheirCodesExactly) {
    EXPECT_EQ(effectKindFromKeyword("#COPY"), EffectKind::Copy);
    EXPECT_EQ(effectKindFromKeyword("#OR"), EffectKind::Or);
    EXPECT_EQ(effectKindFromKeyword("#AND"), EffectKind::And);
    EXPECT_EQ(effectKindFromKeyword("#XOR"), EffectKind::Xor);
    EXPECT_EQ(effectKindFromKeyword("#BLEND"), EffectKind::Blend);
    EXPECT_EQ(effectKindFromKeyword("#INCREASE"), EffectKind::Increase);
    EXPECT_EQ(effectKindFromKeyword("#DECREASE"), EffectKind::Decrease);
    EXPECT_FALSE(effectKindFromKeyword("#blend"));
    EXPECT_FALSE(effectKindFromKeyword("BLEND"));
    EXPECT_FALSE(effectKindFromKeyword(""));
}

// Effect pixel = its column number + 1, so each result names its source column.
Surface numbered(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.setPixel(x, y, uint32_t((y << 8) | (x + 1)));
    return s;
}

TEST(EffectClipping, NegativeXTakesTheEffectsRightPart) {
    // Scaled down: 300 wide at x = -100 puts columns 100-299 into 0-199.
    const Surface effect = numbered(300, 1);
    Surface composition(200, 1, 0xEEEEEE);
    applyEffect(effect, composition, Surface(), -100, 0, int32_t(EffectKind::Copy), 0);
    EXPECT_EQ(composition.pixel(0, 0), 101u);
    EXPECT_EQ(composition.pixel(199, 0), 300u);
}

TEST(EffectClipping, CutsAtTheRightAndBottomEdges) {
    const Surface effect = numbered(4, 4);
    Surface composition(5, 5, 0xEEEEEE);
    applyEffect(effect, composition, Surface(), 3, 2, int32_t(EffectKind::Copy), 0);
    EXPECT_EQ(composition.pixel(2, 2), 0xEEEEEEu);
    EXPECT_EQ(composition.pixel(3, 2), 1u);
    EXPECT_EQ(composition.pixel(4, 4), uint32_t((2 << 8) | 2));
}

TEST(EffectClipping, PlacementsOutsideChangeNothing) {
    const Surface effect = numbered(4, 4);
    const Surface before(5, 5, 0xEEEEEE);
    for (const auto& [x, y] :
         {std::pair{5, 0}, {0, 5}, {-4, 0}, {-5, 0}, {0, -4}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}, {INT_MIN, 0}}) {
        Surface composition = before.clone();
        applyEffect(effect, composition, Surface(), x, y, int32_t(EffectKind::Copy), 0);
        EXPECT_TRUE(composition == before) << x << "," << y;
    }
}

TEST(EffectMask, UnknownKindOrMaskModeCombinesNothing) {
    const Surface effect(2, 2, 0x111111), mask(2, 2, 0);
    const Surface before(2, 2, 0x222222);
    for (const auto& [kind, mode] : {std::pair{7, 0}, {-1, 0}, {0, 3}, {0, -1}}) {
        Surface composition = before.clone();
        applyEffect(effect, composition, mask, 0, 0, kind, mode);
        EXPECT_TRUE(composition == before) << kind << "," << mode;
    }
}

// A mask with one black (combine) pixel at the given place, white elsewhere.
Surface maskWithHole(int w, int h, int hx, int hy) {
    Surface m(w, h, 0xFFFFFF);
    m.setPixel(hx, hy, 0);
    return m;
}

TEST(EffectMask, PictureAlignedMaskMovesWithTheEffect) {
    const Surface effect = numbered(3, 1);
    const Surface mask = maskWithHole(3, 1, 2, 0);
    Surface composition(3, 1, 0xEEEEEE);
    applyEffect(effect, composition, mask, -1, 0, int32_t(EffectKind::Copy), 1);
    // Effect columns 1 and 2 land on 0 and 1; only column 2 is open in the mask.
    EXPECT_EQ(composition.pixel(0, 0), 0xEEEEEEu);
    EXPECT_EQ(composition.pixel(1, 0), 3u);
    EXPECT_EQ(composition.pixel(2, 0), 0xEEEEEEu);
}

TEST(EffectMask, ScreenAlignedMaskStaysPut) {
    const Surface effect = numbered(3, 1);
    const Surface mask = maskWithHole(4, 1, 2, 0);
    Surface composition(4, 1, 0xEEEEEE);
    applyEffect(effect, composition, mask, 1, 0, int32_t(EffectKind::Copy), 2);
    EXPECT_EQ(composition.pixel(1, 0), 0xEEEEEEu);
    EXPECT_EQ(composition.pixel(2, 0), 2u);
    EXPECT_EQ(composition.pixel(3, 0), 0xEEEEEEu);
}

TEST(EffectMask, TopByteOfTheMaskIsIgnoredAndMissingMaskPixelsBlock) {
    const Surface effect = numbered(4, 2);
    Surface mask(2, 1, 0);
    mask.setPixel(1, 0, 0xFF000000);  // still black
    Surface composition(4, 2, 0xEEEEEE);
    applyEffect(effect, composition, mask, 0, 0, int32_t(EffectKind::Copy), 1);
    EXPECT_EQ(composition.pixel(0, 0), 1u);
    EXPECT_EQ(composition.pixel(1, 0), 2u);
    EXPECT_EQ(composition.pixel(2, 0), 0xEEEEEEu);
    EXPECT_EQ(composition.pixel(0, 1), 0xEEEEEEu);
}

// Pixel-at-a-time model of the rules, to check the row code (its byte lanes, its
// pieces of a long row) against.
uint32_t modelRule(EffectKind kind, uint32_t d, uint32_t s) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
        const uint32_t c = kind == EffectKind::Increase ? (sc > dc ? sc : (sc + dc) / 2) : (dc > sc ? dc - sc : 0);
        out |= c << shift;
    }
    switch (kind) {
        case EffectKind::Copy:
            return s;
        case EffectKind::Or:
            return d | s;
        case EffectKind::And:
            return d & s;
        case EffectKind::Xor:
            return d ^ s;
        case EffectKind::Blend:
            return (s / 2 & 0x7F7F7F) + (d / 2 & 0x7F7F7F);
        default:
            return out;
    }
}

TEST(EffectRows, LongMaskedRowsMatchThePixelModel) {
    constexpr int kW = 601, kH = 3;
    Surface effect(kW, kH), base(kW, kH), mask(kW, kH);
    uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            effect.setPixel(x, y, next());  // top bytes set too
            base.setPixel(x, y, next() & 0xFFFFFF);
            mask.setPixel(x, y, next() % 3 == 0 ? 0 : 0xFFFFFF);
        }
    for (int kind = 0; kind <= int(EffectKind::Decrease); ++kind)
        for (const int mode : {0, 1}) {
            Surface composition = base.clone();
            applyEffect(effect, composition, mask, 0, 0, kind, mode);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const bool take = mode == 0 || mask.pixel(x, y) == 0;
                    const uint32_t d = base.pixel(x, y);
                    const uint32_t expected = take ? modelRule(EffectKind(kind), d, effect.pixel(x, y)) : d;
                    ASSERT_EQ(composition.pixel(x, y), expected) << kind << " " << mode << " " << x << "," << y;
                }
        }
}

}  // namespace
}  // namespace qvl
