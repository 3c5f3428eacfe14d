#include "app/scene_commands.h"

#include "app/tfmain.h"
#include "graphics/scroll_roll.h"

namespace qvl {

SceneCommands::SceneCommands(TFmain& main, Dispatcher& d)
    : main_(main), scene_(main.scene), args_(main.state, main.evaluator) {
    auto arg = [this](int slot) -> const std::string& { return args_.text(slot); };
    auto value = [this](int slot, int32_t emptyValue) { return args_.value(slot, emptyValue); };
    Scene& scene = scene_;

    d.add("_bgload", [&scene, arg] {
        scene.loadBackground(arg(0));
        scene.presentAfterChange();
    });
    d.add("_objload", [&scene, arg, value] {
        int32_t slot = value(0, 0);
        scene.loadPerson(slot, arg(1), arg(2));
    });
    d.add("_objput", [this] { putPerson(); });
    d.add("_objset", [this] { setPersonState(); });
    d.add("_objclear", [this] { clearPersons(); });

    d.add("_efload", [&scene, arg, value] {
        std::optional<Surface> mask = scene.maskPicture(arg(1));
        scene.loadEffect(arg(0), arg(1), value(2, 0), std::move(mask));
    });
    d.add("_efset", [this] { setEffect(); });

    d.add("_sprload", [&scene, arg, value] { scene.loadSpriteSheet(arg(0), value(1, 0), value(2, 0), arg(3)); });
    d.add("_sprset", [&main, value] { main.bank().setSpriteCell(value(0, 0), value(1, 0), value(2, 0)); });
    d.add("_sprput", [&scene, value] { scene.putSprite(value(0, 0), value(1, 0), value(2, 0)); });
    d.add("_sprhide", [&scene, value] { scene.hideSprite(value(0, 0)); });
    d.add("_sprclear", [&scene] { scene.hideAllSprites(); });
    d.add("_sprrefresh", [&scene] { scene.drawAllSprites(); });
    d.add("_spranime", [&main, value] { main.bank().setSpriteAnimation(value(0, 0), value(1, 0)); });

    d.add("_refresh", [&scene] { scene.presentScene(false); });
    d.add("_autorefresh", [&scene, arg] { scene.autoRefreshMode = arg(0); });
    d.add("_smartrefresh", [&scene, arg] {
        const std::string first = arg(0), second = arg(1), noDark = arg(2);
        scene.smartRefresh(first, second, noDark);
    });
    d.add("_fade", [&main, &scene, arg] {
        if (main.cycle.skipReadMode)
            scene.presentScene(false);
        else
            scene.runTransition(arg(0));
    });
    d.add("_shake", [&scene, value] { scene.shake(value(0, 16), value(1, 5), value(2, 100)); });
    d.add("_movplay", [&scene, arg, value] {
        const std::string base = arg(0);
        int32_t first = value(1, 0), last = value(2, 0), frameMs = value(3, 33), overlay = value(4, 0);
        scene.playImageSequence(base, first, last, frameMs, overlay);
    });

    d.add("_scroll", [&main, &scene, arg, value] {
        ScrollSettings s;
        s.frameMs = value(0, 0);
        s.colour = scrollColour(arg(1));
        s.step = value(2, 0);
        s.skippable = value(3, 0) == 1;
        s.mode = value(4, 0);
        // Taking the block also makes the jump past _endscroll.
        const std::vector<std::string> lines = main.controlFlow.scrollBlock();
        scene.scrollRoll(s, lines);
    });
    d.add("_bhole", [this] { blackHole(BlackHoleKind::Plain); });
    d.add("_bholeop", [this] { blackHole(BlackHoleKind::Overlay); });
    d.add("_bholeover", [this] { blackHole(BlackHoleKind::Trail); });

    d.add("_aviplay", [&scene, arg, value] {
        const Rect r{value(1, 0), value(2, 0), value(3, 640), value(4, 480)};
        scene.playMovie(arg(0), r);
    });
}

void SceneCommands::putPerson() {
    const auto& a = main_.state.ProgArgs;
    int32_t slot = args_.value(0, 0);
    if (slot < 0 || slot >= kPersonSlots) return;
    const SurfaceState& st = main_.bank().state(personSurface(slot));
    // Where the person stood before the load, for a place not given.
    const std::string noteX = std::to_string(st.x), noteY = std::to_string(st.y);
    scene_.loadPerson(slot, a[1], a[2]);
    scene_.placePerson(slot, 1, a[3].empty() ? noteX : a[3], a[4].empty() ? noteY : a[4]);
    scene_.presentAfterChange();
}

void SceneCommands::setPersonState() {
    const auto& a = main_.state.ProgArgs;
    int32_t slot = args_.value(0, 0);
    if (slot < 0 || slot >= kPersonSlots) return;
    const SurfaceState& st = main_.bank().state(personSurface(slot));
    int32_t show = args_.value(1, st.shown);
    std::string x = a[2].empty() ? std::to_string(st.x) : a[2];
    std::string y = a[3].empty() ? std::to_string(st.y) : a[3];
    scene_.placePerson(slot, show, x, y);
    scene_.presentAfterChange();
}

void SceneCommands::clearPersons() {
    int32_t show = args_.value(0, -1);
    for (int slot = 0; slot < kPersonSlots; ++slot) {
        const SurfaceState& st = main_.bank().state(personSurface(slot));
        scene_.placePerson(slot, show, std::to_string(st.x), std::to_string(st.y));
    }
    scene_.presentAfterChange();
}

void SceneCommands::setEffect() {
    const SurfaceState& st = main_.bank().state(SurfaceId::Effect);
    int32_t show = args_.value(0, 0);
    scene_.setEffect(show, main_.state.ProgArgs[1], args_.value(2, st.x), args_.value(3, st.y),
                     args_.value(4, st.order));
}

void SceneCommands::blackHole(BlackHoleKind kind) {
    auto arg = [this](int slot) -> const std::string& { return args_.text(slot); };
    auto value = [this](int slot, int32_t emptyValue) { return args_.value(slot, emptyValue); };
    BlackHoleArgs a;
    a.kind = kind;
    a.picture = arg(0);
    a.sourceX = value(1, 0);
    a.sourceY = value(2, 0);
    a.x = value(3, 0);
    a.y = value(4, 0);
    a.width = value(5, 0);
    a.height = value(6, 0);
    a.frames = value(7, 0);
    a.frameMs = value(8, 0);
    a.destinationCode = value(9, 0);
    a.sourceCode = value(10, 0);
    if (kind != BlackHoleKind::Plain) {
        a.overlayX = value(11, 0);
        a.overlayY = value(12, 0);
        if (kind == BlackHoleKind::Overlay)
            a.copyMode = value(13, 0);
        else
            a.mask = arg(13);
        a.overlay = arg(14);
    }
    scene_.blackHole(a);
}

}  // namespace qvl
