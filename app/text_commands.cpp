// The text window's script commands: arguments read here, the work done by the
// text window.
#include "app/tfmain.h"

namespace qvl {

void TFmain::registerTextCommands() {
    Dispatcher& d = dispatcher_;
    auto optional = [this](int slot) -> std::optional<int32_t> {
        if (state.ProgArgs[std::size_t(slot)].empty()) return std::nullopt;
        return evaluator_.evaluate(state.ProgArgs[std::size_t(slot)]);
    };

    d.add("_textclear", [this] { text_.textClear(); });
    d.add("_textrect", [this] { text_.textRect(argValue(0, 0), argValue(1, 0), argValue(2, 0), argValue(3, 0)); });
    d.add("_textcur", [this, optional] { text_.textCur(optional(0), optional(1)); });
    d.add("_textcurto", [this] { text_.textCurTo(argValue(0, 0), argValue(1, 0)); });
    d.add("_textloc", [this, optional] { text_.textLoc(optional(0), optional(1)); });
    d.add("_textlocto", [this] { text_.textLocTo(argValue(0, 0), argValue(1, 0)); });
    d.add("_textwait", [this, optional] { text_.textWait(optional(0)); });
    d.add("_textoffset", [this] { text_.textOffset(argValue(0, 0), argValue(1, 0)); });
    d.add("_textimage", [this, optional] {
        // Both coordinates are read before the picture, as the script gives them.
        const std::optional<int32_t> x = optional(0), y = optional(1);
        text_.textImage(x, y, state.ProgArgs[2], state.ProgArgs[3]);
    });
}

void TFmain::showTextLine(const std::string& line, int32_t startPosition) {
    text_.showTextLine(line, startPosition);
}
void TFmain::showUnpagedText(const std::string& text) {
    text_.showUnpagedText(text);
}
void TFmain::clearTextWindow() {
    text_.clearTextWindow();
}

void TFmain::loadWaitIcon() {
    if (settings.Icon.empty()) return;
    if (auto picture = readPicture(settings.Icon); picture && !picture->empty())
        text_.setIconSheet(std::move(*picture));
}

}  // namespace qvl
