#include "fake_text_host.h"

#include <gtest/gtest.h>

#include <climits>

namespace qvl::testing {
namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

class TextWindowTest : public ::testing::Test {
protected:
    FakeTextHost host;
    TextWindowState& t = host.state;
};

TEST_F(TextWindowTest, TwentySeventhFullWidthCharacterStartsTheNextLine) {
    host.show(repeat(kA, 27), 1);
    // Wrapped after 26, one character on the second line, then the line feed.
    EXPECT_EQ(t.cursorX, 0);
    EXPECT_EQ(t.cursorY, 80);
    EXPECT_EQ(host.log, repeat(kA, 26) + "\n" + kA + "\n");
    ASSERT_EQ(host.waits.size(), 1u);
    EXPECT_EQ(host.waits[0].cursorX, 24);
    EXPECT_EQ(host.waits[0].cursorY, 40);
    // The 27th glyph sits in the first cell of line 2 (its band starts at 40 + 16).
    EXPECT_GT(FakeTextHost::inkIn(host.text, {0, 56, 24, 24}), 0);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, {26, 56, 614, 30}), 0);
    EXPECT_GT(FakeTextHost::inkIn(host.text, {600, 16, 26, 26}), 0);
}

TEST_F(TextWindowTest, EleventhLineEndsWithPageWaitAndClearedPage) {
    host.tickIconDuringWaits = true;
    for (int i = 0; i < 11; ++i) host.show(kA, 1);
    ASSERT_EQ(host.waits.size(), 11u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host.waits[std::size_t(i)].row, 0) << i;
    EXPECT_EQ(host.waits[10].row, 1);
    EXPECT_EQ(host.waits[10].cursorY, 400);
    EXPECT_EQ(t.cursorX, 0);
    EXPECT_EQ(t.cursorY, 0);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, host.text.bounds()), 0);
    EXPECT_EQ(FakeTextHost::inkIn(host.mask, host.mask.bounds(), 0xFFFFFF), 0);
    // The window shows the bare scene again and a new page begins with a snapshot.
    EXPECT_TRUE(host.image == host.scene);
    EXPECT_EQ(host.logPages, 1);
    EXPECT_EQ(host.snapshots, 1);
    EXPECT_EQ(host.iconTimers, 0);
    EXPECT_FALSE(host.menuItems);
}

TEST_F(TextWindowTest, TextReachesWindowThroughMaskWithShadow) {
    host.show(kA + "%");
    // Drawn only in its square; the drop shadow is black, the letter white.
    int white = 0, black = 0;
    for (int y = 16; y < 43; ++y)
        for (int x = 0; x < 27; ++x) {
            white += host.image.pixel(x, y) == 0xFFFFFF;
            black += host.image.pixel(x, y) == 0;
        }
    EXPECT_GT(white, 20);
    EXPECT_GT(black, 20);
    EXPECT_EQ(FakeTextHost::inkIn(host.image, {30, 0, 610, 480}, 0x204060), 0);
    // The mask covers every letter pixel, and the black shadow besides.
    int masked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x) {
            if (host.text.pixel(x, y) != 0) {
                EXPECT_EQ(host.mask.pixel(x, y), 0u) << x << "," << y;
            }
            masked += host.mask.pixel(x, y) == 0;
        }
    EXPECT_EQ(masked, FakeTextHost::inkIn(host.mask, host.mask.bounds(), 0xFFFFFF));
}

TEST_F(TextWindowTest, LineEndCodes) {
    // '%' joins the next line without a wait.
    host.show(kA + "%");
    host.show(kA, 1);
    ASSERT_EQ(host.waits.size(), 1u);
    EXPECT_EQ(host.waits[0].cursorX, 48);
    EXPECT_EQ(t.cursorY, 40);

    // '.' waits mid-line and the rest starts a new line.
    host.waits.clear();
    host.show(kA + "." + kA, 2);
    ASSERT_EQ(host.waits.size(), 2u);
    EXPECT_EQ(host.waits[0].cursorX, 24);
    EXPECT_EQ(host.waits[0].cursorY, 40);
    EXPECT_EQ(host.waits[1].cursorY, 80);
    EXPECT_EQ(t.cursorY, 120);

    // '|' breaks without waiting; '^' waits without breaking, also at the end.
    host.show(kA + "|" + kA + "^", 1);
    EXPECT_EQ(t.cursorY, 160);
    EXPECT_EQ(t.cursorX, 24);
    host.show(kA + "^" + kA + "%", 1);
    EXPECT_EQ(t.cursorX, 72);

    // '&' ends the page.
    host.show(kA + "&", 1);
    EXPECT_EQ(host.waits.back().row, 1);
    EXPECT_EQ(t.cursorY, 0);
}

TEST_F(TextWindowTest, SlashCentresTheRest) {
    host.show("/" + repeat(kA, 4) + "%");
    // 9 bytes after the slash less one: (640 - 8 * 24 / 2) / 2 = 272, plus four cells.
    EXPECT_EQ(t.cursorX, 272 + 96);
}

TEST_F(TextWindowTest, PageModeDropsLineWaitsButNotPageWaits) {
    host.pageMode = true;
    for (int i = 0; i < 10; ++i) host.show(kA);
    EXPECT_EQ(host.waits.size(), 0u);
    host.show(kA, 1);
    ASSERT_EQ(host.waits.size(), 1u);
    EXPECT_EQ(host.waits[0].row, 1);
}

TEST_F(TextWindowTest, DelaysFollowTheSettings) {
    // Codes take their delay too.
    host.show(kA + kA + "%");
    EXPECT_EQ(host.delays, (std::vector<int32_t>{1, 1, 1}));
    host.delays.clear();
    host.highSpeed = true;
    host.show(kA + "%");
    EXPECT_TRUE(host.delays.empty());
    // A negative delay holds even at high speed.
    t.charDelay = -30;
    host.show(kA + "%");
    EXPECT_EQ(host.delays, (std::vector<int32_t>{30, 30}));
}

TEST_F(TextWindowTest, SkippingRunsThroughReadLinesAndStopsAtFirstUnread) {
    host.marks.assign(2, 0);
    host.marks[0] = 0b011;  // lines 0 and 1 read
    host.skipReadMode = true;
    host.currentTextId = 0;
    host.show(kA + kA);
    host.currentTextId = 1;
    host.show(kA);
    EXPECT_TRUE(host.waits.empty());
    EXPECT_TRUE(host.delays.empty());
    EXPECT_TRUE(host.skipReadMode);
    host.currentTextId = 2;
    host.show(kA, 1);
    EXPECT_FALSE(host.skipReadMode);
    EXPECT_EQ(host.delays.size(), 1u);
    EXPECT_EQ(host.marks[0], 0b111);
    // Out-of-range ids neither skip nor mark.
    host.skipReadMode = true;
    host.currentTextId = 16;
    host.show(kA, 1);
    EXPECT_FALSE(host.skipReadMode);
    EXPECT_EQ(host.marks[1], 0);
}

TEST_F(TextWindowTest, PendingActionEndsClickWait) {
    host.pendingAction = 1;
    host.show(kA);  // no click given
    EXPECT_TRUE(host.waits.empty());
}

TEST_F(TextWindowTest, ResumeRecordsPositionInLine) {
    host.show(kA + "a%");
    EXPECT_EQ(host.interp.ProgTextPos, 5);
    EXPECT_EQ(host.interp.ProgMultiStateFlag, 2);
    host.window.textClear();
    EXPECT_EQ(host.interp.ProgMultiStateFlag, 0);
}

TEST_F(TextWindowTest, AResumedLineStartsAtTheCharacterOrCodeHoldingThePosition) {
    // A, ruby over AA, a value, a colour code, b: bytes 1-2, 3-10, 11-15, 16-25, 26.
    const std::string line = kA + "(" + kA + kA + ",x)[1,2]<C#FF0000>b";
    struct Case {
        int32_t start;
        std::string log;
    };
    for (const Case& c : {Case{2, kA + kA + kA + "1 b"}, Case{5, kA + kA + "1 b"}, Case{12, "1 b"}, Case{20, "b"},
                          Case{26, "b"}}) {
        host.log.clear();
        host.clicks = 1;
        host.window.showTextLine(line, c.start);
        EXPECT_EQ(host.log, c.log + "\n") << c.start;
        host.window.textClear();
    }
}

TEST_F(TextWindowTest, UnpagedTextWrapsWithoutCodesAndSuppressesSaving) {
    host.window.showUnpagedText(repeat(kA, 27) + ".|%");
    EXPECT_TRUE(host.waits.empty());
    EXPECT_EQ(t.cursorY, 40);
    EXPECT_EQ(t.cursorX, 4 * 24);
    EXPECT_FALSE(host.saveSuppressed);
    // A page end inside unpaged text takes no snapshot.
    t.cursorY = 400;
    host.clicks = 1;
    host.window.showUnpagedText(repeat(kA, 26));
    EXPECT_EQ(host.waits.size(), 1u);
    EXPECT_EQ(host.snapshots, 0);
}

TEST_F(TextWindowTest, TextRectErasesOneSquare) {
    host.text.fill(0xFFFFFF);
    host.mask.fill(0);
    host.window.textRect(0, 0, 23, 23);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, host.text.bounds(), 0xFFFFFF), 24 * 24);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, {0, 0, 24, 24}, 0xFFFFFF), 24 * 24);
    EXPECT_EQ(FakeTextHost::inkIn(host.mask, host.mask.bounds(), 0), 24 * 24);
}

TEST_F(TextWindowTest, OriginMovesTheWholeTextArea) {
    host.window.textOffset(10, 20);
    host.window.textCur(2, std::nullopt);
    host.show(kA + "%");
    EXPECT_GT(FakeTextHost::inkIn(host.text, {58, 36, 27, 27}), 0);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, {0, 0, 56, 544}), 0);
}

TEST_F(TextWindowTest, HostileCursorValuesWrapInsteadOfOverflowing) {
    host.picture = Surface(4, 4, 0x00FF00);
    host.window.textLoc(INT32_MAX - 5, INT32_MAX - 5);
    host.window.textOffset(INT32_MAX, INT32_MIN);
    host.show(kA + "<M2147483647N-2147483647J99999K-99999T-26>%");
    host.window.textCurTo(INT32_MAX, INT32_MIN);
    host.window.textLocTo(INT32_MAX, INT32_MAX);
    host.window.textCur(INT32_MIN, INT32_MAX);
    host.window.textImage(std::nullopt, std::nullopt, "p.bmp", "");
    host.window.textRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    host.window.textRect(700, 600, 600, 500);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, host.text.bounds()), 0);
    host.show("(" + kA + "," + kA + ")<A\"p.bmp\">%");
    (void)t.column();
    (void)t.row();
}

TEST_F(TextWindowTest, BrokenBytesAndSymbolFontsDrawOneCellEach) {
    host.show(std::string("a\0\x82", 3), 1);
    EXPECT_EQ(host.log, std::string("a\0\x82\n", 4));
    // In the symbol fonts the two bytes of あ are two characters.
    host.show("<F4>" + kA + "%");
    EXPECT_EQ(t.cursorX, 48);
}

TEST_F(TextWindowTest, ResetKeepsEdgeOriginFontAndDelay) {
    host.show("<S3I10C#FF0000D0E1P0F5W7>%");
    t.originX = 5;
    host.window.resetTextWindow();
    EXPECT_EQ(t.cellWidth, 24);
    EXPECT_EQ(t.bottomLimit, 440);
    EXPECT_EQ(t.cursorX, 10);
    EXPECT_EQ(t.textColour, 0xFFFFFFu);
    EXPECT_TRUE(t.shadowOn && t.textVisible);
    EXPECT_EQ(t.outlineMode, 0);
    EXPECT_EQ(t.fontIndex, 5);
    EXPECT_EQ(t.charDelay, 7);
    EXPECT_EQ(t.originX, 5);
    EXPECT_EQ(host.scenePresents, 1);
}

TEST_F(TextWindowTest, WaitIconAnimatesAndRestoresScene) {
    host.window.setIconSheet(Surface(256, 64, 0x00FF00));
    host.tickIconDuringWaits = true;
    t.cursorY = 400;
    host.show(kA, 1);
    // Drawn at the start and once by the timer.
    EXPECT_EQ(host.window.waitIcon().frame(), 2);
    EXPECT_TRUE(host.image == host.scene);

    EXPECT_EQ(WaitIcon::place(100, 50).x, 100);
    const Rect corner = WaitIcon::place(608, 0);
    EXPECT_EQ(corner.x, 608);
    EXPECT_EQ(corner.y, 448);
}

TEST(WaitIcon, FrameDrawnThroughMaskAndRemoved) {
    Surface sheet(256, 64, 0x00FF00);
    sheet.fillRect({4, 4, 8, 8}, 0xFF0000);
    WaitIcon icon;
    icon.setSheet(std::move(sheet));
    Surface window(640, 480, 0x123456), scene(640, 480, 0x123456);
    ASSERT_TRUE(icon.start(WaitIcon::place(100, 100), 0));
    EXPECT_FALSE(icon.start(WaitIcon::place(0, 0), 1));
    icon.drawFrame(window, scene);
    EXPECT_EQ(window.pixel(106, 106), 0xFF0000u);
    EXPECT_EQ(window.pixel(100, 100), 0x123456u);
    EXPECT_EQ(FakeTextHost::inkIn(window, window.bounds(), 0x123456), 64);
    EXPECT_TRUE(icon.stop(window, scene));
    EXPECT_TRUE(window == scene);
    EXPECT_FALSE(icon.stop(window, scene));
}

}  // namespace
}  // namespace qvl::testing
