#pragma once
// The scene as the script changes it: pictures into the surface bank, persons,
// the effect layer and sprites, presentation (plain or through a transition),
// the shake, image sequences, the effects and movies. The pixels are the graphics
// library's; here the pictures are loaded and the presentation decided.
#include "graphics/black_hole.h"
#include "graphics/composition.h"
#include "graphics/scroll_roll.h"
#include "graphics/surface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

class TFmain;

class Scene {
public:
    explicit Scene(TFmain& main) : main_(main) {}

    // Compose, copy to the window, lay the text over, draw sprites.
    void presentScene(bool withoutText);
    // After a scene command: nothing, a plain presentation or a transition, as
    // _autorefresh says.
    void presentAfterChange();
    void runTransition(const std::string& name);
    Darkness darkness() const;

    void loadBackground(const std::string& file);
    // A person's picture; the transparency names a mask file or a colour key.
    void loadPerson(int32_t slot, const std::string& file, const std::string& transparency);
    // x and y are expressions, evaluated against the person's place.
    void placePerson(int32_t slot, int32_t show, const std::string& x, const std::string& y);
    // The mask comes from maskPicture, read before the mode argument.
    void loadEffect(const std::string& file, const std::string& transparency, int32_t mode,
                    std::optional<Surface> mask);
    void setEffect(int32_t show, const std::string& kind, int32_t x, int32_t y, int32_t order);
    // Loads the sprite sheet: a colour key, a mask file or nothing as transparency.
    void loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                         const std::string& transparency);
    void putSprite(int32_t slot, int32_t x, int32_t y);
    void hideSprite(int32_t slot);
    void hideAllSprites();
    void drawAllSprites();

    // _smartrefresh: the scene without text through the first transition, then
    // with it through the second.
    void smartRefresh(const std::string& first, const std::string& second, const std::string& noDark);
    void shake(int32_t amplitude, int32_t count, int32_t delay);
    // Numbered pictures base000.ext ... shown in turn, frameMs each.
    void playImageSequence(const std::string& base, int32_t first, int32_t last, int32_t frameMs, int32_t overlay);
    void scrollRoll(const ScrollSettings& settings, const std::vector<std::string>& lines);
    void blackHole(const BlackHoleArgs& args);
    // A movie drawn into a rectangle of the scene; a click ends it at once.
    void playMovie(const std::string& name, Rect where);

    // Scenario switches: saved with a game, cleared by a return to the title.
    std::string autoRefreshMode = "0";
    bool darknessSuppressed = false;

    // The picture of a mask file named as transparency; nothing for a colour key.
    std::optional<Surface> maskPicture(const std::string& transparency);

private:
    TFmain& main_;
};

}  // namespace qvl
