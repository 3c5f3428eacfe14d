#include "app/engine_system_values.h"

#include "app/tfmain.h"

namespace qvl {

int32_t EngineSystemValues::systemValue(int n) {
    const TFmain& m = main_;
    const TextWindowState& t = m.textWindow;
    switch (n) {
        case 0:
            return m.cycle.mouseX;
        case 1:
            return m.cycle.mouseY;
        case 2:
            return m.settings.DebugMode ? 1 : 0;
        case 3:
            return m.settings.BGDarkness ? 1 : 0;
        case 4:
            return t.cellWidth;
        case 5:
            return t.cellHeight;
        case 6:
            return t.rubyGap;
        case 7:
            return t.fontIndex;
        case 8:
            return t.leftEdge;
        case 9:
            return t.rightLimit;
        case 10:
            return t.bottomLimit;
        case 11:
            return t.sizeIndex;
        case 12:
            return t.fontHeight;
        case 13:
            return t.rubyHeight;
        case 14:
            return t.charDelay;
        case 15:
            return t.cursorX;
        case 16:
            return t.cursorY;
        case 17:
            return t.column();
        case 18:
            return t.row();
        default:
            return BasicSystemValues::systemValue(n);
    }
}

}  // namespace qvl
