// Waits and input routing of the main window.
#include "app/run_cycle.h"

#include "app/tfmain.h"
#include "graphics/effect_host.h"

#include <algorithm>

namespace qvl {

using platform::Answer;
using platform::Event;
using platform::WaitHint;
using platform::WaitKind;

namespace {

// The longest stretch of script work without a look at the window's events.
constexpr int32_t kBusyPumpMs = 50;
// How long Ctrl is held alone before skipping starts.
constexpr uint32_t kHeldSkipDelayMs = 300;

// How long an auto-advancing line stays before it goes on, slow to fast: a pause
// and a time per character.
constexpr uint32_t kAutoAdvanceBaseMs[3] = {2500, 1500, 700};
constexpr uint32_t kAutoAdvancePerCharMs[3] = {90, 60, 30};
// A line read aloud goes on when the reading ends, but never waits longer than this
// past its own time for a service that does not say it has finished.
constexpr uint32_t kSpeechWaitLimitMs = 30000;

bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

RunCycle::RunCycle(TFmain& main) : main_(main) {}

platform::Platform& RunCycle::platform() {
    return main_.platform();
}

const Surface* RunCycle::currentOverlay() {
    return main_.view().overlay();
}

void RunCycle::presentOverlay(const Surface* overlay) {
    main_.view().setOverlay(overlay);
}

void RunCycle::announce(std::string_view sjis) {
    main_.voicing.announce(sjis);
}

void RunCycle::pump(std::optional<uint32_t> deadline, WaitHint hint) {
    platform::Platform& platform = main_.platform();
    // The debug window shows what changed before the engine sleeps.
    main_.debugLink.flush();
    if (main_.options.hook) main_.options.hook->waiting();
    // In auto-advance mode a text wait sleeps until the line's time is up, and
    // then goes on as after a click.
    const Shell& shell = main_.shell;
    const bool autoLine = main_.settings.AutoAdvance && shell.waitMenuItemsEnabled && !shell.hidingView() &&
                          !main_.log.viewActive && !deadline && hint.kind == WaitKind::Click;
    auto passed = [&platform](uint32_t t) { return int32_t(t - platform.ticks()) <= 0; };
    auto readingOn = [&] { return main_.voicing.speaking() && !passed(*autoAdvanceDeadline_ + kSpeechWaitLimitMs); };
    if (autoLine) {
        if (!autoAdvanceDeadline_) autoAdvanceDeadline_ = platform.ticks() + autoAdvanceDelay();
        deadline = autoAdvanceDeadline_;
        // The end of the reading wakes the wait (Event::Type::Speech).
        if (passed(*deadline) && readingOn()) deadline = *autoAdvanceDeadline_ + kSpeechWaitLimitMs;
    } else if (!shell.waitMenuItemsEnabled) {
        autoAdvanceDeadline_.reset();
    }
    refreshMarks();
    // A notice on screen wakes the wait when it is time for it to go.
    std::optional<uint32_t> wake = deadline;
    for (std::optional<uint32_t> at : {main_.view().noticeEnds(), skipStartsAt_})
        if (at && (!wake || int32_t(*at - *wake) < 0)) wake = at;
    if (auto event = platform.waitEvent(wake, hint)) handleEvent(*event);
    main_.view().expireNotice();
    if (skipStartsAt_ && passed(*skipStartsAt_)) startHeldSkip();
    if (autoLine && autoAdvanceDeadline_ && passed(*autoAdvanceDeadline_) && !readingOn()) {
        autoAdvanceDeadline_.reset();
        input.clickPending = true;
    }
    lastPump_ = platform.ticks();
}

uint32_t RunCycle::autoAdvanceDelay() const {
    // In proportion to the line being read: the script line the text came from.
    const InterpreterState& state = main_.state;
    const ScriptProgram& program = main_.program;
    uint32_t characters = 0;
    if (state.ProgExecLine >= 0 && std::size_t(state.ProgExecLine) < program.Lines.size()) {
        const std::string_view line = program.Lines[std::size_t(state.ProgExecLine)];
        for (std::size_t i = 0; i < line.size(); ++characters)
            i += isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
    }
    const std::size_t speed = std::size_t(std::clamp(main_.settings.AutoAdvanceSpeed, 0, 2));
    return kAutoAdvanceBaseMs[speed] + kAutoAdvancePerCharMs[speed] * characters;
}

void RunCycle::lineExecuted() {
    countStep();
    const TFmainOptions& options = main_.options;
    if (options.lineObserver) options.lineObserver(main_.state.ProgFileName, main_.state.ProgExecLine);
    pumpWhileBusy();
}

void RunCycle::countStep() {
    const TFmainOptions& options = main_.options;
    if (options.maxSteps && ++linesRun_ >= *options.maxSteps)
        throw platform::RunStopped(platform::RunStopped::Reason::TimeLimit, "step limit reached");
}

void RunCycle::pumpWhileBusy() {
    platform::Platform& platform = main_.platform();
    // A loop that never waits would freeze the window: let what has arrived run.
    const uint32_t now = platform.ticks();
    if (int32_t(now - lastPump_) < kBusyPumpMs) return;
    for (int i = 0; i < 64; ++i) {
        std::optional<platform::Event> event = platform.waitEvent(now, {});
        if (!event) break;
        handleEvent(*event);
    }
    lastPump_ = platform.ticks();
}

void RunCycle::loopStep() {
    countStep();
    pumpWhileBusy();
}

void RunCycle::frameWait(uint32_t deadline) {
    countStep();
    waitUntil(frameDeadline(main_.platform().ticks(), deadline));
}

void RunCycle::frameDelay(int32_t ms) {
    input.clicksAccepted = false;
    frameWait(main_.platform().ticks() + (ms < 0 ? 0u - uint32_t(ms) : uint32_t(ms)));
    input.clicksAccepted = true;
}

void RunCycle::waitUntil(uint32_t deadline, WaitHint hint) {
    platform::Platform& platform = main_.platform();
    if (int32_t(deadline - platform.ticks()) <= 0) {
        // Work running late (a transition whose frames take longer than their
        // pace) leaves no wait: what has arrived runs now, not when it is over.
        for (int i = 0; i < 64; ++i) {
            std::optional<Event> event = platform.pollEvent();
            if (!event) break;
            handleEvent(*event);
        }
        return;
    }
    while (int32_t(deadline - platform.ticks()) > 0) pump(deadline, hint);
}

void RunCycle::waitFor(const std::function<bool()>& done, WaitHint hint) {
    while (!done()) pump(std::nullopt, hint);
}

void RunCycle::delayMs(int32_t ms) {
    input.clicksAccepted = false;
    uint32_t magnitude = ms < 0 ? 0u - uint32_t(ms) : uint32_t(ms);
    waitUntil(main_.platform().ticks() + magnitude);
    input.clicksAccepted = true;
}

void RunCycle::waitSet() {
    WaitBase = main_.platform().ticks();
}

void RunCycle::waitFromMark(int32_t ms) {
    waitUntil(WaitBase + uint32_t(ms));
}

void RunCycle::waitForMouseClick() {
    // The right button is part of the click here: it opens no menu.
    Shell& shell = main_.shell;
    const bool popup = shell.popupAutoOpen;
    shell.popupAutoOpen = false;
    main_.platform().setCursor(platform::Cursor::Wait);
    input.clearClicks();
    const WaitHint click{WaitKind::Click, Answer::None};
    waitFor([&] { return input.mouseWentDown || input.clickPending || PendingAction != kPendingNone; }, click);
    waitFor(
        [&] {
            return input.mouseWentUp || input.clickPending || PendingAction != kPendingNone ||
                   (skipReadMode && main_.CurrentTextId >= 0);
        },
        click);
    input.clearClicks();
    input.fastForward = false;
    main_.platform().setCursor(platform::Cursor::Pen);
    shell.popupAutoOpen = popup;
}

void RunCycle::handleEvent(const Event& e) {
    // The debug window's input is its own: it never reaches the scene's input flags.
    if (e.window != 0 || e.type == Event::Type::Debug) {
        main_.debugLink.handle(e);
        return;
    }
    switch (e.type) {
        case Event::Type::MouseDown:
            onMouseDown(e);
            break;
        case Event::Type::MouseUp:
            onMouseUp(e);
            break;
        case Event::Type::MouseMove:
            mouseX = e.x;
            mouseY = e.y;
            break;
        case Event::Type::MouseWheel:
            // Turning the wheel up at a click wait pages back through the log, as
            // readers expect; wherever the menu may not open, neither does the view.
            mouseX = e.x;
            mouseY = e.y;
            if (e.wheel > 0 && main_.shell.waitMenuItemsEnabled && main_.shell.popupAutoOpen)
                main_.shell.showMessageLog();
            break;
        case Event::Type::KeyDown:
            onKey(e);
            refreshMarks();
            break;
        case Event::Type::KeyUp:
            onKeyUp(e);
            refreshMarks();
            break;
        case Event::Type::Quit:
            main_.closeRequest();
            break;
        case Event::Type::Exposed:
            main_.view().show();
            break;
        case Event::Type::MediaDone:
            main_.playback.onCompletion(platform::MediaDevice(e.id), platform::MediaStatus(e.status));
            break;
        case Event::Type::Choose:
            if (main_.choices().waiting()) chooseRequest = e.id;
            break;
        case Event::Type::MenuPick:
            main_.shell.onMenuPick(e.text);
            break;
        case Event::Type::Timer:
            if (e.id == TextLink::kIconTimer) main_.text.onIconTimer();
            break;
        case Event::Type::Speech:
            main_.voicing.onSpeechEvent();
            break;
        default:
            break;  // media reports arrive with the audio channels
    }
}

void RunCycle::onKeyUp(const Event& e) {
    if (e.key != platform::Key::Control) return;
    skipStartsAt_.reset();
    if (heldSkip_) {
        heldSkip_ = false;
        skipReadMode = false;
    }
}

void RunCycle::startHeldSkip() {
    skipStartsAt_.reset();
    if (!main_.settings.TextMaxIndex || skipReadMode) return;
    skipReadMode = true;
    heldSkip_ = true;
    refreshMarks();
}

void RunCycle::refreshMarks() {
    static const std::string kSkip = "SKIP", kAuto = "AUTO";
    main_.view().setMark(skipReadMode ? kSkip : main_.settings.AutoAdvance ? kAuto : std::string());
}

void RunCycle::onMouseDown(const Event& e) {
    mouseX = e.x;
    mouseY = e.y;
    input.mouseWentDown = true;
    skipReadMode = false;  // any press stops read-text skipping
    if (e.button == platform::MouseButton::Left) leftPressed_ = true;
}

void RunCycle::onMouseUp(const Event& e) {
    mouseX = e.x;
    mouseY = e.y;
    input.mouseWentUp = true;
    if (input.textOutputActive) input.fastForward = true;
    if (e.button == platform::MouseButton::Left && leftPressed_) {
        // A click: a press and a release of the left button on the scene.
        leftPressed_ = false;
        if (ClickFlagIndex >= 0 && ClickFlagIndex < kFlagCount) main_.flags.setFlagText(ClickFlagIndex, "1");
        if (input.clicksAccepted) input.clickPending = true;
        if (input.clicksAccepted && main_.shell.waitMenuItemsEnabled) main_.voicing.clickAtTextWait();
    }
    // The menu opens after the release has set its flags: taking an item clears
    // them, closing it without one leaves them, and the right click then counts.
    if (e.button == platform::MouseButton::Right && e.window == 0 && windowCreated && main_.shell.popupAutoOpen)
        main_.shell.openPopupMenu(e.x, e.y);
}

void RunCycle::onKey(const Event& e) {
    using platform::Key;
    Shell& shell = main_.shell;
    if (e.key != Key::Control) skipStartsAt_.reset();  // Ctrl was for a shortcut
    if ((e.key == Key::Enter && (e.mods & platform::kModAlt)) || e.key == Key::F11) {
        shell.toggleFullScreen();
        return;
    }
    if (e.key == Key::Character && (e.mods & platform::kModCtrl)) {
        // The menu's shortcuts, which work while the menu is closed, for enabled items.
        if (auto item = shell.menu.findShortcut(e.ch)) shell.runMenuItem(*item, false);
        return;
    }
    if (e.key == Key::Character && e.ch == 'v' && !(e.mods & platform::kModAlt)) {
        shell.runMenuItem(MenuItem::Kvoicing, false);
        return;
    }
    if (e.key == Key::F10 && (e.mods & platform::kModShift)) {
        // The desktop's key for a context menu: the popup menu without a pointer.
        if (windowCreated && shell.popupAutoOpen)
            shell.openPopupMenu(platform::kSceneWidth / 2, platform::kSceneHeight / 3);
        return;
    }
    switch (e.key) {
        case Key::Up:
        case Key::Down:
        case Key::Left:
        case Key::Right:
            if (main_.choices().waiting()) input.navigation = e.key;
            break;
        case Key::Escape:
            // A pad's B backs out of menus and dialogs; over the story it does nothing.
            if (!(e.mods & platform::kModPad)) main_.closeRequest();
            break;
        case Key::Backspace:
            // Back a page, from a click wait as a load would be asked for.
            if (shell.waitMenuItemsEnabled && !main_.saveLink.requestRollback(1)) main_.platform().beep();
            break;
        case Key::F5:
        case Key::F9:
            // Whenever their items in 便利機能 could be chosen.
            shell.runMenuItem(e.key == Key::F5 ? MenuItem::Kquicksave : MenuItem::Kquickload, false);
            break;
        case Key::Control:
            // Held, it skips what was read; let go, it stops. A pad has no shortcuts to wait for.
            if (e.mods & platform::kModPad)
                startHeldSkip();
            else
                skipStartsAt_ = main_.platform().ticks() + kHeldSkipDelayMs;
            break;
        case Key::Menu:
            // The context-menu key (a pad's Y or Start) opens the menu where the pointer is.
            if (windowCreated && shell.popupAutoOpen) shell.openPopupMenu(mouseX, mouseY);
            break;
        case Key::F12:
            main_.debugLink.show();  // debug mode only, like the menu's debug item
            break;
        case Key::Space:
            if (main_.settings.SkipText) main_.settings.SkipText = false;
            break;
        case Key::PageUp:
            // As the wheel: the log from a click wait.
            if (shell.waitMenuItemsEnabled && shell.popupAutoOpen) shell.showMessageLog();
            break;
        case Key::Enter:
            if (input.textOutputActive) input.fastForward = true;
            if (input.clicksAccepted) input.clickPending = true;
            if (input.clicksAccepted && shell.waitMenuItemsEnabled) main_.voicing.clickAtTextWait();
            break;
        default:
            break;
    }
}

}  // namespace qvl
