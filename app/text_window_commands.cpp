#include "app/text_window_commands.h"

#include "app/tfmain.h"

namespace qvl {

TextWindowCommands::TextWindowCommands(TFmain& main, Dispatcher& d) : args_(main.state, main.evaluator) {
    TextWindow& text = main.text;
    auto value = [this](int slot) { return args_.value(slot, 0); };
    auto optional = [this](int slot) { return args_.optional(slot); };

    d.add("_textclear", [&text] { text.textClear(); });
    d.add("_textrect", [&text, value] { text.textRect(value(0), value(1), value(2), value(3)); });
    d.add("_textcur", [&text, optional] { text.textCur(optional(0), optional(1)); });
    d.add("_textcurto", [&text, value] { text.textCurTo(value(0), value(1)); });
    d.add("_textloc", [&text, optional] { text.textLoc(optional(0), optional(1)); });
    d.add("_textlocto", [&text, value] { text.textLocTo(value(0), value(1)); });
    d.add("_textwait", [&text, optional] { text.textWait(optional(0)); });
    d.add("_textoffset", [&text, value] { text.textOffset(value(0), value(1)); });
    d.add("_textimage", [this, &text, optional] {
        // Both coordinates are read before the picture, as the script gives them.
        const std::optional<int32_t> x = optional(0), y = optional(1);
        text.textImage(x, y, args_.text(2), args_.text(3));
    });
}

}  // namespace qvl
