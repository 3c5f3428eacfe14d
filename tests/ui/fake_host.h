#pragma once
// A scripted stand-in for the engine while a modal widget runs: a queue of input
// events, a clock that moves only when an event is taken, a record of what was
// presented. An empty queue throws, so a widget that waits too long fails the test
// instead of hanging it.
#include "platform/fonts.h"
#include "platform/platform.h"
#include "ui/ui_host.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvl::ui::test {

inline platform::FontEngine& sharedFonts() {
    static platform::FontEngine fonts;
    return fonts;
}

// Widgets make no sound.
class SilentAudio final : public platform::AudioOutput {
public:
    int open(platform::MediaDevice, const std::string&) override { return 0; }
    int play(platform::MediaDevice, bool) override { return 0; }
    int stop(platform::MediaDevice) override { return 0; }
    int close(platform::MediaDevice) override { return 0; }
    bool isOpen(platform::MediaDevice) const override { return false; }
    uint32_t length(platform::MediaDevice) const override { return 0; }
    std::string lastError() const override { return {}; }
};

class FakePlatform : public platform::Platform {
public:
    struct Scripted {
        platform::Event event;
        uint32_t delayMs;  // clock advance before the event arrives
    };

    uint32_t ticks() override { return now; }
    std::optional<platform::Event> waitEvent(std::optional<uint32_t>, const platform::WaitHint& hint) override {
        hints.push_back(hint);
        if (queue.empty()) throw std::runtime_error("the widget waited for input after the script ended");
        Scripted next = queue.front();
        queue.pop_front();
        now += next.delayMs;
        return next.event;
    }
    void startTimer(int, uint32_t) override {}
    void stopTimer(int) override {}
    void present(const Surface&, const Surface*, std::optional<Rect>) override {}
    void setCaption(std::string_view) override {}
    void setBorder(bool) override {}
    bool setFullScreen(bool) override { return false; }
    void setCursor(platform::Cursor) override {}
    int colourDepth() override { return 32; }
    void setTextInput(bool on, Rect where) override { textInput.push_back({on, where}); }
    void beep() override { ++beeps; }
    platform::FontEngine& fonts() override { return sharedFonts(); }
    platform::AudioOutput& audio() override { return audio_; }
    bool acquireInstanceLock() override { return true; }

    std::deque<Scripted> queue;
    uint32_t now = 1000;
    std::vector<platform::WaitHint> hints;
    std::vector<std::pair<bool, Rect>> textInput;
    int beeps = 0;
    SilentAudio audio_;
};

class FakeHost : public UiHost {
public:
    platform::Platform& platform() override { return fake; }
    const Surface* currentOverlay() override { return base; }
    void presentOverlay(const Surface* overlay) override {
        presented.push_back(overlay);
        if (overlay && overlay != base) {
            lastFrame = overlay->clone();
            frames.push_back(overlay->clone());
        }
    }
    void passEvent(const platform::Event& event) override { passed.push_back(event); }

    // Script helpers.
    FakeHost& push(platform::Event e, uint32_t delayMs = 10) {
        fake.queue.push_back({std::move(e), delayMs});
        return *this;
    }
    FakeHost& key(platform::Key k, uint8_t mods = platform::kModNone) {
        platform::Event e;
        e.type = platform::Event::Type::KeyDown;
        e.key = k;
        e.mods = mods;
        return push(e);
    }
    FakeHost& text(const std::string& utf8) {
        platform::Event e;
        e.type = platform::Event::Type::TextInput;
        e.text = utf8;
        return push(e);
    }
    FakeHost& answer(platform::Answer a) {
        platform::Event e;
        e.type = platform::Event::Type::Answer;
        e.answer = a;
        return push(e);
    }
    FakeHost& mouse(platform::Event::Type type, int x, int y, uint32_t delayMs = 10) {
        platform::Event e;
        e.type = type;
        e.x = x;
        e.y = y;
        return push(e, delayMs);
    }
    FakeHost& click(int x, int y) {
        mouse(platform::Event::Type::MouseDown, x, y);
        return mouse(platform::Event::Type::MouseUp, x, y);
    }

    FakePlatform fake;
    const Surface* base = nullptr;
    std::vector<const Surface*> presented;
    std::optional<Surface> lastFrame;  // copy of the last overlay the widget drew
    std::vector<Surface> frames;       // copies of all of them
    std::vector<platform::Event> passed;
};

// The bounding box of the opaque pixels of an overlay.
inline Rect opaqueBounds(const Surface& s) {
    int x0 = s.width(), y0 = s.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if ((s.pixel(x, y) >> 24) == 0xFF) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

}  // namespace qvl::ui::test
