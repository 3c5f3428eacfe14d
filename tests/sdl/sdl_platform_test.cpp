#include "platform/sdl/sdl_platform.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qvl::platform {
namespace {

class SdlPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "dummy", 1); }
    void SetUp() override { platform_ = std::make_unique<SdlPlatform>(); }

    uint32_t in(uint32_t ms) { return platform_->ticks() + ms; }

    // The next input event, passing over whatever the window says about itself.
    Event nextInput() {
        uint32_t deadline = in(2000);
        while (std::optional<Event> e = platform_->waitEvent(deadline, {})) {
            if (e->type != Event::Type::Exposed && e->type != Event::Type::FocusGained &&
                e->type != Event::Type::FocusLost)
                return *e;
        }
        ADD_FAILURE() << "no input arrived";
        return {};
    }

    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
    static void pushKey(SDL_Keycode sym, uint16_t mod) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        push(e);
    }

    std::unique_ptr<SdlPlatform> platform_;
};

TEST_F(SdlPlatformTest, WindowServicesWorkWithoutADisplay) {
    platform_->setCaption("\xE3\x82\xAF\xE3\x82\xA9\xE3\x83\xBC\xE3\x83\xB4\xE3\x82\xA7\xE3\x83\xAB");
    platform_->setBorder(false);
    platform_->setFullScreen(true);
    platform_->setFullScreen(false);
    for (Cursor c : {Cursor::Hand, Cursor::Wait, Cursor::Pen}) platform_->setCursor(c);
    EXPECT_GE(platform_->colourDepth(), 0);
    platform_->setTextInput(true, {100, 400, 200, 24});
    platform_->setTextInput(false, {});

    Surface frame(kSceneWidth, kSceneHeight, 0x00336699);
    Surface overlay(kSceneWidth, kSceneHeight, 0x80FF0000);
    platform_->present(frame, &overlay, std::nullopt);
    platform_->present(frame, nullptr, std::nullopt);
    // Wrong sizes are cut or padded, never read beyond.
    Surface small(10, 7, 0x00FFFFFF), large(1000, 900), none;
    platform_->present(small, &large, std::nullopt);
    platform_->present(large, &small, std::nullopt);
    platform_->present(none, &none, std::nullopt);
}

TEST_F(SdlPlatformTest, DeadlineIsNeverEarly) {
    uint32_t deadline = in(30);
    while (platform_->waitEvent(deadline, {})) {
    }
    EXPECT_GE(int32_t(platform_->ticks() - deadline), 0);
    EXPECT_FALSE(platform_->waitEvent(platform_->ticks() - 5, {}));  // already passed
}

TEST_F(SdlPlatformTest, TimersTickUntilStoppedAndWakeBlockingWaits) {
    uint32_t started = platform_->ticks();
    platform_->startTimer(7, 10);
    int ticksSeen = 0;
    while (ticksSeen < 3) {
        std::optional<Event> e = platform_->waitEvent(std::nullopt, {});  // must not block forever
        ASSERT_TRUE(e);
        if (e->type != Event::Type::Timer) continue;
        EXPECT_EQ(e->id, 7);
        EXPECT_GE(int32_t(platform_->ticks() - started), 10 * ++ticksSeen);
    }
    platform_->stopTimer(7);
    uint32_t deadline = in(50);
    while (std::optional<Event> e = platform_->waitEvent(deadline, {})) EXPECT_NE(e->type, Event::Type::Timer);
}

TEST_F(SdlPlatformTest, MouseInputArrivesInSceneCoordinates) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 120;
    e.button.y = 80;
    push(e);
    e.button.button = SDL_BUTTON_X1;  // no meaning to the engine: dropped
    push(e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 5000;  // over the bars: clamped to the scene
    e.button.y = -40;
    push(e);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    push(wheel);

    Event down = nextInput();
    EXPECT_EQ(down.type, Event::Type::MouseDown);
    EXPECT_EQ(down.button, MouseButton::Right);
    EXPECT_EQ(down.x, 120);
    EXPECT_EQ(down.y, 80);
    Event up = nextInput();
    EXPECT_EQ(up.type, Event::Type::MouseUp);
    EXPECT_EQ(up.button, MouseButton::Left);
    EXPECT_EQ(up.x, kSceneWidth - 1);
    EXPECT_EQ(up.y, 0);
    Event w = nextInput();
    EXPECT_EQ(w.type, Event::Type::MouseWheel);
    EXPECT_EQ(w.wheel, -2);           // "natural" scrolling turned back
    EXPECT_EQ(w.x, kSceneWidth - 1);  // where the pointer last was
}

TEST_F(SdlPlatformTest, KeysTextAndQuitArriveInEngineTerms) {
    pushKey(SDLK_KP_ENTER, KMOD_LSHIFT | KMOD_RCTRL);
    pushKey(SDLK_q, KMOD_RALT);
    pushKey(SDLK_7, KMOD_NONE);
    pushKey(SDLK_F12, KMOD_NONE);
    pushKey(SDLK_SEMICOLON, KMOD_NONE);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::strcpy(text.text.text, "\xE3\x81\x82");
    push(text);
    SDL_Event editing{};
    editing.type = SDL_TEXTEDITING;
    std::strcpy(editing.edit.text, "ka");
    push(editing);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);

    Event enter = nextInput();
    EXPECT_EQ(enter.type, Event::Type::KeyDown);
    EXPECT_EQ(enter.key, Key::Enter);
    EXPECT_EQ(enter.mods, kModShift | kModCtrl);
    Event q = nextInput();
    EXPECT_EQ(q.key, Key::Character);
    EXPECT_EQ(q.ch, 'q');
    EXPECT_EQ(q.mods, kModAlt);
    EXPECT_EQ(nextInput().ch, '7');
    EXPECT_EQ(nextInput().key, Key::F12);
    EXPECT_EQ(nextInput().key, Key::Unknown);
    Event committed = nextInput();
    EXPECT_EQ(committed.type, Event::Type::TextInput);
    EXPECT_EQ(committed.text, "\xE3\x81\x82");
    Event composing = nextInput();
    EXPECT_EQ(composing.type, Event::Type::TextEditing);
    EXPECT_EQ(composing.text, "ka");
    EXPECT_EQ(nextInput().type, Event::Type::Quit);
}

TEST_F(SdlPlatformTest, InstanceLockIsHeldUntilThePlatformGoes) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qvl-sdl-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::optional<std::string> saved;
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved = old;
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);

    EXPECT_TRUE(platform_->acquireInstanceLock());
    EXPECT_TRUE(platform_->acquireInstanceLock());  // asking again keeps it
    EXPECT_FALSE(InstanceLock("quorvel").acquired());
    platform_.reset();
    EXPECT_TRUE(InstanceLock("quorvel").acquired());

    if (saved)
        setenv("XDG_RUNTIME_DIR", saved->c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qvl::platform
