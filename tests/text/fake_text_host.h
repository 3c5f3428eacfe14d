#pragma once
// A text host on virtual time: real fonts and surfaces, a clock that only moves
// when something waits, and clicks answered from a script. A click wait with no
// click left fails the test instead of hanging.
#include "text/text_window.h"

#include <gtest/gtest.h>

#include <deque>

namespace qvl::testing {

inline const std::string kGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
inline const std::string kA = "\x82\xA0";                                                   // あ

struct ClickWait {
    int row;
    int32_t cursorX, cursorY;
};

class FakeTextHost : public TextHost {
public:
    FakeTextHost() : window(*this, values(), state) {
        state.setDefaults(fontTable);
        window.clearTextWindow();
        snapshots = logPages = 0;
    }

    Surface& textSurface() override { return text; }
    Surface& textMask() override { return mask; }
    const Surface& compositionSurface() override { return scene; }
    Surface& windowImage() override { return image; }
    void showWindow(std::optional<Rect>) override {}
    void presentScene(bool) override { ++scenePresents; }
    void markSceneChanged() override {}

    uint32_t ticks() override { return clock; }
    void pump(std::optional<uint32_t> deadline, platform::WaitHint hint) override {
        if (++pumps > 100000) {
            ADD_FAILURE() << "the text window keeps waiting";
            pendingAction = 1;
            return;
        }
        if (hint.kind == platform::WaitKind::Click) {
            if (mouseWentDown) {
                mouseWentUp = true;
                return;
            }
            if (clicks == 0)
                ADD_FAILURE() << "unexpected click wait at " << state.cursorX << "," << state.cursorY;
            else
                --clicks;
            waits.push_back({window.waitIcon().row(), state.cursorX, state.cursorY});
            if (tickIconDuringWaits) window.onIconTimer();
            mouseWentDown = true;
            return;
        }
        if (!deadline) return;
        if (hint.kind == platform::WaitKind::Input && !timedClicks.empty() &&
            int32_t(*deadline - timedClicks.front()) >= 0) {
            clock = std::max(clock, timedClicks.front());
            timedClicks.pop_front();
            if (clicksAccepted) clickPending = true;
            return;
        }
        if (int32_t(*deadline - clock) > 0) clock = *deadline;
    }
    void delayMs(int32_t ms) override {
        delays.push_back(ms);
        clicksAcceptedInDelay = clicksAccepted;
        clock += uint32_t(ms);
    }
    void startIconTimer() override { ++iconTimers; }
    void stopIconTimer() override { --iconTimers; }

    platform::FontEngine& fonts() override {
        static platform::FontEngine engine;
        return engine;
    }
    void appendToLog(std::string_view c, bool) override { log += c; }
    void nextLogPage() override { ++logPages; }
    void takeSaveSnapshot() override { ++snapshots; }
    void setWaitMenuItems(bool enabled) override { menuItems = enabled; }
    int32_t evaluate(std::string_view expression) override {
        if (expression == "$flg[3]") return 7;
        return std::stoi(std::string(expression));
    }
    std::string textFlag(std::string_view reference) override { return "<" + std::string(reference) + ">"; }
    std::optional<Surface> loadPicture(const std::string& name) override {
        loaded.push_back(name);
        if (!picture) return std::nullopt;
        return picture->clone();
    }
    void playWave(const std::string& name, bool wait) override { waves.push_back(name + (wait ? "!" : "")); }
    ScriptErrorReporter& reporter() override { return errors; }

    // Shows a line that needs exactly clicksNeeded clicks.
    void show(const std::string& line, int clicksNeeded = 0) {
        clicks += clicksNeeded;
        window.showTextLine(line, 1);
        EXPECT_EQ(clicks, 0) << "clicks left over after " << line;
        clicks = 0;
    }

    // Pixels differing from fill inside r of s.
    static int inkIn(const Surface& s, Rect r, uint32_t fill = 0) {
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                if (x >= 0 && y >= 0 && x < s.width() && y < s.height() && s.pixel(x, y) != fill) ++n;
        return n;
    }

    struct Reporter : ScriptErrorReporter {
        void scriptError(const std::string&) override { ++count; }
        int count = 0;
    };

    // Engine values.
    bool clickPending = false, mouseWentDown = false, mouseWentUp = false, clicksAccepted = true;
    bool fastForward = false, textOutputActive = false, skipReadMode = false, saveSuppressed = false;
    bool highSpeed = false, pageMode = false;
    int32_t currentTextId = -1, pendingAction = 0;
    std::vector<uint8_t> marks;
    InterpreterState interp;
    std::array<std::string, 7> fontTable{kGothic, kGothic, kGothic, kGothic, kGothic, kGothic, kGothic};
    std::string dataDrive = "D:\\";

    TextWindowState state;
    Surface text{640, 544, 0}, mask{640, 544, 0xFFFFFF}, scene{640, 480, 0x204060}, image{640, 480, 0x204060};

    uint32_t clock = 1000;
    int clicks = 0, pumps = 0, scenePresents = 0, iconTimers = 0, snapshots = 0, logPages = 0;
    bool tickIconDuringWaits = false, menuItems = false, clicksAcceptedInDelay = true;
    std::deque<uint32_t> timedClicks;
    std::vector<ClickWait> waits;
    std::vector<int32_t> delays;
    std::vector<std::string> loaded, waves;
    std::string log;
    std::optional<Surface> picture;
    Reporter errors;

    TextWindow window;

private:
    TextEngineValues values() {
        return {clickPending, mouseWentDown,  mouseWentUp, clicksAccepted, fastForward,   textOutputActive,
                skipReadMode, saveSuppressed, highSpeed,   pageMode,       currentTextId, pendingAction,
                marks,        interp,         fontTable,   dataDrive};
    }
};

}  // namespace qvl::testing
