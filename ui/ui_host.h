#pragma once
// What the widget kit needs of the engine while a modal widget (message box,
// dialog, file chooser) runs its own wait loop over the scene.
#include "graphics/surface.h"
#include "platform/events.h"
#include "platform/platform.h"

#include <string_view>

namespace qvl::ui {

class UiHost {
public:
    virtual ~UiHost() = default;
    virtual platform::Platform& platform() = 0;
    // The overlay shown right now (menus, outer dialogs), or null; a modal widget
    // draws itself on a copy of it.
    virtual const Surface* currentOverlay() = 0;
    // Show the scene with this overlay (alpha in the top byte) laid over it.
    virtual void presentOverlay(const Surface* overlay) = 0;
    // Events a modal loop does not use itself (timers, media reports, exposure,
    // quit requests) go back to the engine, which handles them as it would in any
    // other wait.
    virtual void passEvent(const platform::Event& event) = 0;
    // What the keyboard or the pointer reached (Shift-JIS), for self-voicing.
    virtual void announce(std::string_view sjis) { (void)sjis; }
};

}  // namespace qvl::ui
