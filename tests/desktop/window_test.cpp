// The real window: what it shows, read back from the renderer, against the headless
// frame of the same scenario and input, and real X input reaching the engine.
#include "tests/desktop/desktop.h"

namespace {

using namespace qvl_desktop;

const fs::path kData = fs::path(QVL_TEST_SCENARIOS) / "text_icon_frames";
const std::string kConfig = "SavePath=save\\\nIcon=icon.bmp\nBackGround=bg_room.mag\n";

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display_.up()) GTEST_SKIP() << "no virtual display: " << display_.reason();
    }

    // A scenario over the room picture with the animated wait icon.
    Scenario scenario(const std::string& name, const std::string& script) {
        Scenario s(name, script, kConfig);
        s.copy(kData / "bg_room.mag");
        s.copy(kData / "icon.bmp");
        return s;
    }

    // The read-back equals the headless frame but for the wait icon's cell, which
    // animates on a clock of its own in each.
    static void expectSameScene(const qvl::Surface& window, const qvl::Surface& frame, int tolerance = 2) {
        ASSERT_FALSE(window.empty()) << "no read-back";
        ASSERT_EQ(frame.width(), 640);
        const Difference d = compareScene(window, frame, tolerance);
        if (d.box.w > 32 || d.box.h > 32) {
            // Kept for a look: the window's picture and the headless frame.
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            const fs::path base = fs::temp_directory_path() / ("qvl-desktop-" + name);
            qvl::writePngFile(base.string() + ".window.png", window);
            qvl::writePngFile(base.string() + ".headless.png", frame);
            ADD_FAILURE() << "pictures in " << base.string() << ".{window,headless}.png";
        }
        EXPECT_LE(d.box.w, 32) << d.pixels << " pixels differ in " << d.box.x << "," << d.box.y << " " << d.box.w << "x"
                               << d.box.h;
        EXPECT_LE(d.box.h, 32);
        EXPECT_TRUE(barsAreBlack(window));
    }

    VirtualDisplay display_;
};

// Drawn without character delays, so the page is whole as soon as it is shown.
const std::string kTextPage = "_textwait 0\nページ待ちのアイコン&\n二ページ目\n";
// The player's settings for a scaled window that shows the scene's own text,
// pixel for pixel the headless frame's.
const std::string kSceneText = "[Window]\nSharpText=0\n";

TEST_F(Desktop, ATextPageWithTheAnimatedIcon) {
    Scenario s = scenario("text", kTextPage);
    const qvl::Surface headless = s.headlessFrame("");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    const qvl::Surface first = w.readBack();
    expectSameScene(first, headless);
    EXPECT_EQ(first.width(), 640);
    // Three tenths of a second later the icon shows another frame, and only it changed.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const qvl::Surface later = w.readBack();
    ASSERT_EQ(later.width(), 640);
    const Difference moved = compareScene(later, first, 0);
    EXPECT_GT(moved.pixels, 0) << "the icon does not animate";
    EXPECT_LE(moved.box.w, 32);
    EXPECT_LE(moved.box.h, 32);
}

TEST_F(Desktop, EscOpensTheExitQuestionAndItStaysThroughTheIconTimerAndEnterAnswersIt) {
    Scenario s = scenario("esc", kTextPage);
    const qvl::Surface headless = s.headlessFrame("key Escape\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    w.key("Escape");
    // Long enough for several icon frames under the open box.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    expectSameScene(w.readBack(), headless);
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
    EXPECT_NE(w.transcript().find("box: 終了 | 終了しますか？ -> ok\nexit: 0"), std::string::npos) << w.transcript();
}

TEST_F(Desktop, TheOpenGlRendererShowsTheSameSceneAndBox) {
    // On a virtual display the program draws with its own renderer; OpenGL (drawn
    // by the processor here) is what a desktop with a GPU uses.
    Scenario s = scenario("gl", kTextPage);
    const qvl::Surface headless = s.headlessFrame("key Escape\n");
    Window w(display_, s, {}, {"SDL_RENDER_DRIVER=opengl"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    w.key("Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 0; i < 3; ++i) expectSameScene(w.readBack(), headless);
}

TEST_F(Desktop, AMenuHighlightsUnderTheRealPointerAndTakesTheClickedItem) {
    Scenario s = scenario("menu", "_selmenu 100,100,#0000FF\nabc\n0123456789\n_endsel\n_mouseclick\n");
    const qvl::Surface headless = s.headlessFrame("move 150 150\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    display_.xdotool({"mousemove", "--window", w.id(), "150", "150"});
    expectSameScene(w.readBack(), headless, 0);
    w.click(150, 150);
    EXPECT_TRUE(w.waitForTranscript("choice: abc | 0123456789 -> 1"));
}

TEST_F(Desktop, ArrowKeysAndEnterTakeAnItemInTheWindow) {
    Scenario s = scenario("keys", "_selmenu 100,100\nabc\n0123456789\n_endsel\n_mouseclick\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.key("Down");
    w.key("Down");
    w.key("Return");
    EXPECT_TRUE(w.waitForTranscript("choice: abc | 0123456789 -> 1"));
}

TEST_F(Desktop, MusicPlaysThroughTheMixerAndRepeatsOnItsEndReports) {
    Scenario s = scenario("music", "_midiplay second.wav,3\n_mouseclick\n");
    s.copy(fs::path(QVL_TEST_SCENARIOS) / "audio_case" / "second.wav");
    const fs::path dump = s.dir().parent_path() / (s.dir().filename().string() + ".json");
    Window w(display_, s, {"--dump-state", dump.string()});
    ASSERT_TRUE(w.open());
    // Three plays of one second each; waiting longer changes nothing after the third.
    std::this_thread::sleep_for(std::chrono::milliseconds(6000));
    w.key("Escape");
    w.key("Return");
    ASSERT_EQ(w.exitCode(), 0);
    const std::string json = readAll(dump);
    fs::remove(dump);
    const std::size_t music = json.find("\"PlaybackChannel\"");
    ASSERT_NE(music, std::string::npos);
    EXPECT_NE(json.find("\"playCount\": 3", music), std::string::npos) << json.substr(music, 400);
    EXPECT_NE(json.find("\"playing\": true", music), std::string::npos);
    EXPECT_NE(w.transcript().find("music: play second.wav x3"), std::string::npos);
}

TEST_F(Desktop, TheInputBoxShowsAsHeadlessAndTakesTypedText) {
    Scenario s = scenario("input", "_flginstr @flg[20],$flg[21],\"名前\",\"名前は？\"\n[@flg[20]]\n");
    const qvl::Surface headless = s.headlessFrame("type ab\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    w.key("a");
    w.key("b");
    expectSameScene(w.readBack(), headless);
    w.key("Return");
    EXPECT_TRUE(w.waitForTranscript("box: 名前 | 名前は？ -> ok: ab\ntext: "));
}

TEST_F(Desktop, TheFileChooserShowsAsHeadless) {
    Scenario s = scenario("chooser", "");
    s.remove("autorun.txt");
    const qvl::Surface headless = s.headlessFrame("");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    expectSameScene(w.readBack(), headless);
}

TEST_F(Desktop, AWindowScaledTwiceShowsEveryPixelAsATwoByTwoBlock) {
    Scenario s = scenario("scale2", kTextPage);
    s.write("qvl.ini", kSceneText);
    const qvl::Surface headless = s.headlessFrame("key Escape\n");
    Window w(display_, s, {"--scale", "2"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    w.key("Escape");
    const qvl::Surface shown = w.readBack();
    ASSERT_EQ(shown.width(), 1280);
    ASSERT_EQ(shown.height(), 960);
    expectSameScene(shown, headless, 0);
    // Nearest scaling: the four pixels of a block are one.
    int mixed = 0;
    for (int y = 0; y < 960; y += 2)
        for (int x = 0; x < 1280; x += 2)
            if (shown.pixel(x, y) != shown.pixel(x + 1, y + 1)) ++mixed;
    EXPECT_EQ(mixed, 0);
}

TEST_F(Desktop, AResizedWindowKeepsTheAspectWithBlackBars) {
    Scenario s = scenario("resize", kTextPage);
    const qvl::Surface headless = s.headlessFrame("");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    w.resize(1000, 600);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const qvl::Surface shown = w.readBack();
    ASSERT_EQ(shown.width(), 1000);
    ASSERT_EQ(shown.height(), 600);
    EXPECT_EQ(placeScene(1000, 600).w, 800);
    EXPECT_TRUE(barsAreBlack(shown));
    // Smoothed, so compared on average.
    EXPECT_LT(compareScene(shown, headless, 255).meanError, 6.0);
}

TEST_F(Desktop, F11SwitchesToFullScreenWithTheSceneCentred) {
    if (!display_.startWindowManager()) GTEST_SKIP() << "no window manager (openbox) to grant full screen";
    Scenario s = scenario("full", kTextPage);
    s.write("qvl.ini", kSceneText);
    const qvl::Surface headless = s.headlessFrame("");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    w.key("F11");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const qvl::Surface shown = w.readBack();
    ASSERT_EQ(shown.width(), 1280) << "the window fills the 1280 x 1024 screen";
    ASSERT_EQ(shown.height(), 1024);
    expectSameScene(shown, headless, 0);
    // The exit question stays through both switches.
    const qvl::Surface question = s.headlessFrame("key Escape\n");
    w.key("Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    expectSameScene(w.readBack(), question, 0);
    w.key("F11");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const qvl::Surface back = w.readBack();
    EXPECT_EQ(back.width(), 640);
    expectSameScene(back, question);
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
}

TEST_F(Desktop, LeftAndRightClicksReachTheEngineWhereTheyLandOnTheScene) {
    Scenario s = scenario("clicks", "一行目\n二行目\n");
    const fs::path dump = s.dir().parent_path() / (s.dir().filename().string() + ".json");
    Window w(display_, s, {"--scale", "2", "--dump-state", dump.string()});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    // The line is announced as it starts; a click while it is still being written
    // out finishes it instead of ending the wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.click(200, 300, 1);
    EXPECT_TRUE(w.waitForTranscript("text: 二行目")) << "the left click did not end the click wait";
    w.click(600, 400, 3);
    w.key("Escape");  // closes the menu the right click opened
    w.key("Escape");
    w.key("Return");
    ASSERT_EQ(w.exitCode(), 0);
    // The window is twice the scene: window (600, 400) is scene (300, 200).
    const std::string json = readAll(dump);
    fs::remove(dump);
    EXPECT_NE(json.find("\"mouseX\": 300"), std::string::npos) << json.substr(0, 2000);
    EXPECT_NE(json.find("\"mouseY\": 200"), std::string::npos);
}

TEST_F(Desktop, ALoopThatNeverWaitsStillAnswersEscAndRedraws) {
    Scenario question = scenario("question", "_mouseclick\n");
    const qvl::Surface headless = question.headlessFrame("key Escape\n");
    Scenario s = scenario("loop", ":a\n_goto :a\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.key("Escape");
    expectSameScene(w.readBack(), headless);
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
}

TEST_F(Desktop, AShakeOfEndlessFramesWithNoDelayStillAnswersEsc) {
    Scenario s = scenario("shake", "_shake 16,2147483647,0\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.key("Escape");
    w.readBack();  // the question is up once the read-back comes through
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
}

}  // namespace
