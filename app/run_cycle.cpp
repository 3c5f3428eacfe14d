// Waits, input routing and display switching of the main window.
#include "app/texts.h"
#include "app/tfmain.h"
#include "graphics/effect_host.h"
#include "platform/encoding.h"

namespace qvl {

using platform::Answer;
using platform::Event;
using platform::WaitHint;
using platform::WaitKind;

namespace {
// The longest stretch of script work without a look at the window's events.
constexpr int32_t kBusyPumpMs = 50;
}  // namespace

void TFmain::pump(std::optional<uint32_t> deadline, WaitHint hint) {
    // The debug window shows what changed before the engine sleeps.
    debugLink_.flush();
    // In auto-advance mode a text wait sleeps until the line's time is up, and
    // then goes on as after a click.
    const bool autoLine = settings.AutoAdvance && waitMenuItemsEnabled && !hidingView_ && !log.viewActive &&
                          !deadline && hint.kind == WaitKind::Click;
    if (autoLine) {
        if (!autoAdvanceDeadline_) autoAdvanceDeadline_ = platform_.ticks() + autoAdvanceDelay();
        deadline = autoAdvanceDeadline_;
    } else if (!waitMenuItemsEnabled) {
        autoAdvanceDeadline_.reset();
    }
    if (auto event = platform_.waitEvent(deadline, hint)) handleEvent(*event);
    if (autoLine && autoAdvanceDeadline_ && int32_t(*autoAdvanceDeadline_ - platform_.ticks()) <= 0) {
        autoAdvanceDeadline_.reset();
        input.clickPending = true;
    }
    lastPump_ = platform_.ticks();
}

void TFmain::lineExecuted() {
    countStep();
    if (options_.lineObserver) options_.lineObserver(state.ProgFileName, state.ProgExecLine);
    pumpWhileBusy();
}

void TFmain::countStep() {
    if (options_.maxSteps && ++linesRun_ >= *options_.maxSteps)
        throw platform::RunStopped(platform::RunStopped::Reason::TimeLimit, "step limit reached");
}

void TFmain::pumpWhileBusy() {
    // A loop that never waits would freeze the window: let what has arrived run.
    const uint32_t now = platform_.ticks();
    if (int32_t(now - lastPump_) < kBusyPumpMs) return;
    for (int i = 0; i < 64; ++i) {
        std::optional<platform::Event> event = platform_.waitEvent(now, {});
        if (!event) break;
        handleEvent(*event);
    }
    lastPump_ = platform_.ticks();
}

void TFmain::loopStep() {
    countStep();
    pumpWhileBusy();
}

void TFmain::frameWait(uint32_t deadline) {
    countStep();
    waitUntil(frameDeadline(platform_.ticks(), deadline));
}

void TFmain::frameDelay(int32_t ms) {
    input.clicksAccepted = false;
    frameWait(platform_.ticks() + (ms < 0 ? 0u - uint32_t(ms) : uint32_t(ms)));
    input.clicksAccepted = true;
}

void TFmain::waitUntil(uint32_t deadline, WaitHint hint) {
    while (int32_t(deadline - platform_.ticks()) > 0) pump(deadline, hint);
}

void TFmain::waitFor(const std::function<bool()>& done, WaitHint hint) {
    while (!done()) pump(std::nullopt, hint);
}

void TFmain::delayMs(int32_t ms) {
    input.clicksAccepted = false;
    uint32_t magnitude = ms < 0 ? 0u - uint32_t(ms) : uint32_t(ms);
    waitUntil(platform_.ticks() + magnitude);
    input.clicksAccepted = true;
}

void TFmain::waitFromMark(int32_t ms) {
    waitUntil(WaitBase + uint32_t(ms));
}

void TFmain::waitForMouseClick() {
    // The right button is part of the click here: it opens no menu.
    const bool popup = popupAutoOpen;
    popupAutoOpen = false;
    platform_.setCursor(platform::Cursor::Wait);
    input.clearClicks();
    const WaitHint click{WaitKind::Click, Answer::None};
    waitFor([&] { return input.mouseWentDown || input.clickPending || PendingAction != kPendingNone; }, click);
    waitFor(
        [&] {
            return input.mouseWentUp || input.clickPending || PendingAction != kPendingNone ||
                   (skipReadMode && CurrentTextId >= 0);
        },
        click);
    input.clearClicks();
    input.fastForward = false;
    platform_.setCursor(platform::Cursor::Pen);
    popupAutoOpen = popup;
}

void TFmain::present() {
    view_.show();
}

void TFmain::presentOverlay(const Surface* overlay) {
    view_.setOverlay(overlay);
}

void TFmain::handleEvent(const Event& e) {
    // The debug window's input is its own: it never reaches the scene's input flags.
    if (e.window != 0 || e.type == Event::Type::Debug) {
        debugLink_.handle(e);
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
            if (e.wheel > 0 && waitMenuItemsEnabled && popupAutoOpen) showMessageLog();
            break;
        case Event::Type::KeyDown:
            onKey(e);
            break;
        case Event::Type::Quit:
            closeRequest();
            break;
        case Event::Type::Exposed:
            present();
            break;
        case Event::Type::MediaDone:
            playback_.onCompletion(platform::MediaDevice(e.id), platform::MediaStatus(e.status));
            break;
        case Event::Type::Choose:
            if (choices_.waiting()) chooseRequest = e.id;
            break;
        case Event::Type::MenuPick:
            onMenuPick(e.text);
            break;
        case Event::Type::Timer:
            if (e.id == TextLink::kIconTimer) text_.onIconTimer();
            break;
        default:
            break;  // media reports arrive with the audio channels
    }
}

void TFmain::onMouseDown(const Event& e) {
    mouseX = e.x;
    mouseY = e.y;
    input.mouseWentDown = true;
    skipReadMode = false;  // any press stops read-text skipping
    if (e.button == platform::MouseButton::Left) leftPressed_ = true;
}

void TFmain::onMouseUp(const Event& e) {
    mouseX = e.x;
    mouseY = e.y;
    input.mouseWentUp = true;
    if (input.textOutputActive) input.fastForward = true;
    if (e.button == platform::MouseButton::Left && leftPressed_) {
        // A click: a press and a release of the left button on the scene.
        leftPressed_ = false;
        if (ClickFlagIndex >= 0 && ClickFlagIndex < kFlagCount) flags.setFlagText(ClickFlagIndex, "1");
        if (input.clicksAccepted) input.clickPending = true;
    }
    // The menu opens after the release has set its flags: taking an item clears
    // them, closing it without one leaves them, and the right click then counts.
    if (e.button == platform::MouseButton::Right && e.window == 0 && created_ && popupAutoOpen)
        openPopupMenu(e.x, e.y);
}

void TFmain::onKey(const Event& e) {
    using platform::Key;
    if ((e.key == Key::Enter && (e.mods & platform::kModAlt)) || e.key == Key::F11) {
        toggleFullScreen();
        return;
    }
    if (e.key == Key::Character && (e.mods & platform::kModCtrl)) {
        // The menu's shortcuts, which work while the menu is closed, for enabled items.
        if (auto item = menu.findShortcut(e.ch)) runMenuItem(*item, false);
        return;
    }
    switch (e.key) {
        case Key::Up:
        case Key::Down:
        case Key::Left:
        case Key::Right:
            if (choices_.waiting()) input.navigation = e.key;
            break;
        case Key::Escape:
            closeRequest();
            break;
        case Key::F12:
            showDebugWindow();  // debug mode only, like the menu's debug item
            break;
        case Key::Space:
            if (settings.SkipText) settings.SkipText = false;
            break;
        case Key::PageUp:
            // As the wheel: the log from a click wait.
            if (waitMenuItemsEnabled && popupAutoOpen) showMessageLog();
            break;
        case Key::Enter:
            if (input.textOutputActive) input.fastForward = true;
            if (input.clicksAccepted) input.clickPending = true;
            break;
        default:
            break;
    }
}

void TFmain::toggleFullScreen() {
    if (fullScreen) {
        displayMode_.restore();
        fullScreen = false;
        windowFrameRemoved = false;
        platform_.setBorder(true);
    } else if (displayMode_.change(platform::kSceneWidth, platform::kSceneHeight, 0)) {
        fullScreen = true;
    } else {
        messageBox(text(Text::AppTitle), text(Text::ModeChangeFailed), ui::BoxIcon::Exclamation, ui::BoxButtons::Ok,
                   Answer::Ok);
        input.clearClicks();
        present();
        return;
    }
    playback_.restartEndless(true);
    input.clearClicks();
    present();
}

void TFmain::setWindowCaption(const std::string& sjis) {
    windowCaption = sjis;
    platform_.setCaption(platform::sjisToUtf8(sjis));
}

void TFmain::toggleWindowFrame() {
    // Only a window has a frame; in full screen the item is disabled.
    if (fullScreen) return;
    platform_.setBorder(windowFrameRemoved);
    windowFrameRemoved = !windowFrameRemoved;
    playback_.restartEndless(false);
    input.clearClicks();
}

// --- Boxes, reports and exits -------------------------------------------------

Answer TFmain::messageBox(const std::string& title, const std::string& body, ui::BoxIcon icon, ui::BoxButtons buttons,
                          Answer autoAnswer) {
    Answer a = ui::messageBox(*this, title, body, icon, buttons, autoAnswer);
    const char* name = a == Answer::Ok ? "ok" : a == Answer::Cancel ? "cancel" : a == Answer::Yes ? "yes" : "no";
    transcript_.write("box", title + " | " + body + " -> " + name);
    return a;
}

void TFmain::reportScriptError(const std::string& message) {
    // Before any script is loaded (a bad configuration file) the message names its own file and line.
    std::string detail = state.ProgFileName.empty() ? message
                                                    : "File:" + state.ProgFileName + " Line:" +
                                                          std::to_string(int64_t(state.ProgExecLine) + 1) + "/" + message;
    transcript_.write("error", detail);
    Answer a = messageBox(detail, text(Text::ErrorQuestion), ui::BoxIcon::Question, ui::BoxButtons::YesNo, Answer::No);
    if (a == Answer::Yes) throw ProgramExit{1};
    errors.add(detail);
    debugLink_.addError(detail);
}

void TFmain::scriptError(const std::string& message) {
    messageBox(text(Text::AppTitle), message, ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, Answer::Ok);
    reportScriptError(message);
}

void TFmain::failureHandler(const std::string& message) {
    messageBox(text(Text::AppTitle), message, ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, Answer::Ok);
    reportScriptError(message);
}

void TFmain::closeRequest() {
    if (closeQueryOpen_) return;
    closeQueryOpen_ = true;
    Answer a = messageBox(text(Text::ExitTitle), text(Text::ExitQuestion), ui::BoxIcon::Question,
                          ui::BoxButtons::OkCancel, Answer::Ok);
    closeQueryOpen_ = false;
    if (a == Answer::Ok) normalExit();
    input.clearClicks();
}

void TFmain::normalExit() {
    saveSettings();
    saveGlobalsAndMarks();
    throw ProgramExit{0};
}

}  // namespace qvl
