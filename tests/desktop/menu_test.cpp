// The popup menu in the real window: a right click opens it where the headless run
// draws it, and the keyboard takes an item in it.
#include "tests/desktop/desktop.h"

namespace {

using namespace qvl_desktop;

class DesktopMenu : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display_.up()) GTEST_SKIP() << "no virtual display: " << display_.reason();
    }
    VirtualDisplay display_;
};

TEST_F(DesktopMenu, ARightClickOpensTheMenuAndTheKeysTakeAnItem) {
    // No wait icon: nothing in the window animates while the menu is compared.
    Scenario s("popup", "_textclear\n一行目\n二行目\n", "SavePath=save\\\nBackGround=bg_room.mag\n");
    s.copy(fs::path(QVL_TEST_SCENARIOS) / "menu_case" / "bg_room.mag");
    const qvl::Surface headless = s.headlessFrame("rclick 300 200\n");
    const fs::path dump = s.dir().parent_path() / (s.dir().filename().string() + ".json");
    Window w(display_, s, {"--dump-state", dump.string()});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    w.click(300, 200, 3);
    ASSERT_TRUE(w.waitForTranscript("menu: open"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Difference d = compareScene(w.readBack(), headless, 2);
    EXPECT_TRUE(d.box.empty()) << d.pixels << " pixels differ from the headless menu";

    // 設定変更 → 高速文字表示: Down twice, Right opens the submenu on 音楽再生.
    for (const char* key : {"Down", "Down", "Right", "Down", "Down", "Return"}) w.key(key);
    EXPECT_TRUE(w.waitForTranscript("menu: 高速文字表示"));
    w.key("Escape");
    w.key("Return");
    ASSERT_EQ(w.exitCode(), 0);
    const std::string json = readAll(dump);
    fs::remove(dump);
    EXPECT_NE(json.find("\"HighSpeedText\": true"), std::string::npos);
    EXPECT_EQ(json.find("二行目"), std::string::npos) << "taking the item did not end the click wait";
}

}  // namespace
