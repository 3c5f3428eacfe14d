#include "graphics/black_hole.h"

#include "fake_effect_host.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

struct BlackHole : ::testing::Test {
    BlackHole() { host.pictures["pic.bmp"] = numberedPicture(100, 100); }
    // A 4 x 3 window onto the picture at (10, 20), first drawn at (100, 50).
    static BlackHoleArgs hole(int32_t frames, int32_t move, int32_t pan, BlackHoleKind kind = BlackHoleKind::Plain) {
        return BlackHoleArgs{kind, "pic.bmp", 10, 20, 100, 50, 4, 3, frames, 40, move, pan, 300, 300, 3, "m", "o"};
    }
    FakeEffectHost host;
};

TEST_F(BlackHole, OneFrameDrawsOnceAndRestoresNothing) {
    blackHole(host, hole(1, 1, 1));
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].x, 100);
    EXPECT_EQ(host.shown[0].w, 4);
    EXPECT_EQ(host.screen.pixel(100, 50), at(10, 20));
    EXPECT_EQ(host.screen.pixel(103, 52), at(13, 22));
    EXPECT_EQ(host.screen.pixel(104, 50), kScreen);
    EXPECT_EQ(host.clock, 5040u);
}

TEST_F(BlackHole, FramesMoveOnePixelAndRestoreTheBackgroundBehind) {
    blackHole(host, hole(3, 1, 0));
    ASSERT_EQ(host.frames.size(), 3u);
    EXPECT_EQ(host.frames[0].pixel(100, 50), at(10, 20));
    EXPECT_EQ(host.frames[0].pixel(104, 50), kScreen);
    EXPECT_EQ(host.screen.pixel(101, 52), kBackdrop);
    EXPECT_EQ(host.screen.pixel(102, 50), at(10, 20));
    EXPECT_EQ(host.screen.pixel(105, 52), at(13, 22));
    EXPECT_EQ(host.shown[2].x, 101);  // the restored column and the new window
    EXPECT_EQ(host.shown[2].w, 5);
    EXPECT_EQ(host.clock, 5000u + 3 * 40);
}

TEST_F(BlackHole, DirectionCodesSlideTheWindowOrPanItsContent) {
    blackHole(host, hole(5, 6, 0));
    EXPECT_EQ(host.screen.pixel(104, 54), at(10, 20));
    EXPECT_EQ(host.screen.pixel(103, 53), kBackdrop);

    host.screen.fill(kScreen);
    blackHole(host, hole(5, 0, 1));
    EXPECT_EQ(host.screen.pixel(100, 50), at(14, 20));
    EXPECT_EQ(host.screen.pixel(103, 52), at(17, 22));
    EXPECT_EQ(host.screen.pixel(104, 50), kScreen);
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(BlackHole, CodesOutsideTheTableMoveNothingAndAreReportedOnce) {
    blackHole(host, hole(4, 9, -1));
    EXPECT_EQ(host.reports, std::vector<int32_t>{9});
    EXPECT_EQ(host.screen.pixel(100, 50), at(10, 20));
    EXPECT_EQ(host.screen.pixel(104, 50), kScreen);
}

TEST_F(BlackHole, OverlaysAreDrawnEveryFrameAndOverLeavesATrail) {
    host.pictures["o"] = Surface(2, 1, 0x0000FF);
    host.pictures["m"] = Surface(2, 1, 0xFFFFFF);
    host.pictures["m"].setPixel(0, 0, 0);
    blackHole(host, hole(3, 1, 0, BlackHoleKind::Overlay));
    EXPECT_EQ(host.screen.pixel(300, 300), kScreen ^ 0xFFu);  // XOR-ed three times

    host.screen.fill(kScreen);
    blackHole(host, hole(3, 1, 0, BlackHoleKind::Trail));
    EXPECT_EQ(host.screen.pixel(100, 50), at(10, 20));
    EXPECT_EQ(host.screen.pixel(101, 50), at(10, 20));
    EXPECT_EQ(host.screen.pixel(300, 300), 0x0000FFu);  // black in the mask: the overlay
    EXPECT_EQ(host.screen.pixel(301, 300), kScreen | 0xFFu);
}

}  // namespace
}  // namespace qvl
