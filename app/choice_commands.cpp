// The three choice commands: arguments read here, the looks in choice/, the frame
// every choice shares in ControlFlow::choice.
#include "app/tfmain.h"

namespace qvl {

void TFmain::registerChoiceCommands() {
    Dispatcher& d = dispatcher_;
    auto arg = [this](int slot) -> const std::string& { return state.ProgArgs[std::size_t(slot)]; };
    d.add("_selmenu", [this, arg] {
        choices_.setMenu({argOptional(0), argOptional(1), arg(2), arg(3)});
        runChoice(ChoiceKind::Menu);
    });
    d.add("_selbutton", [this, arg] {
        choices_.setSheet({argOptional(0), argOptional(1), arg(2), argValue(3, 0), argValue(4, 0), 1, arg(5)});
        runChoice(ChoiceKind::Buttons);
    });
    d.add("_selcgmode", [this, arg] {
        choices_.setSheet(
            {argOptional(0), argOptional(1), arg(2), argValue(3, 0), argValue(4, 0), argValue(5, 0), arg(6)});
        runChoice(ChoiceKind::PictureGrid);
    });
}

void TFmain::runChoice(ChoiceKind kind) {
    // The save item works during a choice when saving is allowed and there is a
    // save point to write.
    saveMenuEnabled = !saveSuppressed && saves.snapshot().exists();
    struct Off {
        bool& enabled;
        ~Off() { enabled = false; }
    } off{saveMenuEnabled};
    choices_.setClickSound(settings.MenuClickSound);
    controlFlow_.choice(kind, choices_);
}

void TFmain::loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                             const std::string& transparency) {
    std::optional<Surface> mask = namesMaskFile(transparency) ? readPicture(transparency) : std::nullopt;
    bank_.loadSpriteSheet(readPicture(file), file, cellWidth, cellHeight, transparency, std::move(mask));
}

std::optional<int32_t> TFmain::argOptional(int slot) {
    const std::string& a = state.ProgArgs[std::size_t(slot)];
    if (a.empty()) return std::nullopt;
    return evaluator_.evaluate(a);
}

}  // namespace qvl
