// The scroll roll and the black hole: arguments read here, the effects in graphics/.
#include "app/effect_link.h"
#include "app/tfmain.h"
#include "graphics/black_hole.h"
#include "graphics/scroll_roll.h"

namespace qvl {

void TFmain::registerEffectCommands() {
    auto arg = [this](int slot) -> const std::string& { return state.ProgArgs[std::size_t(slot)]; };
    Dispatcher& d = dispatcher_;

    d.add("_scroll", [this, arg] {
        ScrollSettings s;
        s.frameMs = argValue(0, 0);
        s.colour = scrollColour(arg(1));
        s.step = argValue(2, 0);
        s.skippable = argValue(3, 0) == 1;
        s.mode = argValue(4, 0);
        // Taking the block also makes the jump past _endscroll.
        const std::vector<std::string> lines = controlFlow_.scrollBlock();
        EffectLink link(*this);
        scrollRoll(link, s, lines);
    });

    auto hole = [this, arg](BlackHoleKind kind) {
        BlackHoleArgs a;
        a.kind = kind;
        a.picture = arg(0);
        a.sourceX = argValue(1, 0);
        a.sourceY = argValue(2, 0);
        a.x = argValue(3, 0);
        a.y = argValue(4, 0);
        a.width = argValue(5, 0);
        a.height = argValue(6, 0);
        a.frames = argValue(7, 0);
        a.frameMs = argValue(8, 0);
        a.destinationCode = argValue(9, 0);
        a.sourceCode = argValue(10, 0);
        if (kind != BlackHoleKind::Plain) {
            a.overlayX = argValue(11, 0);
            a.overlayY = argValue(12, 0);
            if (kind == BlackHoleKind::Overlay)
                a.copyMode = argValue(13, 0);
            else
                a.mask = arg(13);
            a.overlay = arg(14);
        }
        EffectLink link(*this);
        blackHole(link, a);
    };
    d.add("_bhole", [hole] { hole(BlackHoleKind::Plain); });
    d.add("_bholeop", [hole] { hole(BlackHoleKind::Overlay); });
    d.add("_bholeover", [hole] { hole(BlackHoleKind::Trail); });
}

}  // namespace qvl
