#include "text/inline_codes.h"
#include "text/text_measure.h"
#include "base/fault.h"
#include "fake_text_host.h"

#include <gtest/gtest.h>

#include <climits>

namespace qvl::testing {
namespace {

class InlineCodesTest : public ::testing::Test {
protected:
    FakeTextHost host;
    TextWindowState& t = host.state;
};

TEST_F(InlineCodesTest, SizeCodeKeepsTheLineBottom) {
    host.show(kA + "<S3>%");
    EXPECT_EQ(t.cursorY, -12);
    EXPECT_EQ(t.cellWidth, 36);
    EXPECT_EQ(t.bottomLimit, 480 - 52 - 1);
    EXPECT_EQ(t.rightLimit, 604);
    // At the line start nothing moves; out of range is size 2.
    t.cursorX = 0;
    t.cursorY = 0;
    host.show("<S99>%");
    EXPECT_EQ(t.cursorY, 0);
    EXPECT_EQ(t.sizeIndex, 2);
    EXPECT_EQ(t.bottomLimit, 439);
}

TEST_F(InlineCodesTest, SequenceAppliesCodesLeftToRight) {
    host.show("<S1X100Y50M-4N2C#FF8000B#000010D0E1>%");
    EXPECT_EQ(t.cellWidth, 12);
    EXPECT_EQ(t.cursorX, 96);
    EXPECT_EQ(t.cursorY, 52);
    EXPECT_EQ(t.textColour, 0x0080FFu);  // red-low
    EXPECT_EQ(t.shadowColour, 0x100000u);
    EXPECT_FALSE(t.shadowOn);
    EXPECT_EQ(t.outlineMode, 1);
    // Limits measure from the left edge set before them; 0 restores the default.
    host.show("<L2I5R100U300F9>%");
    EXPECT_EQ(t.cursorX, 24);
    EXPECT_EQ(t.rightLimit, 105);
    EXPECT_EQ(t.bottomLimit, 300);
    EXPECT_EQ(t.fontIndex, 0);
    host.show("<R0U0>%");
    EXPECT_EQ(t.rightLimit, 5 + 628);
    EXPECT_EQ(t.bottomLimit, 452);
}

TEST_F(InlineCodesTest, BaselineCodeWithZeroLeavesCursor) {
    t.cursorY = 100;
    host.show("<T0>%");
    EXPECT_EQ(t.cursorY, 100);
    host.show("<T3>%");
    EXPECT_EQ(t.cursorY, 112);
    host.show("<T-3>%");
    EXPECT_EQ(t.cursorY, 100);
}

TEST_F(InlineCodesTest, ColouredTextUsesPixelOrder) {
    host.show("<C#FF0000D0>" + kA + "%");
    EXPECT_GT(FakeTextHost::inkIn(host.text, {0, 16, 24, 24}), 0);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_TRUE(host.text.pixel(x, y) == 0 || host.text.pixel(x, y) == 0xFF0000);
}

TEST_F(InlineCodesTest, TimedWaitCutShortOnlyWhenPositive) {
    host.timedClicks = {1100};
    host.show("<Q500>%");
    // Cut short at the click; then the sequence's and the '%' character delays.
    EXPECT_EQ(host.clock, 1102u);
    EXPECT_EQ(host.delays, (std::vector<int32_t>{1, 1}));

    host.delays.clear();
    t.charDelay = 0;
    host.timedClicks = {host.clock + 100};
    const uint32_t before = host.clock;
    host.show("<Q-500>%");
    EXPECT_EQ(host.delays, (std::vector<int32_t>{500}));
    EXPECT_FALSE(host.clicksAcceptedInDelay);
    EXPECT_TRUE(host.clicksAccepted);
    EXPECT_GE(host.clock - before, 500u);
    EXPECT_FALSE(host.clickPending || host.mouseWentDown || host.mouseWentUp);
}

TEST_F(InlineCodesTest, MissingDigitsAreFaults) {
    EXPECT_THROW(host.show("<S>"), Fault);
    EXPECT_THROW(host.show("<X"), Fault);
    EXPECT_THROW(host.show("<Q-x>"), Fault);
    // Unclosed sequences eat the rest of the line; huge numbers saturate.
    host.show("<X99999999999999999999Y-5" + kA + "%", 1);
    EXPECT_EQ(t.cursorY, 35);
}

TEST_F(InlineCodesTest, WavesAndPicturesTakeQuotedNames) {
    // After a quoted name the rest up to ',' or '>' is dropped.
    host.show("<V\"%DATA_DRIVE%a.wav\"xx,O\"b.wav\"F1>%");
    EXPECT_EQ(t.fontIndex, 0);
    EXPECT_EQ(host.waves, (std::vector<std::string>{"D:\\a.wav!", "b.wav"}));
    host.show("<O>%");
    EXPECT_EQ(host.waves.back(), "");
    // Skipping read text plays nothing.
    host.skipReadMode = true;
    host.marks.assign(1, 1);
    host.currentTextId = 0;
    host.show("<V\"c.wav\">%");
    EXPECT_EQ(host.waves.size(), 3u);

    Surface pic(10, 6, 0x00FF00);
    pic.fillRect({2, 2, 4, 2}, 0x0000FF);
    host.picture = std::move(pic);
    t.cursorX = 24;
    host.show("<A\"p.bmp\">%");
    EXPECT_EQ(host.loaded.back(), "p.bmp");
    EXPECT_EQ(t.cursorX, 34);
    EXPECT_EQ(host.text.pixel(26, 2), 0x0000FFu);
    EXPECT_EQ(host.text.pixel(24, 0), 0u);  // the corner colour is transparent
    EXPECT_EQ(host.mask.pixel(26, 2), 0u);
    EXPECT_EQ(host.image.pixel(26, 2), 0x0000FFu);
    EXPECT_EQ(host.image.pixel(24, 0), 0x204060u);
}

TEST_F(InlineCodesTest, TextImageCommandIsOpaqueByDefault) {
    host.picture = Surface(8, 8, 0x00FF00);
    host.window.textImage(100, std::nullopt, "q.bmp", "");
    EXPECT_EQ(host.text.pixel(100, 0), 0x00FF00u);
    EXPECT_EQ(host.mask.pixel(107, 7), 0u);
    EXPECT_EQ(host.image.pixel(100, 0), 0x00FF00u);
    EXPECT_EQ(t.cursorX, 0);
    host.picture.reset();
    host.window.textImage(0, 0, "missing.bmp", "");
}

TEST_F(InlineCodesTest, RubyIsCentredOverItsBase) {
    host.show("(" + kA + kA + "," + kA + ")%");
    EXPECT_EQ(t.cursorX, 48);
    EXPECT_EQ(host.log, kA + kA);  // the reading stays out of the log
    // The reading sits in the band above, centred over two cells.
    int x0 = 640, x1 = -1;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 60; ++x)
            if (host.text.pixel(x, y) == 0xFFFFFF) x0 = std::min(x0, x), x1 = std::max(x1, x);
    ASSERT_GE(x1, 0);
    EXPECT_NEAR((x0 + x1) / 2.0, 24.0, 3.0);
    EXPECT_GT(FakeTextHost::inkIn(host.text, {0, 16, 48, 28}), 0);
}

TEST_F(InlineCodesTest, EmptyRubyDrawsNothing) {
    host.show("(" + kA + kA + ",)" + "(,x)" + "(" + kA + ")%");
    EXPECT_EQ(t.cursorX, 0);
    EXPECT_EQ(FakeTextHost::inkIn(host.text, host.text.bounds()), 0);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(InlineCodesTest, EmbeddedValuesArePaddedToWidth) {
    host.show("[$flg[3],-4]%");
    EXPECT_EQ(host.log, "   7");
    host.log.clear();
    host.show("[$flg[3],4]%");
    EXPECT_EQ(host.log, "7   ");
    host.log.clear();
    host.show("[ $flg[3] ]%");
    EXPECT_EQ(host.log, "7");
    host.log.clear();
    host.show("[@flg[1],2]%[,5]%");
    EXPECT_EQ(host.log, "<@");
    EXPECT_FALSE(host.saveSuppressed);
}

TEST(InlineCodeReaders, NumbersColoursTokensWidths) {
    std::size_t p = 2;
    EXPECT_EQ(inline_codes::readNumber("S+12>", p), 12);
    EXPECT_EQ(p, 5u);
    p = 1;
    EXPECT_EQ(inline_codes::readColour("#00ff80x", p), 0x80FF00u);
    EXPECT_EQ(p, 8u);
    p = 1;
    EXPECT_EQ(inline_codes::readColour("#00fg80", p), 0xFFFFFFu);
    p = 1;
    EXPECT_EQ(inline_codes::readColour("#0", p), 0xFFFFFFu);
    EXPECT_EQ(p, 3u);

    auto token = inline_codes::readToken("\"a b\"junk>rest", 1, '>');
    EXPECT_EQ(token.text, "a b");
    EXPECT_EQ(token.ended, '>');
    EXPECT_EQ(token.next, 11u);
    token = inline_codes::readToken(" x y ,z", 1, ')');
    EXPECT_EQ(token.text, "xy");
    EXPECT_EQ(token.ended, ',');
    // A trail byte that looks like a delimiter does not end the token.
    token = inline_codes::readToken("\x83\x29)", 1, ')');
    EXPECT_EQ(token.text, "\x83\x29");

    EXPECT_EQ(inline_codes::fitToWidth("12345", -3), "345");
    EXPECT_EQ(inline_codes::fitToWidth("12345", 3), "123");
    EXPECT_EQ(inline_codes::fitToWidth("1", INT32_MIN).size(), std::size_t(inline_codes::kMaxWidth));
}

// The measuring pass reads the codes as the window does and lays the line out
// without drawing: where the window's cursor goes, its cells go.
TEST_F(InlineCodesTest, MeasureFollowsTheWindowsLayout) {
    host.show("<S3X620>%");
    MeasureLayout layout;
    LineMeasure m = TextMeasure(layout).measureLine("<S3X620>a<A\"pic.bmp\"><V snd.wav>");
    EXPECT_EQ(layout.cellWidth, t.cellWidth);
    EXPECT_EQ(layout.rightLimit, t.rightLimit);
    EXPECT_EQ(m.outside, LineMeasure::Outside::Right);
    EXPECT_EQ(m.pixels, int64_t(t.cursorX) + t.cellWidth - 640);
    EXPECT_EQ(m.pictures, std::vector<std::string>{"pic.bmp"});
    EXPECT_EQ(m.sounds, std::vector<std::string>{"snd.wav"});

    // A code without its number ends the run, and the measure with it.
    m = TextMeasure(layout).measureLine("<X-30>a<Q>b<A x.bmp>");
    EXPECT_EQ(m.outside, LineMeasure::Outside::Left);
    EXPECT_EQ(m.pixels, 30);
    EXPECT_EQ(m.codeWithoutNumber, 'Q');
    EXPECT_TRUE(m.pictures.empty());
    EXPECT_THROW(host.show("<Q>%"), Fault);
}

}  // namespace
}  // namespace qvl::testing
