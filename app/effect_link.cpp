#include "app/effect_link.h"

#include "app/texts.h"
#include "app/tfmain.h"

#include <string>

namespace qvl {

Surface& EffectLink::window() {
    return main_.view().image();
}
void EffectLink::show(Rect changed) {
    main_.view().show(changed);
}
const Surface& EffectLink::background() {
    return main_.bank()[SurfaceId::Background];
}
std::optional<Surface> EffectLink::loadPicture(const std::string& name) {
    return main_.pictures.read(name);
}
uint32_t EffectLink::ticks() {
    return main_.platform().ticks();
}
void EffectLink::pump(uint32_t deadline, bool takesInput) {
    main_.cycle.pump(deadline, {takesInput ? platform::WaitKind::Input : platform::WaitKind::Time});
}
void EffectLink::countRound() {
    main_.cycle.loopStep();
}
bool EffectLink::mouseHeld() {
    return main_.cycle.input.mouseWentDown && !main_.cycle.input.mouseWentUp;
}
void EffectLink::clearMouse() {
    main_.cycle.input.mouseWentDown = main_.cycle.input.mouseWentUp = false;
}
void EffectLink::badDirection(int32_t code) {
    main_.boxes.scriptError(text(Text::BadDirection) + std::to_string(code));
}

}  // namespace qvl
