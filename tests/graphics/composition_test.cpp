#include "graphics/composition.h"

#include "graphics/effects.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace qvl {
namespace {

struct RecordingReporter : ScriptErrorReporter {
    std::vector<std::string> messages;
    void scriptError(const std::string& sjisMessage) override { messages.push_back(sjisMessage); }
};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kKey = 0xFF00FF;  // magenta, the persons' transparent colour

int32_t evaluateNumber(std::string_view text) {
    return text.empty() ? 0 : std::stoi(std::string(text));
}

// A person picture: solid colour with a transparent (magenta) top-left pixel.
Surface personPicture(int w, int h, uint32_t colour) {
    Surface s(w, h, colour);
    s.setPixel(0, 0, kKey);
    return s;
}

class Scene : public ::testing::Test {
protected:
    Scene() { bank[SurfaceId::VirtualVram].fill(0x0A0A0A); }

    void showPerson(int slot, Surface picture, std::string_view transparency, int x, int y,
                    std::optional<Surface> maskPicture = std::nullopt) {
        bank.loadPerson(slot, std::move(picture), "p.bmp", transparency, std::move(maskPicture));
        bank.placePerson(slot, 1, std::to_string(x), std::to_string(y), evaluateNumber);
    }
    uint32_t vram(int x, int y) const { return bank[SurfaceId::VirtualVram].pixel(x, y); }
    void compose() { composeScene(bank, darkness); }

    RecordingReporter reporter;
    SurfaceBank bank{reporter, SceneTexts{"BAD:", "ARBITRARY", "FIXED"}};
    Darkness darkness;
    Surface window{kSceneWidth, kSceneHeight, 0x555555};
};

TEST_F(Scene, ResetLeavesAnEmptyBankButKeepsTheComposedScene) {
    bank.loadBackground(Surface(640, 480, 1), "bg.bmp");
    bank.sprites[3].visible = 1;
    bank.state(SurfaceId::Effect).effectKind = 5;
    bank.resetSurfaces();
    EXPECT_EQ(bank.state(SurfaceId::Background).shown, 0);
    EXPECT_TRUE(bank.state(SurfaceId::Background).fileName.empty());
    EXPECT_EQ(bank[SurfaceId::Background].width(), 8);
    EXPECT_EQ(bank.state(SurfaceId::Effect).effectKind, 5);
    EXPECT_EQ(bank.sprites[3].visible, 0);
    EXPECT_EQ(bank.sprites[3].x, kSpriteNotDrawn);
    EXPECT_EQ(bank[SurfaceId::TextMask].pixel(639, 479), kWhite);
    EXPECT_EQ(bank[SurfaceId::Text].pixel(639, 479), 0u);
    EXPECT_EQ(vram(5, 5), 0x0A0A0Au);
    EXPECT_EQ(surfaceName(16), "SpriteSheetMask");
    EXPECT_EQ(surfaceDebugLabel(0), "仮想ＶＲＡＭ");
    EXPECT_EQ(surfaceName(17), "");
}

TEST_F(Scene, BackgroundIsPlacedAtItsOffsetOverThePreviousScene) {
    Surface bg(700, 500);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 700; ++x) bg.setPixel(x, y, uint32_t(y << 12 | x));
    bank.loadBackground(std::move(bg), "bg.bmp");
    bank.state(SurfaceId::Background).x = 10;
    bank.state(SurfaceId::Background).y = -5;
    compose();
    EXPECT_EQ(vram(10, 0), uint32_t(5 << 12 | 0));
    EXPECT_EQ(vram(639, 474), uint32_t(479 << 12 | 629));  // only the top-left 640 x 480 is used
    EXPECT_EQ(vram(639, 475), 0x0A0A0Au);
    EXPECT_EQ(vram(9, 100), 0x0A0A0Au);  // uncovered: the previous scene stays
}

TEST_F(Scene, PersonsAreDrawnInSlotOrderWithBothMaskKinds) {
    showPerson(0, personPicture(4, 4, 0x100000), "#TOP_LEFT", 10, 10);
    Surface maskFile(4, 4, 0);
    maskFile.setPixel(1, 1, kWhite);  // transparent at the picture's (1, 1)
    showPerson(1, Surface(4, 4, 0x200000), "m.bmp", 11, 11, std::move(maskFile));
    showPerson(2, Surface(2, 2, 0x300000), "#NONE", 14, 14);
    compose();

    EXPECT_EQ(vram(10, 10), 0x0A0A0Au);  // slot 0's key pixel
    EXPECT_EQ(vram(11, 10), 0x100000u);
    EXPECT_EQ(vram(11, 11), 0x200000u);  // slot 1 over slot 0
    EXPECT_EQ(vram(12, 12), 0x100000u);  // slot 1's masked pixel shows slot 0
    EXPECT_EQ(vram(14, 14), 0x300000u);  // slot 2 on top, unmasked
    EXPECT_EQ(vram(15, 15), 0x300000u);
    EXPECT_EQ(vram(16, 16), 0x0A0A0Au);  // slot 2 covers only its own 2 x 2
    EXPECT_EQ(bank.state(SurfaceId::Person1).maskName, "m.bmp");
    EXPECT_EQ(bank.state(SurfaceId::Person1Mask).fileName, "m.bmp");
    EXPECT_EQ(bank.state(SurfaceId::Person2).masked, 0);
}

TEST_F(Scene, EmptyTransparencyBuildsTheMaskFromWhatTheWorkSurfaceHolds) {
    bank[SurfaceId::Temp2] = Surface(2, 2, 0);
    bank[SurfaceId::Temp2].setPixel(1, 0, kWhite);
    showPerson(0, Surface(2, 2, 0x100000), "", 0, 0);
    compose();
    EXPECT_EQ(bank.state(SurfaceId::Person0).colourKey, kMaskFromFile);
    EXPECT_EQ(vram(0, 0), 0x100000u);
    EXPECT_EQ(vram(1, 0), 0x0A0A0Au);
}

TEST_F(Scene, PositionKeywordsAndExpressions) {
    bank.loadPerson(1, Surface(200, 300), "p.bmp", "#TOP_LEFT", std::nullopt);
    bank.placePerson(1, 1, "#CENTER", "#BOTTOM", evaluateNumber);
    EXPECT_EQ(bank.state(SurfaceId::Person1).x, 220);
    EXPECT_EQ(bank.state(SurfaceId::Person1).y, 180);
    bank.placePerson(1, 1, "#RIGHT", "#TOP", evaluateNumber);
    EXPECT_EQ(bank.state(SurfaceId::Person1).x, 440);
    EXPECT_EQ(bank.state(SurfaceId::Person1).y, 0);
    bank.placePerson(1, 1, "#MIDDLE", "-25", evaluateNumber);
    EXPECT_EQ(bank.state(SurfaceId::Person1).x, 0);
    EXPECT_EQ(bank.state(SurfaceId::Person1).y, -25);

    bank.loadPerson(0, Surface(641, 481), "wide.bmp", "#NONE", std::nullopt);
    bank.placePerson(0, 1, "#CENTER", "#CENTER", evaluateNumber);
    EXPECT_EQ(bank.state(SurfaceId::Person0).x, 0);  // -1 / 2 rounds toward zero
    EXPECT_EQ(bank.state(SurfaceId::Person0).y, 0);
}

TEST_F(Scene, PersonCommandsIgnoreBadOrEmptySlots) {
    bank.loadPerson(3, Surface(2, 2), "p.bmp", "#NONE", std::nullopt);
    bank.loadPerson(-1, Surface(2, 2), "p.bmp", "#NONE", std::nullopt);
    bank.placePerson(3, 1, "5", "5", evaluateNumber);
    bank.placePerson(1, 1, "5", "5", evaluateNumber);  // never loaded
    for (int slot = 0; slot < kPersonSlots; ++slot) {
        EXPECT_EQ(bank.state(personSurface(slot)).loaded, 0);
        EXPECT_EQ(bank.state(personSurface(slot)).shown, 0);
        EXPECT_EQ(bank.state(personSurface(slot)).x, 0);
    }
}

TEST_F(Scene, ClearingAPersonEmptiesTheSlotButHidingKeepsIt) {
    showPerson(0, personPicture(4, 4, 0x100000), "#TOP_LEFT", 7, 9);
    bank.placePerson(0, 0, "7", "9", evaluateNumber);
    EXPECT_EQ(bank.state(SurfaceId::Person0).shown, 0);
    EXPECT_EQ(bank.state(SurfaceId::Person0).loaded, 1);
    EXPECT_EQ(bank[SurfaceId::Person0].width(), 4);

    bank.placePerson(0, -1, "7", "9", evaluateNumber);
    const SurfaceState& s = bank.state(SurfaceId::Person0);
    EXPECT_EQ(s.loaded, 0);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.colourKey, kNoTransparency);
    EXPECT_TRUE(s.fileName.empty());
    EXPECT_EQ(bank[SurfaceId::Person0].width(), 8);
    EXPECT_EQ(bank[SurfaceId::Person0Mask].height(), 8);
}

TEST_F(Scene, FailedPictureLoadKeepsTheSurfaceButSetsTheRecord) {
    bank.loadPerson(2, std::nullopt, "missing.bmp", "#NONE", std::nullopt);
    EXPECT_EQ(bank.state(SurfaceId::Person2).loaded, 1);
    EXPECT_EQ(bank.state(SurfaceId::Person2).fileName, "missing.bmp");
    EXPECT_EQ(bank[SurfaceId::Person2].width(), 8);
}

// A 4 x 4 #COPY effect over a person at the same place: the order decides who wins.
class EffectOrder : public Scene, public ::testing::WithParamInterface<std::pair<int32_t, uint32_t>> {};

TEST_P(EffectOrder, DecidesWhetherTheEffectCoversThePersons) {
    const auto [order, expected] = GetParam();
    showPerson(0, Surface(4, 4, 0x100000), "#NONE", 0, 0);
    bank.loadEffect(Surface(4, 4, 0x00E000), "ef.bmp", "#NONE", 0, std::nullopt);
    ASSERT_TRUE(bank.setEffect(1, "#COPY", 0, 0, order));
    compose();
    EXPECT_EQ(vram(1, 1), expected);
}

INSTANTIATE_TEST_SUITE_P(Orders, EffectOrder,
                         ::testing::Values(std::pair{0, 0x100000u}, std::pair{1, 0x00E000u}, std::pair{2, 0x00E000u},
                                           std::pair{3, 0x100000u}));

TEST_F(Scene, EffectIsCombinedByItsKindAndOnlyWhereItsMaskIsBlack) {
    bank[SurfaceId::VirtualVram].fill(0x000001);
    Surface effect(3, 1, kWhite);
    effect.setPixel(0, 0, 0x00FF00);  // key: becomes transparent
    bank.loadEffect(std::move(effect), "ef.bmp", "#00FF00", 0, std::nullopt);
    EXPECT_EQ(bank.state(SurfaceId::Effect).maskMode, int32_t(EffectMaskMode::Picture));
    ASSERT_TRUE(bank.setEffect(1, "#BLEND", 5, 0, 0));
    compose();
    EXPECT_EQ(vram(5, 0), 0x000001u);
    EXPECT_EQ(vram(6, 0), 0x7F7F7Fu);
    EXPECT_EQ(vram(8, 0), 0x000001u);
}

TEST_F(Scene, EffectMaskOfTheWrongSizeIsReportedAndChangesNothing) {
    bank.loadEffect(Surface(4, 4), "ef.bmp", "m.bmp", 0, Surface(5, 4));
    EXPECT_FALSE(bank.setEffect(1, "#BLEND", 3, 3, 1));
    EXPECT_EQ(bank.state(SurfaceId::Effect).shown, 0);
    EXPECT_EQ(bank.state(SurfaceId::Effect).x, 0);
    EXPECT_EQ(bank.state(SurfaceId::Effect).effectKind, 0);

    bank.loadEffect(Surface(4, 4), "ef.bmp", "m.bmp", 1, Surface(640, 479));
    EXPECT_EQ(bank.state(SurfaceId::Effect).maskMode, int32_t(EffectMaskMode::Screen));
    EXPECT_FALSE(bank.setEffect(1, "#BLEND", 3, 3, 1));
    EXPECT_EQ(reporter.messages, (std::vector<std::string>{"ARBITRARY", "FIXED"}));

    bank.loadEffect(Surface(4, 4), "ef.bmp", "m.bmp", 1, Surface(640, 480));
    EXPECT_TRUE(bank.setEffect(1, "#BLEND", 3, 3, 1));
}

// A mask picture open (black) only on the 2 x 2 square at (left, top).
Surface maskOpenAt(int w, int h, int left, int top) {
    Surface m(w, h, kWhite);
    m.fillRect({left, top, 2, 2}, 0);
    return m;
}

TEST_F(Scene, ScreenAlignedEffectMaskIsReadWhereTheEffectIsOnScreen) {
    bank.loadEffect(Surface(4, 4, 0x00E000), "ef.bmp", "m.bmp", 1, maskOpenAt(640, 480, 301, 201));
    ASSERT_TRUE(bank.setEffect(1, "#COPY", 300, 200, 1));
    compose();
    EXPECT_EQ(vram(301, 201), 0x00E000u);
    EXPECT_EQ(vram(302, 202), 0x00E000u);
    EXPECT_EQ(vram(300, 200), 0x0A0A0Au);
    EXPECT_EQ(vram(303, 203), 0x0A0A0Au);

    // Moved off the opening, the same mask closes it entirely.
    ASSERT_TRUE(bank.setEffect(1, "#COPY", 0, 0, 1));
    bank[SurfaceId::VirtualVram].fill(0x0A0A0A);
    compose();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(vram(x, y), 0x0A0A0Au) << x << "," << y;
}

TEST_F(Scene, PictureAlignedEffectMaskTravelsWithTheEffect) {
    bank.loadEffect(Surface(4, 4, 0x00E000), "ef.bmp", "m.bmp", 0, maskOpenAt(4, 4, 1, 1));
    ASSERT_TRUE(bank.setEffect(1, "#OR", 300, 200, 1));
    compose();
    EXPECT_EQ(vram(301, 201), 0x0AEA0Au);
    EXPECT_EQ(vram(302, 202), 0x0AEA0Au);
    EXPECT_EQ(vram(300, 200), 0x0A0A0Au);
    EXPECT_EQ(vram(303, 203), 0x0A0A0Au);
    // The picture was blackened under the mask's white.
    EXPECT_EQ(bank[SurfaceId::Effect].pixel(0, 0), 0u);
    EXPECT_EQ(bank[SurfaceId::Effect].pixel(1, 1), 0x00E000u);
}

TEST_F(Scene, EffectClearKeepsItsKindAndAnUnknownKeywordKeepsIt) {
    bank.loadEffect(Surface(4, 4), "ef.bmp", "#NONE", 0, std::nullopt);
    ASSERT_TRUE(bank.setEffect(1, "#XOR", 1, 2, 1));
    ASSERT_TRUE(bank.setEffect(1, "#SPARKLE", 1, 2, 1));
    EXPECT_EQ(bank.state(SurfaceId::Effect).effectKind, int32_t(EffectKind::Xor));
    ASSERT_TRUE(bank.setEffect(-1, "", 0, 0, 0));
    EXPECT_EQ(bank.state(SurfaceId::Effect).shown, 0);
    EXPECT_EQ(bank.state(SurfaceId::Effect).effectKind, int32_t(EffectKind::Xor));
    EXPECT_EQ(bank[SurfaceId::Effect].width(), 8);
}

TEST_F(Scene, DarkeningScalesEveryChannelUnlessSuppressed) {
    bank[SurfaceId::VirtualVram].fill(0x80FF40);
    darkness = {true, true, 64};
    compose();
    EXPECT_EQ(vram(0, 0), 0x80FF40u);
    darkness.suppressed = false;
    compose();
    EXPECT_EQ(vram(0, 0), 0x60BF30u);
    EXPECT_EQ(vram(639, 479), 0x60BF30u);
}

// Layer after layer over the whole picture, as composition is defined. The bank is
// only read, so the reference counts as no change to it.
void composeLayerByLayer(const SurfaceBank& bank, const Darkness& darkness, Surface& vram) {
    const SurfaceState& bg = bank.state(SurfaceId::Background);
    if (bg.shown == 1) vram.blit(bank[SurfaceId::Background], bg.x, bg.y, 0, 0, kSceneWidth, kSceneHeight);
    const SurfaceState& ef = bank.state(SurfaceId::Effect);
    auto effect = [&] {
        applyEffect(bank[SurfaceId::Effect], vram, bank[SurfaceId::EffectMask], ef.x, ef.y, ef.effectKind, ef.maskMode);
    };
    if (ef.shown == 1 && ef.order == 0) effect();
    for (int slot = 0; slot < kPersonSlots; ++slot) {
        const SurfaceState& s = bank.state(personSurface(slot));
        const Surface& p = bank[personSurface(slot)];
        if (s.shown != 1) continue;
        if (s.masked == 1)
            drawMasked(vram, p, bank[personMaskSurface(slot)], s.x, s.y, 0, 0, p.width(), p.height());
        else
            vram.blit(p, s.x, s.y);
    }
    if (ef.shown == 1 && (ef.order == 1 || ef.order == 2)) effect();
    if (darkness.on && !darkness.suppressed) darkenScene(vram, darkness.rate);
}

// Columns of long runs, then of every other pixel transparent: runs, and a part only
// the per-pixel rule can draw.
Surface finelyKeyed(int w, int h, uint32_t seed) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool key = x < w / 4 ? y % 3 == 0 : x < w / 2 ? false : (x + y) % 2 == 0;
            s.setPixel(x, y, key ? kKey : (uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u) ^ seed) | 0x3000000);
        }
    return s;
}

// Effects below and above a person drawn partly pixel by pixel, of every kind that
// combines whole pixels, darkened or not, come out as composing layer after layer does.
TEST_F(Scene, EffectsBelowAndAboveAFinelyMaskedPersonEqualTheLayerByLayerOnes) {
    bank.loadBackground(finelyKeyed(640, 480, 1), "bg.bmp");
    showPerson(1, finelyKeyed(200, 100, 2), "#FF00FF", 100, 50);
    bank.loadEffect(finelyKeyed(300, 120, 3), "ef.bmp", "#FF00FF", 0, std::nullopt);
    for (const int order : {0, 1})
        for (const char* kind : {"#COPY", "#OR", "#AND", "#XOR", "#BLEND", "#INCREASE", "#DECREASE"})
            for (const bool dark : {false, true}) {
                ASSERT_TRUE(bank.setEffect(1, kind, 41, 30, order));
                darkness = {dark, false, 100};
                Surface expected = std::as_const(bank)[SurfaceId::VirtualVram].clone();
                composeLayerByLayer(bank, darkness, expected);
                compose();
                EXPECT_TRUE(std::as_const(bank)[SurfaceId::VirtualVram] == expected) << order << kind << dark;
            }
}

// Random scenes changed step by step, every way a script or the engine changes one,
// including writes straight into VirtualVram and the pictures: each composition,
// whole or only of the rows that changed, must equal the layer-by-layer one.
TEST_F(Scene, EveryCompositionEqualsTheLayerByLayerOne) {
    std::mt19937 random(12345);
    auto next = [&random](uint32_t n) { return uint32_t(random() % n); };
    auto noise = [&](int w, int h, uint32_t key) {
        Surface s(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s.setPixel(x, y, next(4) == 0 ? key : next(0x1000000) | next(2) << 24);
        return s;
    };
    // Rows of long runs, of key, of solid and of noisy pixels, as drawn pictures have.
    auto blocks = [&](int w, int h, uint32_t key, uint32_t solid) {
        Surface s(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w;) {
                const uint32_t kind = next(3);
                for (const int end = std::min(w, x + 1 + int(next(60))); x < end; ++x)
                    s.setPixel(x, y, kind == 0 ? key : kind == 1 ? solid : next(0x1000000) | next(2) << 24);
            }
        return s;
    };
    auto picture = [&](int w, int h, uint32_t key) { return next(2) ? noise(w, h, key) : blocks(w, h, key, next(2)); };
    auto coord = [&](int range) { return std::to_string(int(next(uint32_t(range))) - range / 4); };
    const char* kinds[] = {"#COPY", "#OR", "#AND", "#XOR", "#BLEND", "#INCREASE", "#DECREASE"};
    int kept = 0, notKept = 0, restored = 0, hidden = 0, personRuns = 0, effectRuns = 0, darkEffect = 0;
    int piecewise = 0, layerByLayer = 0;
    for (int step = 0; step < 300; ++step) {
        switch (next(16)) {
            case 0:
                bank.loadBackground(noise(636 + int(next(40)), 476 + int(next(40)), 0), "bg.bmp");
                bank.state(SurfaceId::Background).x = -int32_t(next(8) == 0);
                bank.state(SurfaceId::Background).y = int32_t(next(8) == 0);
                break;
            case 1:
                showPerson(int(next(3)), picture(20 + int(next(300)), 10 + int(next(200)), kKey),
                           next(4) == 0 ? "#NONE" : "#FF00FF", 0, 0);
                break;
            case 2:
            case 3:
            case 4:
                bank.placePerson(int32_t(next(3)), int32_t(next(5)) - 1, coord(800), coord(600), evaluateNumber);
                break;
            case 5: {
                const int mode = int(next(3));
                std::optional<Surface> mask;
                if (mode == 2) mask = picture(640, 480, kWhite);
                bank.loadEffect(picture(50 + int(next(250)), 20 + int(next(200)), kKey), "ef.bmp",
                                mode == 0   ? "#NONE"
                                : mode == 1 ? "#FF00FF"
                                            : "m.bmp",
                                mode == 2 ? 1 : 0, std::move(mask));
                [[fallthrough]];
            }
            case 6:
                bank.setEffect(int32_t(next(3)) - 1, kinds[next(7)], int32_t(next(700)) - 50, int32_t(next(500)) - 50,
                               int32_t(next(4)));
                break;
            case 7:
                darkness = {next(4) != 0, next(4) == 0, int32_t(next(300)) - 20};
                break;
            case 8:
                bank[SurfaceId::VirtualVram].fillRect({int(next(640)), int(next(480)), 50, 50}, next(0x1000000));
                break;
            case 9:
                bank[personSurface(int(next(3)))].fill(next(0x1000000));
                break;
            case 10:
                bank[SurfaceId::VirtualVram] = noise(next(8) == 0 ? 660 : 640, 480, 0);
                break;
            case 11:
                bank[personMaskSurface(int(next(3)))].fillRect({int(next(300)), int(next(200)), 80, 60},
                                                               next(2) ? 0 : kWhite);
                break;
            case 14: {
                // A mask picture of its own, of any size: opaque, clear and between.
                const int w = 20 + int(next(300)), h = 10 + int(next(200));
                showPerson(int(next(3)), picture(w, h, 0), "m.bmp", int(next(400)), int(next(300)),
                           blocks(w - 8 + int(next(16)), h - 8 + int(next(16)), kWhite, 0));
                break;
            }
            case 15:
                bank[SurfaceId::EffectMask].fillRect({int(next(640)), int(next(480)), 90, 40}, next(2) ? 0 : kWhite);
                break;
            case 12:
            case 13:
                // An opaque person up to wider and taller than the screen, hiding what lies below.
                showPerson(int(next(3)), noise(200 + int(next(560)), 100 + int(next(460)), kKey), "#NONE",
                           int(next(120)) - 60, int(next(100)) - 50);
                break;
        }
        for (int slot = 0; slot < kPersonSlots; ++slot) {
            const SurfaceState& s = bank.state(personSurface(slot));
            hidden += s.shown == 1 && s.masked != 1 && bank[personSurface(slot)].height() >= 100;
        }
        Surface expected = std::as_const(bank)[SurfaceId::VirtualVram].clone();
        composeLayerByLayer(bank, darkness, expected);
        compose();
        ASSERT_TRUE(std::as_const(bank)[SurfaceId::VirtualVram] == expected) << "step " << step;
        (bank.composed.holds() ? kept : notKept)++;
        restored += bank.composed.restoring();
        const SurfaceState& effect = bank.state(SurfaceId::Effect);
        const bool effectLast = effect.shown == 1 && (effect.order == 1 || effect.order == 2);
        const bool plainDark = darkness.rate >= 0 && darkness.rate <= 256;
        darkEffect += effectLast && darkness.on && !darkness.suppressed && plainDark;
        // Piece by piece, or layer by layer for what pieces cannot say.
        const bool byPieces = (!darkness.on || darkness.suppressed || plainDark) &&
                              std::as_const(bank)[SurfaceId::VirtualVram].width() == kSceneWidth;
        (byPieces ? piecewise : layerByLayer)++;
        const auto hasRuns = [](const MaskRuns& runs, int rows, MaskRuns::Kind kind) {
            for (int y = 0; y < rows; ++y)
                for (const MaskRuns::Run& run : runs.row(y))
                    if (run.kind == kind) return true;
            return false;
        };
        for (int slot = 0; slot < kPersonSlots; ++slot) {
            const SurfaceState& s = bank.state(personSurface(slot));
            const int rows = std::as_const(bank)[personSurface(slot)].height();
            personRuns += s.shown == 1 && s.masked == 1 &&
                          hasRuns(bank.personRuns[std::size_t(slot)], rows, MaskRuns::Kind::Opaque);
        }
        const SurfaceState& ef = bank.state(SurfaceId::Effect);
        effectRuns += ef.shown == 1 && ef.maskMode != 0 && hasRuns(bank.effectRuns, 480, MaskRuns::Kind::Black);
    }
    // Every way was taken: from the kept scene, copied back after VirtualVram was
    // drawn on or not, and straight into VirtualVram.
    EXPECT_GT(kept, 30);
    EXPECT_GT(restored, 8);
    EXPECT_GT(notKept, 10);
    // The effect after the persons was darkened in the same pass often enough.
    EXPECT_GT(darkEffect, 20);
    // Opaque persons hid others and the background often enough.
    EXPECT_GT(hidden, 60);
    // Masked persons and effects were drawn by their runs often enough.
    EXPECT_GT(personRuns, 60);
    EXPECT_GT(effectRuns, 30);
    EXPECT_GT(piecewise, 100);
    EXPECT_GT(layerByLayer, 30);
}

TEST(DarkenScene, RatesAtAndBeyondTheEnds) {
    Surface s(2, 1, 0xFF80FF01);
    darkenScene(s, 0);
    EXPECT_EQ(s.pixel(0, 0), 0x80FF01u);  // unchanged, top byte cleared
    darkenScene(s, 256);
    EXPECT_EQ(s.pixel(1, 0), 0u);
    Surface wrap(1, 1, 0x808080);
    darkenScene(wrap, -256);  // 512 / 256 doubles, and 0x100 wraps to 0
    EXPECT_EQ(wrap.pixel(0, 0), 0u);
}

TEST_F(Scene, PresentationLaysTextOverTheSceneUnlessAskedNot) {
    bank.loadBackground(Surface(640, 480, 0x222222), "bg.bmp");
    bank[SurfaceId::Text].setPixel(3, 3, 0xFFFF00);
    bank[SurfaceId::TextMask].setPixel(3, 3, 0);
    presentScene(bank, window, darkness, true, true);
    EXPECT_EQ(window.pixel(3, 3), 0x222222u);
    EXPECT_TRUE(bank.sceneDirty);
    presentScene(bank, window, darkness, false, false);
    EXPECT_EQ(window.pixel(3, 3), 0x222222u);
    EXPECT_TRUE(bank.sceneDirty);
    presentScene(bank, window, darkness, false, true);
    EXPECT_EQ(window.pixel(3, 3), 0xFFFF00u);
    EXPECT_EQ(window.pixel(4, 3), 0x222222u);
    EXPECT_FALSE(bank.sceneDirty);
    EXPECT_EQ(vram(3, 3), 0x222222u);  // the text never enters the composed scene
}

// A 2 x 1 sheet of 2 x 2 cells, cell 0 red, cell 1 blue, each with one key pixel.
class Sprites : public Scene {
protected:
    Sprites() {
        Surface sheet(4, 2, 0xFF0000);
        sheet.fillRect({2, 0, 2, 2}, 0x0000FF);
        sheet.setPixel(1, 1, kKey);
        sheet.setPixel(3, 1, kKey);
        bank.loadSpriteSheet(std::move(sheet), "spr.bmp", 2, 2, "#FF00FF", std::nullopt);
        bank.loadBackground(Surface(640, 480, 0x222222), "bg.bmp");
        presentScene(bank, window, darkness, false, true);
    }
};

TEST_F(Sprites, MaskedSpriteDrawsOverTheWindowNotTheScene) {
    putSprite(bank, 0, 10, 20, window);
    EXPECT_EQ(window.pixel(10, 20), 0xFF0000u);
    EXPECT_EQ(window.pixel(11, 21), 0x222222u);  // key pixel
    EXPECT_EQ(vram(10, 20), 0x222222u);
    bank.setSpriteCell(0, 1, 0);
    drawAllSprites(bank, window);
    EXPECT_EQ(window.pixel(10, 20), 0x0000FFu);
}

TEST_F(Sprites, MovingASpriteOverTextErasesTheTextInItsOldCell) {
    bank[SurfaceId::Text].fill(0x00FF00);
    bank[SurfaceId::TextMask].fill(0);
    presentScene(bank, window, darkness, false, true);
    putSprite(bank, 0, 10, 10, window);
    putSprite(bank, 0, 100, 100, window);
    EXPECT_EQ(window.pixel(10, 10), 0x222222u);  // restored from the scene: no text
    EXPECT_EQ(window.pixel(12, 10), 0x00FF00u);  // outside the old cell
    hideSprite(bank, 0, window);
    EXPECT_EQ(window.pixel(100, 100), 0x222222u);
    EXPECT_EQ(bank.sprites[0].visible, 0);
    EXPECT_GE(bank.sprites[0].x, kSpriteNotDrawn);
}

TEST_F(Sprites, HigherSlotsDrawOnTopAndHidingRepairsTheOthers) {
    bank.setSpriteCell(1, 1, 0);
    putSprite(bank, 0, 10, 10, window);
    putSprite(bank, 1, 10, 10, window);
    EXPECT_EQ(window.pixel(10, 10), 0x0000FFu);
    hideSprite(bank, 1, window);
    EXPECT_EQ(window.pixel(10, 10), 0xFF0000u);
    hideAllSprites(bank, window);
    EXPECT_EQ(window.pixel(10, 10), 0x222222u);
}

TEST_F(Sprites, AnimationAdvancesTheColumnPerPut) {
    bank.setSpriteAnimation(0, -1);
    for (const int expected : {1, 0, 1, 0}) {
        putSprite(bank, 0, 0, 0, window);
        EXPECT_EQ(bank.sprites[0].column, expected);
        EXPECT_EQ(bank.sprites[0].animationCount, -1);
    }
    bank.setSpriteAnimation(2, 3);
    for (const int expected : {1, 0, 1, 1, 1}) {
        putSprite(bank, 2, 0, 0, window);
        EXPECT_EQ(bank.sprites[2].column, expected);
    }
    EXPECT_EQ(bank.sprites[2].animationCount, 0);
    bank.setSpriteAnimation(3, INT32_MIN);
    putSprite(bank, 3, 0, 0, window);
    EXPECT_EQ(bank.sprites[3].animationCount, -1);
}

TEST_F(Sprites, ReloadingTheSheetMarksEverySpriteNotDrawn) {
    putSprite(bank, 0, 10, 10, window);
    bank.loadSpriteSheet(Surface(4, 2, 0x00FF00), "other.bmp", 2, 2, "#NONE", std::nullopt);
    EXPECT_EQ(window.pixel(10, 10), 0xFF0000u);  // stays until the next presentation
    presentScene(bank, window, darkness, false, true);
    EXPECT_EQ(window.pixel(10, 10), 0x222222u);  // drawn far outside the window
}

TEST_F(Sprites, OutOfRangeSlotsAndCellsDoNothing) {
    const Surface before = window.clone();
    putSprite(bank, 32, 0, 0, window);
    putSprite(bank, -1, 0, 0, window);
    hideSprite(bank, 99, window);
    drawSprite(bank, INT32_MIN, window);
    bank.setSpriteAnimation(32, 5);
    bank.setSpriteCell(0, 2, 0);
    bank.setSpriteCell(0, 0, 1);
    bank.setSpriteCell(0, -1, 0);
    EXPECT_TRUE(window == before);
    EXPECT_EQ(bank.sprites[0].column, 0);
    EXPECT_EQ(bank.sprites[0].row, 0);
}

TEST_F(Sprites, ZeroOrNegativeCellsDrawNothing) {
    for (const auto& [cw, ch] : {std::pair{0, 2}, {2, 0}, {-2, -2}}) {
        bank.loadSpriteSheet(Surface(4, 2, 0x00FF00), "s.bmp", cw, ch, "#NONE", std::nullopt);
        EXPECT_TRUE(bank.sheet.columns == 0 || bank.sheet.rows == 0);
        EXPECT_EQ(bank.sheet.valid, 1);  // a good sheet was loaded before
        bank.setSpriteAnimation(0, -1);
        presentScene(bank, window, darkness, false, true);
        const Surface before = window.clone();
        putSprite(bank, 0, 5, 5, window);
        hideSprite(bank, 0, window);
        EXPECT_TRUE(window == before);
    }
}

TEST_F(Sprites, HugeCoordinatesAndCellsStayClipped) {
    bank.loadSpriteSheet(Surface(4, 2, 0x00FF00), "s.bmp", INT32_MAX, 2, "#NONE", std::nullopt);
    bank.sprites[0].column = INT32_MAX;
    putSprite(bank, 0, INT32_MIN, INT32_MAX, window);
    putSprite(bank, 0, INT32_MAX, INT32_MIN, window);
    hideSprite(bank, 0, window);
    SUCCEED();
}

}  // namespace
}  // namespace qvl
