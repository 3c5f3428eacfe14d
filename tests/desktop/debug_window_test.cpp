// The debug window as a second desktop window beside the real scene window.
#include "tests/desktop/desktop.h"

namespace {

using namespace qvl_desktop;

TEST(DebugWindowDesktop, F12OpensASecondWindowAndTheGameKeepsRunning) {
    VirtualDisplay display;
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s("debug", "_textwait 0\n一行目\n二行目\n", "SavePath=save\\\n");
    s.write("qvl.ini", "DebugMode=on\n");
    Window w(display, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    w.key("F12");

    std::string found;
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end && found.empty()) {
        // xdotool's --name does not match non-ASCII names: every shown window's
        // name is read instead.
        std::string out;
        display.xdotool({"search", "--onlyvisible", "--name", "."}, &out);
        std::istringstream ids(out);
        for (std::string id; std::getline(ids, id) && found.empty();) {
            std::string name;
            display.xdotool({"getwindowname", id}, &name);
            if (name == "デバッグモード\n") found = id;
        }
        if (found.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(found.empty()) << "no window captioned デバッグモード";
    EXPECT_NE(found, w.id());
    std::string geometry;
    display.xdotool({"getwindowgeometry", found}, &geometry);
    EXPECT_NE(geometry.find("459x315"), std::string::npos) << geometry;

    // A click in the debug window (on its face, away from the controls) is not a
    // click for the game.
    display.xdotool({"mousemove", "--window", found, "300", "200"});
    display.xdotool({"click", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(w.transcript().find("text: 二行目"), std::string::npos) << w.transcript();

    // The scene, outside the debug window, still takes the click and goes on.
    w.click(5, 5);
    EXPECT_TRUE(w.waitForTranscript("text: 二行目")) << w.transcript();
}

}  // namespace
