#pragma once
// The run cycle: every wait of the engine, the pump they all come down to, and the
// routing of window input into the switches the waits look at (the input flags,
// PendingAction, the skip switch). Handlers run inside whatever wait is going on.
// Modal widgets pump through it too: it is their UiHost.
#include "app/input_flags.h"
#include "platform/platform.h"
#include "script/interpreter_state.h"
#include "ui/ui_host.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace qvl {

class TFmain;

class RunCycle final : public ui::UiHost {
public:
    explicit RunCycle(TFmain& main);

    // Waits. Every wait of the engine comes down to these.
    void pump(std::optional<uint32_t> deadline, platform::WaitHint hint);
    void waitUntil(uint32_t deadline, platform::WaitHint hint = {});
    void waitFor(const std::function<bool()>& done, platform::WaitHint hint);
    // A click-proof delay; a negative time counts as its magnitude.
    void delayMs(int32_t ms);
    void waitSet();
    void waitFromMark(int32_t ms);
    void waitForMouseClick();
    // After each script line: the step limit, the line observer, and a look at the
    // window's events when the script has not waited for a while.
    void lineExecuted();
    // One round of a command's own loop (a shake, an image sequence, a movie, an
    // effect), which a script can make as long as it likes: each round counts toward
    // the run's step limit, as a script line does, and lets the window's events run.
    void loopStep();
    // The wait closing a frame of such a loop: a counted round that lasts until the
    // deadline and never less than the shortest frame, so the clock moves even when
    // the script asked for no delay. frameDelay is delayMs's counterpart.
    void frameWait(uint32_t deadline);
    void frameDelay(int32_t ms);
    // An auto-advancing line starts its time again from the next wait.
    void restartAutoAdvance() { autoAdvanceDeadline_.reset(); }

    // UiHost
    platform::Platform& platform() override;
    const Surface* currentOverlay() override;
    void presentOverlay(const Surface* overlay) override;
    void passEvent(const platform::Event& event) override { handleEvent(event); }
    void announce(std::string_view sjis) override;

    // What input leaves for the waits.
    InputFlags input;
    int mouseX = 0, mouseY = 0;
    int32_t PendingAction = kPendingNone;
    int32_t ClickFlagIndex = -1;
    bool skipReadMode = false;
    uint32_t WaitBase = 0;
    std::optional<int> chooseRequest;  // a scripted "choose N" for the open choice
    bool windowCreated = false;        // the right button opens the menu only after start-up

private:
    // A script line or a loop's round toward the step limit, and the look at the
    // window's events that a loop which never waits still gets.
    void countStep();
    void pumpWhileBusy();
    void handleEvent(const platform::Event& event);
    void onMouseDown(const platform::Event& event);
    void onMouseUp(const platform::Event& event);
    void onKey(const platform::Event& event);
    void onKeyUp(const platform::Event& event);
    // The corner mark of skipping and auto-advance, and the end of a notice.
    void refreshMarks();
    // How long an auto-advancing line stays.
    uint32_t autoAdvanceDelay() const;

    TFmain& main_;
    bool leftPressed_ = false;
    uint64_t linesRun_ = 0;
    uint32_t lastPump_ = 0;  // when events last ran
    std::optional<uint32_t> autoAdvanceDeadline_;
    bool heldSkip_ = false;  // Ctrl (or the pad's RB) started the skipping and holds it
    // Ctrl held alone starts skipping after a moment, so the menu's Ctrl shortcuts
    // never skip a line on the way.
    std::optional<uint32_t> skipStartsAt_;
    void startHeldSkip();
};

}  // namespace qvl
