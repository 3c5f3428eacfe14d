#pragma once
// The engine's side of the choices: the screen, the sprite sheet, the text
// window's look, the pump and the boxes, as ChoiceHost asks for them.
#include "choice/choice_host.h"

namespace qvl {

class TFmain;

class ChoiceLink final : public ChoiceHost {
public:
    explicit ChoiceLink(TFmain& main) : main_(main) {}

    Surface& windowImage() override;
    void showWindow(std::optional<Rect> changed) override;
    SurfaceBank& bank() override;
    void loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                         const std::string& transparency) override;
    const TextWindowState& textWindow() override;
    platform::FontEngine& fonts() override;
    void pump(std::optional<uint32_t> deadline, platform::WaitHint hint) override;
    void setCursor(platform::Cursor cursor) override;
    void sheetFailed() override;
    int32_t evaluate(std::string_view expression) override;
    void playSoundToEnd(const std::string& name) override;
    void choiceMade(const std::vector<std::string>& labels, int32_t result) override;
    void announce(std::string_view sjis) override;

    static ChoiceInput input(TFmain& main);

private:
    TFmain& main_;
};

}  // namespace qvl
