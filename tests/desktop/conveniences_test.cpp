// The conveniences in the real window: Backspace, F5 and F9 from the X keyboard,
// and a game controller (SDL's virtual one) plugged in and out while the window runs.
#include "tests/desktop/desktop.h"

#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

// The system's libraries SDL loads for controllers and windows keep caches to
// the end; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libX11.so\nleak:libxcb.so\n";
}

namespace {

using namespace qvl_desktop;

const fs::path kData = fs::path(QVL_TEST_SCENARIOS) / "text_icon_frames";

class DesktopConveniences : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display_.up()) GTEST_SKIP() << "no virtual display: " << display_.reason();
    }
    VirtualDisplay display_;
};

TEST_F(DesktopConveniences, BackspaceGoesBackAPageAndF5F9SaveAndLoadTheQuickSlot) {
    Scenario s("keys", "_textwait 0\n_textclear\n一頁目\n_textclear\n二頁目\n_textclear\n三頁目\n",
               "SavePath=save\\\nBackGround=bg_room.mag\n");
    s.copy(kData / "bg_room.mag");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一頁目"));
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("text: 二頁目"));
    w.key("BackSpace");
    ASSERT_TRUE(w.waitForTranscript("rollback: 1\ntext: 一頁目")) << w.transcript();
    w.key("F5");
    ASSERT_TRUE(w.waitForTranscript("save: quick")) << w.transcript();
    EXPECT_TRUE(fs::exists(s.dir() / "save" / "quick.png"));
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("text: 二頁目\n")) << w.transcript();
    // F9 counts only at the click wait, which the program has reached once a
    // read-back asked for behind the page comes through.
    w.readBack();
    w.key("F9");   // a page read since: the question first, which Enter answers
    w.readBack();  // the question is up once the read-back comes through, however busy the machine
    w.key("Return");
    EXPECT_TRUE(w.waitForTranscript("load: quick\ntext: 一頁目")) << w.transcript();
}

// The backend opens a pad plugged in while it runs, and its buttons arrive as the
// keys they stand for; unplugged and plugged in again, it still works.
TEST_F(DesktopConveniences, AVirtualPadIsPluggedInPressedAndPluggedOutAgain) {
    ::setenv("DISPLAY", display_.display().c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    qvl::platform::SdlPlatform platform;
    // The window shows itself with its first frame; SDL hands pad input only to a
    // program whose window has the focus.
    platform.present(qvl::Surface(640, 480), nullptr, std::nullopt);
    platform.waitEvent(platform.ticks() + 300, {});
    auto attach = [] {
        return SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                         SDL_CONTROLLER_BUTTON_MAX, 0);
    };
    // The next key event of the pad, within a second.
    auto nextPadKey = [&]() -> std::optional<qvl::platform::Event> {
        const uint32_t end = platform.ticks() + 1000;
        while (int32_t(end - platform.ticks()) > 0)
            if (auto e = platform.waitEvent(end, {}); e && (e->mods & qvl::platform::kModPad)) return e;
        return std::nullopt;
    };
    for (int round = 0; round < 2; ++round) {
        const int index = attach();
        ASSERT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* stick = SDL_JoystickOpen(index);
        ASSERT_NE(stick, nullptr);
        platform.waitEvent(platform.ticks() + 100, {});  // the plug-in is heard
        for (auto [button, key] : {std::pair{SDL_CONTROLLER_BUTTON_A, qvl::platform::Key::Enter},
                                   std::pair{SDL_CONTROLLER_BUTTON_LEFTSHOULDER, qvl::platform::Key::Backspace},
                                   std::pair{SDL_CONTROLLER_BUTTON_Y, qvl::platform::Key::Menu}}) {
            SDL_JoystickSetVirtualButton(stick, button, 1);
            std::optional<qvl::platform::Event> e = nextPadKey();
            ASSERT_TRUE(e) << "round " << round << ", button " << int(button);
            EXPECT_EQ(e->type, qvl::platform::Event::Type::KeyDown);
            EXPECT_EQ(e->key, key);
            SDL_JoystickSetVirtualButton(stick, button, 0);
        }
        // RB is held to skip: its release is heard too.
        SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 1);
        std::optional<qvl::platform::Event> down = nextPadKey();
        SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0);
        std::optional<qvl::platform::Event> up = nextPadKey();
        ASSERT_TRUE(down && up);
        EXPECT_EQ(down->key, qvl::platform::Key::Control);
        EXPECT_EQ(up->type, qvl::platform::Event::Type::KeyUp);
        SDL_JoystickClose(stick);
        SDL_JoystickDetachVirtual(index);
        platform.waitEvent(platform.ticks() + 100, {});  // unplugged
    }
}

}  // namespace
