// _aviplay in the real window: the movie's picture in its rectangle while it plays,
// and a click ending it before its length.
#include "tests/desktop/desktop.h"

namespace {

using namespace qvl_desktop;

const fs::path kScenes = fs::path(QVL_TEST_SCENARIOS) / "text_icon_frames";

class DesktopMovie : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display_.up()) GTEST_SKIP() << "no virtual display: " << display_.reason();
    }
    VirtualDisplay display_;
};

bool isRed(uint32_t pixel) {
    const int r = int(pixel >> 16 & 0xFF), g = int(pixel >> 8 & 0xFF), b = int(pixel & 0xFF);
    return r > 230 && g < 30 && b < 30;
}

TEST_F(DesktopMovie, TheMovieShowsInItsRectangleAndAClickEndsIt) {
    // Four seconds of plain red, scaled from 80x60 into 320x240 at (100, 80).
    Scenario s("movie", "_aviplay red.avi,100,80,320,240\n後\n", "SavePath=save\\\nBackGround=bg_room.mag\n");
    s.copy(kScenes / "bg_room.mag");
    fs::copy_file(fs::path(QVL_TEST_DATA) / "movies" / "red_4s.avi", s.dir() / "red.avi");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("movie: red.avi 80x60"));
    const auto started = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const qvl::Surface shown = w.readBack();
    ASSERT_EQ(shown.width(), 640);
    ASSERT_EQ(shown.height(), 480);
    for (auto [x, y] : {std::pair{100, 80}, {419, 80}, {100, 319}, {419, 319}, {260, 200}})
        EXPECT_TRUE(isRed(shown.row(y)[x])) << x << "," << y << " shows " << std::hex << shown.row(y)[x];
    for (auto [x, y] : {std::pair{99, 200}, {420, 200}, {260, 79}, {260, 320}})
        EXPECT_FALSE(isRed(shown.row(y)[x])) << "outside the rectangle at " << x << "," << y;
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(3000)) << "looked at too late to be in the movie";

    // A click ends it: the text after it comes long before the four seconds are up.
    w.click(300, 200);
    ASSERT_TRUE(w.waitForTranscript("text: 後", std::chrono::seconds(10)));
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(3500));
    const qvl::Surface after = w.readBack();
    EXPECT_FALSE(isRed(after.row(200)[260])) << "the scene comes back under the movie";
}

}  // namespace
