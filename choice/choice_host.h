#pragma once
// What the choice looks need from the engine: the screen picture and the scene's
// sprites, the text window's look, the pump through which the wait runs, the
// cursors, and the pointer and confirm switches the window's handlers write.
#include "graphics/surface.h"
#include "graphics/surface_bank.h"
#include "platform/events.h"
#include "platform/fonts.h"
#include "platform/platform.h"
#include "text/text_window_state.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

class ChoiceHost {
public:
    virtual ~ChoiceHost() = default;

    // The 640 x 480 picture the window shows, and showing it.
    virtual Surface& windowImage() = 0;
    virtual void showWindow(std::optional<Rect> changed) = 0;
    virtual SurfaceBank& bank() = 0;
    // Loads the sprite sheet as _sprload does: a colour key, a mask file or nothing.
    virtual void loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                                 const std::string& transparency) = 0;
    virtual const TextWindowState& textWindow() = 0;
    virtual platform::FontEngine& fonts() = 0;

    // Handles one event; nothing: sleep until there is one.
    virtual void pump(std::optional<uint32_t> deadline, platform::WaitHint hint) = 0;
    virtual void setCursor(platform::Cursor cursor) = 0;
    // The picture sheet of a choice cannot be loaded or cut: the exclamation box.
    virtual void sheetFailed() = 0;
    virtual int32_t evaluate(std::string_view expression) = 0;
    // Plays a sound file to its end (the click sound); silent while sound is off.
    virtual void playSoundToEnd(const std::string& name) = 0;
    // A choice ended: the labels as collected, and the result.
    virtual void choiceMade(const std::vector<std::string>& /*labels*/, int32_t /*result*/) {}
    // For self-voicing: the choice opened, or the highlight reached an item (Shift-JIS).
    virtual void announce(std::string_view /*sjis*/) {}
};

// The switches the window's input handlers write and a choice reads.
struct ChoiceInput {
    const int& pointerX;
    const int& pointerY;
    bool& confirm;  // a click on the scene or Enter
    // Arrow keys for keyboard players; Unknown when none is waiting.
    platform::Key& navigation;
    // A scripted "choose N": point at item N and click it.
    std::optional<int>& chooseRequest;
    // Moves the pointer the engine knows of (a scripted choice points first).
    std::function<void(int x, int y)> movePointer;
};

}  // namespace qvl
