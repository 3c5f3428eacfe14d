#include "app/text_link.h"

#include "app/tfmain.h"

#include <utility>

namespace qvl {

TextEngineValues TextLink::values(TFmain& m) {
    InputFlags& input = m.cycle.input;
    return {input.clickPending,       input.mouseWentDown,
            input.mouseWentUp,        input.clicksAccepted,
            input.fastForward,        input.textOutputActive,
            m.cycle.skipReadMode,     m.shell.saveSuppressed,
            m.settings.HighSpeedText, m.settings.SkipText,
            m.CurrentTextId,          m.cycle.PendingAction,
            m.ReadTextMarks,          m.state,
            m.settings.FontTable,     m.settings.dataDriveRoot};
}

Surface& TextLink::textSurface() {
    return main_.bank()[SurfaceId::Text];
}
Surface& TextLink::textMask() {
    return main_.bank()[SurfaceId::TextMask];
}
const Surface& TextLink::compositionSurface() {
    return std::as_const(main_.bank())[SurfaceId::VirtualVram];
}
Surface& TextLink::windowImage() {
    return main_.view().image();
}
void TextLink::showWindow(std::optional<Rect> changed) {
    main_.view().show(changed);
}
void TextLink::presentScene(bool withoutText) {
    main_.scene.presentScene(withoutText);
}
void TextLink::markSceneChanged() {
    main_.bank().sceneDirty = true;
}

uint32_t TextLink::ticks() {
    return main_.platform().ticks();
}
void TextLink::pump(std::optional<uint32_t> deadline, platform::WaitHint hint) {
    main_.cycle.pump(deadline, hint);
}
void TextLink::delayMs(int32_t ms) {
    main_.cycle.delayMs(ms);
}
void TextLink::startIconTimer() {
    main_.platform().startTimer(kIconTimer, 100);
}
void TextLink::stopIconTimer() {
    main_.platform().stopTimer(kIconTimer);
}

platform::FontEngine& TextLink::fonts() {
    return main_.platform().fonts();
}
void TextLink::appendToLog(std::string_view character, bool symbolFont) {
    main_.log.appendToLog(character, symbolFont);
}
void TextLink::nextLogPage() {
    main_.log.nextLogPage();
}
void TextLink::takeSaveSnapshot() {
    main_.saveLink.capture();
}
void TextLink::setWaitMenuItems(bool enabled) {
    main_.shell.waitMenuItemsEnabled = enabled;
}

int32_t TextLink::evaluate(std::string_view expression) {
    return main_.evaluator.evaluate(expression);
}
std::string TextLink::textFlag(std::string_view reference) {
    return main_.evaluator.readTextFlag(reference, 1);
}
std::optional<Surface> TextLink::loadPicture(const std::string& name) {
    return main_.pictures.read(name);
}
void TextLink::playWave(const std::string& name, bool waitUntilDone) {
    if (waitUntilDone)
        main_.audioLink.playWaveToEnd(name);
    else
        main_.playback.playWave(name);
}
ScriptErrorReporter& TextLink::reporter() {
    return main_.boxes;
}
void TextLink::textShown(std::string_view sjisText) {
    main_.transcript.write("text", sjisText);
}
void TextLink::textToRead(std::string_view sjisText) {
    main_.voicing.line(sjisText);
}

}  // namespace qvl
