#pragma once
// The engine's side of the scroll roll and the black hole: the window image and
// its view, the Background surface, the pump and the mouse switches.
#include "graphics/effect_host.h"

namespace qvl {

class TFmain;

class EffectLink final : public EffectHost {
public:
    explicit EffectLink(TFmain& main) : main_(main) {}

    Surface& window() override;
    void show(Rect changed) override;
    const Surface& background() override;
    std::optional<Surface> loadPicture(const std::string& name) override;
    uint32_t ticks() override;
    void pump(uint32_t deadline, bool takesInput) override;
    void countRound() override;
    bool mouseHeld() override;
    void clearMouse() override;
    void badDirection(int32_t code) override;

private:
    TFmain& main_;
};

}  // namespace qvl
