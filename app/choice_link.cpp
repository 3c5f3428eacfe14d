#include "app/choice_link.h"

#include "app/texts.h"
#include "app/tfmain.h"

namespace qvl {

ChoiceInput ChoiceLink::input(TFmain& m) {
    return {m.mouseX, m.mouseY, m.input.clickPending, m.input.navigation, m.chooseRequest, [&m](int x, int y) {
                m.mouseX = x;
                m.mouseY = y;
            }};
}

Surface& ChoiceLink::windowImage() {
    return main_.view().image();
}
void ChoiceLink::showWindow(std::optional<Rect> changed) {
    main_.view().show(changed);
}
SurfaceBank& ChoiceLink::bank() {
    return main_.bank();
}
void ChoiceLink::loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                                 const std::string& transparency) {
    main_.loadSpriteSheet(file, cellWidth, cellHeight, transparency);
}
const TextWindowState& ChoiceLink::textWindow() {
    return main_.textWindow;
}
platform::FontEngine& ChoiceLink::fonts() {
    return main_.platform().fonts();
}
void ChoiceLink::pump(std::optional<uint32_t> deadline, platform::WaitHint hint) {
    main_.pump(deadline, hint);
}
void ChoiceLink::setCursor(platform::Cursor cursor) {
    main_.platform().setCursor(cursor);
}
void ChoiceLink::sheetFailed() {
    main_.messageBox(text(Text::AppTitle), text(Text::SheetFailed), ui::BoxIcon::Exclamation, ui::BoxButtons::Ok,
                     platform::Answer::Ok);
}
int32_t ChoiceLink::evaluate(std::string_view expression) {
    return main_.evaluator().evaluate(expression);
}
void ChoiceLink::playSoundToEnd(const std::string& name) {
    main_.playWaveToEnd(name);
}
void ChoiceLink::choiceMade(const std::vector<std::string>& labels, int32_t result) {
    std::string line;
    for (std::size_t i = 0; i < labels.size(); ++i) line += (i ? " | " : "") + labels[i];
    main_.transcript().write("choice", line + " -> " + std::to_string(result));
}

}  // namespace qvl
