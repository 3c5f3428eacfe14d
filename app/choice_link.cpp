#include "app/choice_link.h"

#include "app/texts.h"
#include "app/tfmain.h"

namespace qvl {

ChoiceInput ChoiceLink::input(TFmain& m) {
    RunCycle& c = m.cycle;
    return {c.mouseX, c.mouseY, c.input.clickPending, c.input.navigation, c.chooseRequest, [&c](int x, int y) {
                c.mouseX = x;
                c.mouseY = y;
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
    main_.scene.loadSpriteSheet(file, cellWidth, cellHeight, transparency);
}
const TextWindowState& ChoiceLink::textWindow() {
    return main_.textWindow;
}
platform::FontEngine& ChoiceLink::fonts() {
    return main_.platform().fonts();
}
void ChoiceLink::pump(std::optional<uint32_t> deadline, platform::WaitHint hint) {
    main_.cycle.pump(deadline, hint);
}
void ChoiceLink::setCursor(platform::Cursor cursor) {
    main_.platform().setCursor(cursor);
}
void ChoiceLink::sheetFailed() {
    main_.boxes.warn(text(Text::SheetFailed));
}
int32_t ChoiceLink::evaluate(std::string_view expression) {
    return main_.evaluator.evaluate(expression);
}
void ChoiceLink::playSoundToEnd(const std::string& name) {
    main_.audioLink.playWaveToEnd(name);
}
void ChoiceLink::announce(std::string_view sjis) {
    main_.voicing.announce(sjis);
}

void ChoiceLink::choiceMade(const std::vector<std::string>& labels, int32_t result) {
    std::string line;
    for (std::size_t i = 0; i < labels.size(); ++i) line += (i ? " | " : "") + labels[i];
    main_.transcript.write("choice", line + " -> " + std::to_string(result));
}

}  // namespace qvl
