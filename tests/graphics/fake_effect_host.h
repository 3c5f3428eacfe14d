#pragma once
// The window effects without an engine: a clock that jumps to every deadline,
// pictures by name, and a record of what was shown and reported.
#include "graphics/effect_host.h"

#include <map>
#include <string>
#include <vector>

namespace qvl {

constexpr uint32_t kScreen = 0x111111, kBackdrop = 0x222222;

struct FakeEffectHost : EffectHost {
    Surface screen{640, 480, kScreen}, backdrop{640, 480, kBackdrop};
    std::map<std::string, Surface> pictures;
    uint32_t clock = 5000;
    bool down = false, up = false;
    std::vector<Rect> shown;
    std::vector<Surface> frames;  // the window at every show
    std::vector<std::string> loads;
    std::vector<int32_t> reports;
    int rounds = 0;

    Surface& window() override { return screen; }
    void show(Rect changed) override { shown.push_back(changed), frames.push_back(screen.clone()); }
    const Surface& background() override { return backdrop; }
    std::optional<Surface> loadPicture(const std::string& name) override {
        loads.push_back(name);
        auto it = pictures.find(name);
        return it == pictures.end() ? std::nullopt : std::optional<Surface>(it->second.clone());
    }
    uint32_t ticks() override { return clock; }
    void pump(uint32_t deadline, bool) override { clock = int32_t(deadline - clock) > 0 ? deadline : clock; }
    void countRound() override { ++rounds; }
    bool mouseHeld() override { return down && !up; }
    void clearMouse() override { down = up = false; }
    void badDirection(int32_t code) override { reports.push_back(code); }
};

// Every pixel names where it came from: 0x10YYXX.
inline uint32_t at(int x, int y) {
    return 0x100000u | uint32_t(y << 8) | uint32_t(x);
}
inline Surface numberedPicture(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.setPixel(x, y, at(x, y));
    return s;
}

}  // namespace qvl
