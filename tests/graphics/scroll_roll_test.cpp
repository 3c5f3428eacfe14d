#include "graphics/scroll_roll.h"

#include "base/fault.h"
#include "fake_effect_host.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

constexpr uint32_t kFill = 0x0000C0;

struct ScrollRoll : ::testing::Test {
    void roll(int32_t mode, const std::vector<std::string>& lines, bool skippable = false) {
        scrollRoll(host, ScrollSettings{30, kFill, 10, skippable, mode}, lines);
    }
    FakeEffectHost host;
};

TEST_F(ScrollRoll, ColourAndGapTextsThatAreNotNumbersFault) {
    EXPECT_EQ(scrollColour("#ff8000"), 0xFF8000u);
    EXPECT_EQ(scrollColour("$00000A99"), 0x00000Au);
    EXPECT_THROW(scrollColour("#12G456"), Fault);
    EXPECT_THROW(scrollColour("#"), Fault);
    EXPECT_THROW(roll(0, {"|4x"}), Fault);
}

TEST_F(ScrollRoll, OtherModesReadTheLinesAndDrawNothing) {
    host.pictures["a.bmp"] = numberedPicture(10, 10);
    roll(2, {"a.bmp", "|45", "@a.bmp"});
    EXPECT_TRUE(host.shown.empty());
    EXPECT_TRUE(host.loads.empty());
    EXPECT_EQ(host.screen, Surface(640, 480, kScreen));
}

TEST_F(ScrollRoll, UpTakesOneStepMoreThanThePictureAndFillsBelowIt) {
    host.pictures["p.bmp"] = numberedPicture(200, 100);
    roll(0, {"", "p.bmp"});
    EXPECT_EQ(host.shown.size(), 11u);
    EXPECT_EQ(host.clock, 5000u + 11 * 30);
    EXPECT_EQ(host.screen.pixel(220, 370), at(0, 0));  // x = (640 - 200) / 2, 110 pixels up
    EXPECT_EQ(host.screen.pixel(419, 469), at(199, 99));
    EXPECT_EQ(host.screen.pixel(220, 470), kFill);  // the last step's rows lie below the picture
    EXPECT_EQ(host.screen.pixel(219, 400), kFill);
    EXPECT_EQ(host.screen.pixel(220, 369), kScreen);
}

TEST_F(ScrollRoll, DownTakesOneStepPerStripAndEndsWithThePictureAtTheTop) {
    host.pictures["p.bmp"] = numberedPicture(200, 100);
    roll(1, {"p.bmp"});
    EXPECT_EQ(host.shown.size(), 10u);
    EXPECT_EQ(host.screen.pixel(220, 0), at(0, 0));
    EXPECT_EQ(host.screen.pixel(419, 99), at(199, 99));
    EXPECT_EQ(host.screen.pixel(220, 100), kScreen);
}

TEST_F(ScrollRoll, GapsStepUntilTheirSizeIsCovered) {
    roll(0, {"|45"});
    EXPECT_EQ(host.shown.size(), 5u);
    EXPECT_EQ(host.screen.pixel(0, 429), kScreen);
    EXPECT_EQ(host.screen.pixel(639, 430), kFill);
}

TEST_F(ScrollRoll, HalfModeRollsTheLeftHalfAndPutsSidePicturesAt320x120) {
    host.pictures["side.bmp"] = Surface(50, 40, 0xABCDEF);
    host.pictures["p.bmp"] = numberedPicture(100, 10);
    roll(4, {"@side.bmp", "p.bmp"});
    EXPECT_EQ(host.shown.size(), 3u);
    EXPECT_EQ(host.screen.pixel(320, 120), 0xABCDEFu);
    EXPECT_EQ(host.screen.pixel(369, 159), 0xABCDEFu);
    EXPECT_EQ(host.screen.pixel(370, 120), kScreen);
    EXPECT_EQ(host.screen.pixel(320, 479), kScreen);   // the right half does not move
    EXPECT_EQ(host.screen.pixel(110, 460), at(0, 0));  // (320 - 100) / 2
    EXPECT_EQ(host.screen.pixel(109, 460), kFill);
}

TEST(ScrollRollWaits, AHeldButtonLetsSkippableRollsRunWithoutWaiting) {
    auto elapsed = [](bool skippable, bool released) {
        FakeEffectHost host;
        host.pictures["p.bmp"] = numberedPicture(20, 100);
        host.down = true;
        host.up = released;
        scrollRoll(host, ScrollSettings{30, kFill, 10, skippable, 0}, {"p.bmp"});
        EXPECT_FALSE(host.down || host.up);
        return host.clock - 5000;
    };
    EXPECT_EQ(elapsed(true, false), 0u);
    EXPECT_EQ(elapsed(false, false), 11u * 30);
    EXPECT_EQ(elapsed(true, true), 11u * 30);  // a finished click keeps the pace
}

}  // namespace
}  // namespace qvl
