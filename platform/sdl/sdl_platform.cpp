#include "platform/sdl/sdl_platform.h"

#include "graphics/png_io.h"
#include "platform/sdl/sdl_cursors.h"
#include "platform/sdl/sdl_gamepads.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_screen.h"
#include "platform/sdl/sdl_secondary_window.h"
#include "platform/sdl/sdl_sound.h"
#include "platform/sdl/timer_set.h"
#include "platform/speech_dispatcher.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace qvl::platform {

namespace {

// Holds the video subsystem for the life of the platform; other subsystems (audio)
// may be started and stopped by others independently.
class VideoSubsystem {
public:
    VideoSubsystem() {
        // Ctrl+C and SIGTERM end the program as they end any terminal program,
        // instead of becoming a close request that waits for an answer.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            throw std::runtime_error(std::string("Cannot start the video: ") + SDL_GetError());
    }
    ~VideoSubsystem() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;
};

bool reached(uint32_t deadline, uint32_t now) {
    return int32_t(deadline - now) <= 0;
}

Event simpleEvent(Event::Type type) {
    Event ev;
    ev.type = type;
    return ev;
}

// SDL writes the legacy WM_NAME through the C library's locale, which garbles a
// Japanese caption under a plain locale; window lists that read it show mojibake.
// Written again here from UTF-8 as compound text (Latin-1 where that suffices), as
// Xlib's own conversion does. Xlib is looked up only; SDL's X11 driver loaded it.
void setLegacyWindowName(SDL_Window* window, const std::string& utf8) {
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (!SDL_GetWindowWMInfo(window, &wm) || wm.subsystem != SDL_SYSWM_X11) return;
    using ToProperty = int (*)(Display*, char**, int, XICCEncodingStyle, XTextProperty*);
    using SetName = void (*)(Display*, ::Window, XTextProperty*);
    using Free = int (*)(void*);
    auto toProperty = reinterpret_cast<ToProperty>(dlsym(RTLD_DEFAULT, "Xutf8TextListToTextProperty"));
    auto setName = reinterpret_cast<SetName>(dlsym(RTLD_DEFAULT, "XSetWMName"));
    auto release = reinterpret_cast<Free>(dlsym(RTLD_DEFAULT, "XFree"));
    if (!toProperty || !setName || !release) return;
    char* list[] = {const_cast<char*>(utf8.c_str())};
    XTextProperty property{};
    if (toProperty(wm.info.x11.display, list, 1, XStdICCTextStyle, &property) < 0 || !property.value) return;
    setName(wm.info.x11.display, wm.info.x11.window, &property);
    release(property.value);
}

}  // namespace

struct SdlPlatform::Impl {
    explicit Impl(const SdlOptions& options) : screen(options.scale), readBackDir(options.readBackDir) {
        // SDL starts with text input on; the engine asks for it when it wants it.
        SDL_StopTextInput();
        cursors.use(Cursor::Pen);
    }

    std::optional<Event> translate(const SDL_Event& e);
    bool isReadBackKey(const SDL_Event& e) const;
    void writeReadBack();

    VideoSubsystem video;
    SdlScreen screen;
    SdlCursors cursors;
    TimerSet timers;
    MousePosition mouse;
    SdlSound audio;
    SdlWindowRegistry windows;
    SdlGamepads pads;
    std::string readBackDir;
    int readBacks = 0;
    // Reports of the speech thread come through the event queue, which wakes the wait.
    Uint32 speechEvent = SDL_RegisterEvents(1);
    std::unique_ptr<SpeechDispatcher> speech;
};

bool SdlPlatform::Impl::isReadBackKey(const SDL_Event& e) const {
    if (readBackDir.empty() || (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP)) return false;
    const Uint16 mods = e.key.keysym.mod;
    return e.key.keysym.sym == SDLK_F12 && (mods & KMOD_CTRL) && (mods & KMOD_ALT) && (mods & KMOD_SHIFT);
}

void SdlPlatform::Impl::writeReadBack() {
    const std::string name = readBackDir + "/readback-" + std::to_string(++readBacks) + ".png";
    Surface shown;
    const Surface drawn = screen.readBack(&shown);
    // What the window held differs from the same moment drawn in full: a part sent
    // alone went wrong. Kept beside it (first, before the test sees the drawing).
    bool same = shown.width() == 0 || (shown.width() == drawn.width() && shown.height() == drawn.height());
    for (int y = 0; same && shown.width() && y < drawn.height(); ++y)
        same = std::equal(drawn.row(y), drawn.row(y) + drawn.width(), shown.row(y));
    if (!same) writePngFile(readBackDir + "/readback-" + std::to_string(readBacks) + ".shown.png", shown);
    // Written under another name first, so a test waiting for the file never reads half of it.
    if (!writePngFile(name + ".part", drawn) || std::rename((name + ".part").c_str(), name.c_str()) != 0)
        std::fprintf(stderr, "quorvel: cannot write %s\n", name.c_str());
}

std::optional<Event> SdlPlatform::Impl::translate(const SDL_Event& e) {
    if (speechEvent != Uint32(-1) && e.type == speechEvent) return simpleEvent(Event::Type::Speech);
    if (const std::optional<bool> current = audio.endReport(e)) {
        if (!*current) return std::nullopt;  // its play was stopped since
        Event ev = simpleEvent(Event::Type::MediaDone);
        ev.id = e.user.code;
        ev.status = int(MediaStatus::Successful);
        return ev;
    }
    // Input of a second window goes to it, tagged, and never reaches the scene;
    // the tests' read-back key works whichever window has the keyboard.
    if (isReadBackKey(e)) {
        if (e.type == SDL_KEYDOWN) writeReadBack();
        return std::nullopt;
    }
    if (const uint32_t owner = sdlEventWindowId(e); owner != 0 && owner != screen.windowId()) {
        if (SdlSecondaryWindow* w = windows.find(owner)) return w->translate(e);
        return std::nullopt;
    }
    switch (e.type) {
        case SDL_QUIT:
            return simpleEvent(Event::Type::Quit);
        case SDL_RENDER_DEVICE_RESET:
            screen.restoreTextures();
            return simpleEvent(Event::Type::Exposed);
        case SDL_WINDOWEVENT:
            if (e.window.windowID != screen.windowId()) return std::nullopt;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    return simpleEvent(Event::Type::FocusGained);
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    return simpleEvent(Event::Type::FocusLost);
                case SDL_WINDOWEVENT_CLOSE:
                    // SDL sends its quit event only when the last window closes; with a
                    // second window open the main window's close button comes only here.
                    if (windows.empty()) return std::nullopt;
                    return simpleEvent(Event::Type::Quit);
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    // Redrawn here so a window is never left blank while the engine
                    // is busy; the engine hears of it in case it draws differently.
                    screen.redraw();
                    return simpleEvent(Event::Type::Exposed);
                default:
                    return std::nullopt;
            }
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            return pads.translate(e);
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (isReadBackKey(e)) {
                if (e.type == SDL_KEYDOWN) writeReadBack();
                return std::nullopt;
            }
            return translateInput(e, mouse);
        default:
            return translateInput(e, mouse);
    }
}

SdlPlatform::SdlPlatform(const SdlOptions& options) : impl_(std::make_unique<Impl>(options)) {}

Surface SdlPlatform::readBack() {
    return impl_->screen.readBack();
}

AudioOutput& SdlPlatform::audio() { return impl_->audio; }

Speech* SdlPlatform::speech() {
    if (!impl_->speech) {
        const Uint32 type = impl_->speechEvent;
        impl_->speech = std::make_unique<SpeechDispatcher>([type] {
            if (type == Uint32(-1)) return;
            SDL_Event e{};
            e.type = type;
            SDL_PushEvent(&e);
        });
    }
    return impl_->speech.get();
}

SdlPlatform::~SdlPlatform() = default;

uint32_t SdlPlatform::ticks() { return uint32_t(kTickOrigin + SDL_GetTicks64()); }

std::optional<Event> SdlPlatform::waitEvent(std::optional<uint32_t> deadline, const WaitHint&) {
    for (;;) {
        uint32_t now = ticks();
        if (deadline && reached(*deadline, now)) {
            // Past the deadline: only what is already there, without sleeping.
            if (std::optional<int> id = impl_->timers.takeDue(now)) {
                Event ev = simpleEvent(Event::Type::Timer);
                ev.id = *id;
                return ev;
            }
            SDL_Event e;
            while (SDL_PollEvent(&e))
                if (std::optional<Event> ev = impl_->translate(e)) return ev;
            return std::nullopt;
        }
        if (std::optional<int> id = impl_->timers.takeDue(now)) {
            Event ev = simpleEvent(Event::Type::Timer);
            ev.id = *id;
            return ev;
        }

        // Sleep until the deadline or the next timer tick, whichever comes first.
        std::optional<uint32_t> wake = deadline;
        if (std::optional<uint32_t> due = impl_->timers.nextDue(now);
            due && (!wake || int32_t(*due - now) < int32_t(*wake - now)))
            wake = due;

        SDL_Event e;
        int got = 0;
        if (wake) {
            int32_t remaining = int32_t(*wake - now);
            got = remaining > 0 ? SDL_WaitEventTimeout(&e, remaining) : SDL_PollEvent(&e);
        } else {
            got = SDL_WaitEvent(&e);
            // Only fails when the event queue is gone; don't turn that into a busy loop.
            if (!got) SDL_Delay(10);
        }
        if (got) {
            if (std::optional<Event> ev = impl_->translate(e)) return ev;
        }
    }
}

std::optional<Event> SdlPlatform::pollEvent() {
    return waitEvent(ticks(), {});  // a deadline reached only looks at what is there
}

void SdlPlatform::startTimer(int id, uint32_t intervalMs) {
    impl_->timers.start(id, intervalMs, ticks());
}

void SdlPlatform::stopTimer(int id) {
    impl_->timers.stop(id);
}

void SdlPlatform::present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) {
    impl_->screen.present(frame, overlay, changed);
}

void SdlPlatform::setCaption(std::string_view utf8) {
    const std::string caption(utf8);
    SDL_SetWindowTitle(impl_->screen.window(), caption.c_str());
    setLegacyWindowName(impl_->screen.window(), caption);
}

void SdlPlatform::setBorder(bool on) {
    SDL_SetWindowBordered(impl_->screen.window(), on ? SDL_TRUE : SDL_FALSE);
}

bool SdlPlatform::setFullScreen(bool on) {
    if (on) impl_->screen.placement();  // the window's own size, kept for its return
    return SDL_SetWindowFullscreen(impl_->screen.window(), on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
}

void SdlPlatform::setScaling(ScaleFilter filter, bool sharpText) {
    impl_->screen.setScaling(filter, sharpText);
}

bool SdlPlatform::drawsSharpText() {
    return impl_->screen.drawsSharpText();
}

void SdlPlatform::setSharpText(const SharpText* text) {
    impl_->screen.setSharpText(text, fonts_);
}

void SdlPlatform::setSharpOverlayText(const SharpText* text) {
    impl_->screen.setSharpOverlayText(text, fonts_);
}

std::optional<WindowPlacement> SdlPlatform::windowPlacement() {
    return impl_->screen.placement();
}

void SdlPlatform::placeWindow(const WindowPlacement& placement) {
    impl_->screen.place(placement);
}

void SdlPlatform::setCursor(Cursor cursor) {
    impl_->cursors.use(cursor);
}

int SdlPlatform::colourDepth() {
    SDL_DisplayMode mode;
    int display = SDL_GetWindowDisplayIndex(impl_->screen.window());
    if (SDL_GetDesktopDisplayMode(std::max(display, 0), &mode) != 0) return 0;
    // A 32-bit desktop carries 24 bits of colour; the original's system counted the
    // padding byte too, and scripts compare against those numbers.
    int bytes = SDL_BYTESPERPIXEL(mode.format);
    return bytes >= 2 ? bytes * 8 : int(SDL_BITSPERPIXEL(mode.format));
}

void SdlPlatform::setTextInput(bool on, Rect where) {
    if (on) {
        SDL_Rect box = impl_->screen.sceneToWindow(where);
        SDL_SetTextInputRect(&box);
    }
    impl_->windows.setMainTextInput(on);
}

std::unique_ptr<SecondaryWindow> SdlPlatform::openWindow(std::string_view utf8Caption, int width, int height) {
    try {
        return std::make_unique<SdlSecondaryWindow>(impl_->windows, utf8Caption, width, height);
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "quorvel: %s\n", e.what());
        return nullptr;
    }
}

void SdlPlatform::beep() {
    // SDL has no bell; a terminal, if there is one, has.
    if (isatty(STDERR_FILENO)) std::fputs("\a", stderr);
}

bool SdlPlatform::acquireInstanceLock() {
    if (!lock_) lock_ = std::make_unique<InstanceLock>("quorvel");
    if (lock_->acquired()) return true;
    lock_.reset();  // a later call may try again
    return false;
}

}  // namespace qvl::platform
