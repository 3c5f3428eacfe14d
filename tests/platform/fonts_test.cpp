#include "platform/fonts.h"

#include "platform/encoding.h"
#include "platform/overlay_text.h"
#include "platform/sharp_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace qvl::platform {
namespace {

constexpr uint32_t kBackground = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFF;

const std::string kMsGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
const std::string kA = "\x82\xA0";                                                     // あ

// Pixels that differ from the fill colour.
Rect paintedBounds(const Surface& s, uint32_t fill, int* count = nullptr) {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN, n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != fill) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
                ++n;
            }
    if (count) *count = n;
    if (n == 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

long long inkSum(const Surface& s) {
    long long sum = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) sum += s.pixel(x, y) & 0xFF;
    return sum;
}

class FontEngineTest : public ::testing::Test {
protected:
    // One engine for the suite: loading the font list is the slow part.
    static void SetUpTestSuite() { engine = std::make_unique<FontEngine>(); }
    static void TearDownTestSuite() { engine.reset(); }
    inline static std::unique_ptr<FontEngine> engine;
    FontSpec gothic{kMsGothic, 24, false};
};

TEST_F(FontEngineTest, WindowsGothicNamesResolveToIpaFaces) {
    const std::string fixed = engine->fileFor("IPAGothic");
    const std::string proportional = engine->fileFor("IPAPGothic");
    ASSERT_NE(fixed.find("ipag"), std::string::npos) << fixed;
    ASSERT_NE(fixed, proportional);
    EXPECT_EQ(engine->fileFor(kMsGothic), fixed);
    EXPECT_EQ(engine->fileFor("MS Gothic"), fixed);
    EXPECT_EQ(engine->fileFor("ms gothic"), fixed);
    EXPECT_EQ(engine->fileFor(utf8ToSjis("ＭＳゴシック")), fixed);
    EXPECT_EQ(engine->fileFor(utf8ToSjis("MS ゴシック")), fixed);
    EXPECT_EQ(engine->fileFor(utf8ToSjis("ＭＳ Ｐゴシック")), proportional);
    EXPECT_EQ(engine->fileFor("MS PGothic"), proportional);
    EXPECT_EQ(engine->fileFor("MS UI Gothic"), proportional);
}

TEST_F(FontEngineTest, WindowsMinchoNamesResolveToIpaFaces) {
    const std::string fixed = engine->fileFor("IPAMincho");
    const std::string proportional = engine->fileFor("IPAPMincho");
    ASSERT_NE(fixed.find("ipam"), std::string::npos) << fixed;
    EXPECT_EQ(engine->fileFor(utf8ToSjis("ＭＳ 明朝")), fixed);
    EXPECT_EQ(engine->fileFor("MS Mincho"), fixed);
    EXPECT_EQ(engine->fileFor(utf8ToSjis("ＭＳ Ｐ明朝")), proportional);
    EXPECT_EQ(engine->fileFor("MS PMincho"), proportional);
}

TEST_F(FontEngineTest, UnknownNamesFallBackToJapaneseGothic) {
    const std::string gothic = engine->fileFor("IPAGothic");
    EXPECT_EQ(engine->fileFor("Marlett"), gothic);
    EXPECT_EQ(engine->fileFor("Wingdings"), gothic);
    EXPECT_EQ(engine->fileFor(""), gothic);
    EXPECT_EQ(engine->fileFor("\x82"), gothic);  // a lone lead byte
    FontSpec symbol{"Wingdings", 24, false};
    EXPECT_GT(engine->measureText(kA, symbol), 0);
}

TEST_F(FontEngineTest, FamiliesListInstalledFacesAndAliases) {
    const auto& families = engine->families();
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
    EXPECT_NE(std::find(families.begin(), families.end(), "IPAGothic"), families.end());
    EXPECT_NE(std::find(families.begin(), families.end(), kMsGothic), families.end());
    EXPECT_TRUE(engine->isInstalled(kMsGothic));
    EXPECT_TRUE(engine->isInstalled("MS Mincho"));
    EXPECT_TRUE(engine->isInstalled(utf8ToSjis("IPAゴシック")));
    EXPECT_FALSE(engine->isInstalled("Marlett"));
    EXPECT_FALSE(engine->isInstalled("ms gothic"));  // the list holds exact names
}

TEST_F(FontEngineTest, GlyphStaysInsideItsCell) {
    Surface s(80, 60, kBackground);
    const int advance = engine->drawText(s, 20, 10, kA, gothic, kWhite);
    EXPECT_NEAR(advance, 24, 1);
    int count = 0;
    const Rect ink = paintedBounds(s, kBackground, &count);
    EXPECT_GT(count, 30);
    EXPECT_GE(ink.x, 20);
    EXPECT_GE(ink.y, 10);
    EXPECT_LE(ink.x + ink.w, 20 + advance);
    EXPECT_LE(ink.y + ink.h, 10 + 24);
    EXPECT_NEAR(engine->measureText("A", gothic), 12, 1);

    const FontMetrics m = engine->metrics(gothic);
    EXPECT_GT(m.ascent, m.descent);
    EXPECT_NEAR(m.ascent + m.descent, 24, 1);
}

TEST_F(FontEngineTest, TheUnderscoreIsDrawnAtEverySize) {
    // It sits on the bottom row of the cell, where rounding can lose it.
    for (int size : {12, 13, 16, 24}) {
        for (bool antialias : {false, true}) {
            Surface s(40, 40, kBackground);
            engine->drawText(s, 4, 4, "_", FontSpec{gothic.name, size, false}, kWhite, antialias);
            int count = 0;
            const Rect ink = paintedBounds(s, kBackground, &count);
            EXPECT_GT(count, 2) << size << (antialias ? " antialiased" : " mono");
            EXPECT_LE(ink.y + ink.h, 4 + size) << size;
        }
    }
}

TEST_F(FontEngineTest, HostileCoordinatesAndSizesOnlyDrawInside) {
    Surface s(40, 40, kBackground);
    const std::string text = kA + "Ag" + kA;
    engine->drawText(s, -12, -12, text, gothic, kWhite);
    EXPECT_GT(inkSum(s), 0);  // the visible corner was drawn
    const Rect ink = paintedBounds(s, kBackground);
    EXPECT_LT(ink.y + ink.h, 40 - 12);

    Surface untouched(40, 40, kBackground);
    for (int x : {INT_MIN, INT_MIN + 5, -100000, 100000, INT_MAX - 5, INT_MAX})
        for (int y : {INT_MIN, -100000, 100000, INT_MAX}) {
            engine->drawText(untouched, x, y, text, gothic, kWhite);
            engine->drawChar(untouched, x, y, U'W', gothic, kWhite, false);
        }
    EXPECT_EQ(paintedBounds(untouched, kBackground).w, 0);

    for (int height : {0, -24, INT_MIN, INT_MAX, 5000}) {
        FontSpec odd{kMsGothic, height, true};
        engine->drawText(s, 0, 0, text, odd, kWhite);
        engine->metrics(odd);
    }
    Surface empty;
    EXPECT_GT(engine->drawText(empty, 0, 0, text, gothic, kWhite), 0);
}

TEST_F(FontEngineTest, MonoModeWritesOnlyTheColour) {
    Surface s(200, 40, kBackground);
    const uint32_t colour = 0x3366CC;
    engine->drawText(s, 2, 2, kA + "Mono text", gothic, colour, false);
    int painted = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const uint32_t p = s.pixel(x, y);
            ASSERT_TRUE(p == kBackground || p == (kBackground | colour)) << std::hex << p;
            painted += p != kBackground;
        }
    EXPECT_GT(painted, 50);
}

TEST_F(FontEngineTest, AntialiasingBlendsAndKeepsTheTopByte) {
    Surface s(100, 40, 0x7F000000);
    engine->drawText(s, 2, 2, kA + "sw", gothic, 0xFFFFFFFF);  // the colour's top byte is ignored
    bool partial = false;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const uint32_t p = s.pixel(x, y);
            ASSERT_EQ(p >> 24, 0x7Fu);
            partial |= (p & 0xFF) != 0 && (p & 0xFF) != 0xFF;
        }
    EXPECT_TRUE(partial);
}

TEST_F(FontEngineTest, BoldIsHeavier) {
    Surface regular(80, 40, kBackground), bold(80, 40, kBackground);
    FontSpec boldFont = gothic;
    boldFont.bold = true;
    const int regularAdvance = engine->drawText(regular, 2, 2, kA + "l", gothic, kWhite);
    const int boldAdvance = engine->drawText(bold, 2, 2, kA + "l", boldFont, kWhite);
    EXPECT_GE(boldAdvance, regularAdvance);
    EXPECT_GT(inkSum(bold), inkSum(regular) * 11 / 10);
}

TEST_F(FontEngineTest, MeasureMatchesDrawnAdvance) {
    const std::string text = utf8ToSjis("漢字とASCII, mixed. ｶﾀｶﾅ") + "\xFF\x81";  // ends with junk bytes
    for (const char* name : {"MS PGothic", "MS Mincho", "Marlett"})
        for (bool bold : {false, true}) {
            const FontSpec font{name, 17, bold};
            const int measured = engine->measureText(text, font);
            Surface s(300, 30, kBackground);
            EXPECT_EQ(engine->drawText(s, 0, 0, text, font, kWhite, true), measured) << name;
            EXPECT_EQ(engine->drawText(s, 0, 0, text, font, kWhite, false), measured) << name;
        }
    EXPECT_EQ(engine->measureText("", gothic), 0);
}

TEST_F(FontEngineTest, SameInputsGiveSamePixels) {
    FontEngine other;
    Surface a(120, 30, kBackground), b(120, 30, kBackground);
    const std::string text = kA + "xyz";
    engine->drawText(a, 3, 1, text, gothic, 0xFFCC00);
    other.drawText(b, 3, 1, text, gothic, 0xFFCC00);
    EXPECT_TRUE(a == b);

    Surface c(120, 30, kBackground);
    int x = 3;
    for (char32_t ch : sjisToUtf32(text)) x += engine->drawChar(c, x, 1, ch, gothic, 0xFFCC00);
    EXPECT_TRUE(a == c);
}

// Only runs drawn while recording count, and only while the overlay still shows
// them: one painted over since stays in the overlay as it is.
TEST_F(FontEngineTest, OverlayRunsAreTakenOutOnlyWhileTheOverlayShowsThem) {
    Surface overlay(200, 40, kBackground);
    engine->drawText(overlay, 0, 0, kA, gothic, kWhite);
    {
        const OverlayText::Recording recording(engine->overlayText());
        engine->drawText(overlay, 50, 0, kA, gothic, kWhite);
        engine->drawText(overlay, 100, 0, kA, gothic, 0x00FF00);
        engine->drawText(overlay, 150, 0, kA, gothic, kWhite);
    }
    overlay.fillRect({110, 10, 4, 4}, 0xFF123456);
    Surface shown = overlay.clone();
    SharpText steps;
    engine->overlayText().takeOut(shown, steps);
    ASSERT_EQ(steps.steps().size(), 2u);
    EXPECT_EQ(steps.steps()[0].x, 50);
    EXPECT_EQ(steps.steps()[1].x, 150);
    EXPECT_EQ(steps.steps()[1].text, kA);
    auto part = [](const Surface& s, int x) {
        Surface out(50, 40);
        out.blit(s, 0, 0, x, 0, 50, 40);
        return out;
    };
    EXPECT_GT(inkSum(part(shown, 0)), 0) << "drawn before the recording";
    EXPECT_EQ(inkSum(part(shown, 50)), inkSum(Surface(50, 40, kBackground)));
    EXPECT_EQ(inkSum(part(shown, 150)), inkSum(Surface(50, 40, kBackground)));
    EXPECT_EQ(inkSum(part(shown, 100)), inkSum(part(overlay, 100))) << "painted over: left as shown";
}

}  // namespace
}  // namespace qvl::platform
