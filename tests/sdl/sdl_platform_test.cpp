#include "platform/sdl/sdl_platform.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qvl::platform {
namespace {

class SdlPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // No display, no sound card: SDL's dummy drivers.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void SetUp() override { platform_ = std::make_unique<SdlPlatform>(); }
    void TearDown() override { platform_.reset(); }

    uint32_t in(uint32_t ms) { return platform_->ticks() + ms; }

    // The next input event, passing over whatever the window says about itself.
    std::optional<Event> nextInput() {
        uint32_t deadline = in(2000);
        while (std::optional<Event> e = platform_->waitEvent(deadline, {})) {
            if (e->type != Event::Type::Exposed && e->type != Event::Type::FocusGained &&
                e->type != Event::Type::FocusLost)
                return e;
        }
        return std::nullopt;
    }

    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

    static SDL_Event keyDown(SDL_Keycode sym, uint16_t mod) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        return e;
    }

    std::unique_ptr<SdlPlatform> platform_;
};

TEST_F(SdlPlatformTest, PresentsFramesOverlaysAndOddSizes) {
    Surface frame(kSceneWidth, kSceneHeight, 0x00336699);
    Surface overlay(kSceneWidth, kSceneHeight, 0x80FF0000);
    platform_->present(frame, &overlay);
    platform_->present(frame, nullptr);
    // Wrong sizes are cut or padded, never read beyond.
    Surface small(10, 7, 0x00FFFFFF);
    Surface large(1000, 900, 0x00000000);
    platform_->present(small, &large);
    platform_->present(large, &small);
    Surface none;
    platform_->present(none, &none);
}

TEST_F(SdlPlatformTest, DeadlineIsNeverEarly) {
    uint32_t deadline = in(30);
    while (platform_->waitEvent(deadline, {})) {
    }
    EXPECT_GE(int32_t(platform_->ticks() - deadline), 0);
    // A deadline already passed returns at once.
    EXPECT_FALSE(platform_->waitEvent(platform_->ticks() - 5, {}));
}

TEST_F(SdlPlatformTest, TimersTickUntilStopped) {
    uint32_t started = platform_->ticks();
    platform_->startTimer(7, 10);
    std::vector<uint32_t> times;
    uint32_t deadline = in(3000);
    while (times.size() < 3) {
        std::optional<Event> e = platform_->waitEvent(deadline, {});
        ASSERT_TRUE(e) << "the timer did not tick three times";
        if (e->type != Event::Type::Timer) continue;
        EXPECT_EQ(e->id, 7);
        times.push_back(platform_->ticks());
    }
    EXPECT_GE(int32_t(times[0] - started), 10);
    EXPECT_GE(int32_t(times[2] - times[0]), 10);

    platform_->stopTimer(7);
    deadline = in(50);
    while (std::optional<Event> e = platform_->waitEvent(deadline, {}))
        EXPECT_NE(e->type, Event::Type::Timer);
}

TEST_F(SdlPlatformTest, TimerWakesABlockingWait) {
    platform_->startTimer(3, 15);
    std::optional<Event> e;
    do {
        e = platform_->waitEvent(std::nullopt, {});
        ASSERT_TRUE(e);  // without a deadline something always comes back
    } while (e->type != Event::Type::Timer);
    EXPECT_EQ(e->id, 3);
}

TEST_F(SdlPlatformTest, MouseInputArrivesInSceneCoordinates) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.state = SDL_PRESSED;
    e.button.x = 120;
    e.button.y = 80;
    push(e);
    e.button.button = SDL_BUTTON_X1;  // no meaning to the engine: dropped
    push(e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 5000;  // beyond the scene: clamped
    e.button.y = -40;
    push(e);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    push(wheel);

    std::optional<Event> down = nextInput();
    ASSERT_TRUE(down);
    EXPECT_EQ(down->type, Event::Type::MouseDown);
    EXPECT_EQ(down->button, MouseButton::Right);
    EXPECT_EQ(down->x, 120);
    EXPECT_EQ(down->y, 80);

    std::optional<Event> up = nextInput();
    ASSERT_TRUE(up);
    EXPECT_EQ(up->type, Event::Type::MouseUp);
    EXPECT_EQ(up->button, MouseButton::Left);
    EXPECT_EQ(up->x, kSceneWidth - 1);
    EXPECT_EQ(up->y, 0);

    std::optional<Event> w = nextInput();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->type, Event::Type::MouseWheel);
    EXPECT_EQ(w->wheel, -2);  // "natural" scrolling turned back
    EXPECT_EQ(w->x, kSceneWidth - 1);  // where the pointer last was
}

TEST_F(SdlPlatformTest, KeysAndTextArriveInEngineTerms) {
    push(keyDown(SDLK_KP_ENTER, KMOD_LSHIFT | KMOD_RCTRL));
    push(keyDown(SDLK_q, KMOD_RALT));
    push(keyDown(SDLK_7, KMOD_NONE));
    push(keyDown(SDLK_F12, KMOD_NONE));
    push(keyDown(SDLK_SEMICOLON, KMOD_NONE));
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::strcpy(text.text.text, "\xE3\x81\x82");  // あ
    push(text);
    SDL_Event editing{};
    editing.type = SDL_TEXTEDITING;
    std::strcpy(editing.edit.text, "ka");
    push(editing);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);

    std::optional<Event> enter = nextInput();
    ASSERT_TRUE(enter);
    EXPECT_EQ(enter->type, Event::Type::KeyDown);
    EXPECT_EQ(enter->key, Key::Enter);
    EXPECT_EQ(enter->mods, kModShift | kModCtrl);

    std::optional<Event> q = nextInput();
    ASSERT_TRUE(q);
    EXPECT_EQ(q->key, Key::Character);
    EXPECT_EQ(q->ch, 'q');
    EXPECT_EQ(q->mods, kModAlt);

    std::optional<Event> seven = nextInput();
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven->key, Key::Character);
    EXPECT_EQ(seven->ch, '7');

    std::optional<Event> f12 = nextInput();
    ASSERT_TRUE(f12);
    EXPECT_EQ(f12->key, Key::F12);

    std::optional<Event> other = nextInput();
    ASSERT_TRUE(other);
    EXPECT_EQ(other->type, Event::Type::KeyDown);
    EXPECT_EQ(other->key, Key::Unknown);

    std::optional<Event> committed = nextInput();
    ASSERT_TRUE(committed);
    EXPECT_EQ(committed->type, Event::Type::TextInput);
    EXPECT_EQ(committed->text, "\xE3\x81\x82");

    std::optional<Event> composing = nextInput();
    ASSERT_TRUE(composing);
    EXPECT_EQ(composing->type, Event::Type::TextEditing);
    EXPECT_EQ(composing->text, "ka");

    std::optional<Event> closing = nextInput();
    ASSERT_TRUE(closing);
    EXPECT_EQ(closing->type, Event::Type::Quit);
}

TEST_F(SdlPlatformTest, WindowServicesAnswerWithoutADisplay) {
    platform_->setCaption("\xE3\x82\xAF\xE3\x82\xA9\xE3\x83\xBC\xE3\x83\xB4\xE3\x82\xA7\xE3\x83\xAB");
    platform_->setCaption("");
    platform_->setBorder(false);
    platform_->setBorder(true);
    platform_->setFullScreen(true);
    platform_->setFullScreen(false);
    for (Cursor c : {Cursor::Hand, Cursor::Wait, Cursor::Pen}) platform_->setCursor(c);
    int depth = platform_->colourDepth();
    EXPECT_GE(depth, 0);
    EXPECT_LE(depth, 32);
    platform_->setTextInput(true, {100, 400, 200, 24});
    platform_->setTextInput(false, {});
    Surface frame(kSceneWidth, kSceneHeight, 0);
    platform_->present(frame, nullptr);
}

TEST_F(SdlPlatformTest, OnlyOneCopyHoldsTheInstanceLock) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("qvl-sdl-lock-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);

    EXPECT_TRUE(platform_->acquireInstanceLock());
    EXPECT_TRUE(platform_->acquireInstanceLock());  // asking again keeps it
    EXPECT_FALSE(InstanceLock("quorvel").acquired());
    platform_.reset();
    EXPECT_TRUE(InstanceLock("quorvel").acquired());

    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qvl::platform
