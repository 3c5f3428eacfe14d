#pragma once
// The scene's fixed bank of off-screen surfaces with a state record per surface, the
// sprite sheet and its 32 sprite slots. Script commands change the scene only here;
// composition (graphics/composition.h) turns the bank into pixels.
//
// Pictures arrive already decoded: the engine loads the files and hands them over. A
// picture that failed to load is passed as nothing, and the surface keeps what it had
// while its record is set as if the load had worked.
#include "base/reporter.h"
#include "graphics/mask_runs.h"
#include "graphics/masks.h"
#include "graphics/position.h"
#include "graphics/scene_cache.h"
#include "graphics/surface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

enum class SurfaceId : int {
    VirtualVram,  // the composed scene without text and sprites
    Background,
    Effect,
    Text,            // text layer: black where there is no text
    BackgroundMask,  // reserved, never drawn
    EffectMask,
    TextMask,  // white where there is no text
    Temp1,
    Temp2,  // also receives mask pictures while masks are built
    Person0,
    Person0Mask,
    Person1,
    Person1Mask,
    Person2,
    Person2Mask,
    SpriteSheet,
    SpriteSheetMask,
};

constexpr int kSurfaceCount = 17;
constexpr int kStateCount = 15;  // surfaces 0-14; the sheet has its own record
constexpr int kPersonSlots = 3;
constexpr int kSpriteSlots = 32;
constexpr int kSceneWidth = 640;
constexpr int kSceneHeight = 480;
// OR-ed into a sprite's x: not on the window image (and far outside it if drawn).
constexpr int32_t kSpriteNotDrawn = 0x10000;

// Surface n's name as the code knows it, and its label in the debug window's list
// (UTF-8); empty outside 0-16.
std::string_view surfaceName(int n);
std::string_view surfaceDebugLabel(int n);

constexpr SurfaceId personSurface(int slot) {
    return SurfaceId(int(SurfaceId::Person0) + 2 * slot);
}
constexpr SurfaceId personMaskSurface(int slot) {
    return SurfaceId(int(SurfaceId::Person0Mask) + 2 * slot);
}

// Field order and widths as saved with a game.
struct SurfaceState {
    uint8_t shown = 0;
    uint8_t loaded = 0;
    uint8_t masked = 0;
    int32_t maskMode = 0;  // effect: EffectMaskMode
    int32_t colourKey = kNoTransparency;
    std::string fileName;  // as the script wrote it
    std::string maskName;
    int32_t spare = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t order = 0;  // effect: 0 before the persons, 1 or 2 after, else never
    uint8_t spareFlag = 0;
    int32_t effectKind = 0;  // effect: EffectKind
};

struct SpriteSheet {
    std::string fileName;
    std::string maskName;
    int32_t columns = 0;
    int32_t rows = 0;
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    int32_t colourKey = kNoTransparency;
    uint8_t masked = 0;
    uint8_t valid = 0;  // once a usable sheet was loaded; later loads do not clear it
};

struct SpriteSlot {
    int32_t x = kSpriteNotDrawn;
    int32_t y = 0;
    int32_t column = 0;
    int32_t row = 0;
    uint8_t visible = 0;
    int32_t animationCount = 0;  // 0 still, n > 0 advance n more puts, -1 forever
};

class SurfaceBank {
public:
    // Bad transparency texts and effect masks of the wrong size are reported through
    // reporter with the given (Shift-JIS) texts.
    SurfaceBank(ScriptErrorReporter& reporter, SceneTexts texts);

    // Handing a surface out for change counts as changing it (see changes()).
    Surface& operator[](SurfaceId id) {
        ++changes_[std::size_t(id)];
        if (id == SurfaceId::VirtualVram) composed.beforeVramChange(surfaces[std::size_t(id)]);
        return surfaces[std::size_t(id)];
    }
    const Surface& operator[](SurfaceId id) const { return surfaces[std::size_t(id)]; }
    // Goes up whenever the surface may have changed: the composed scene is kept
    // while its pictures stay as they were.
    uint64_t changes(SurfaceId id) const { return changes_[std::size_t(id)]; }
    SurfaceState& state(SurfaceId id) { return states[std::size_t(id)]; }
    const SurfaceState& state(SurfaceId id) const { return states[std::size_t(id)]; }

    // Empties the bank: window creation, a restored game, a return to the title.
    // The composed scene keeps its pixels and its record.
    void resetSurfaces();

    // The load every whole-picture slot shares (composition surface, background,
    // effect): the picture replaces the surface and the record starts over.
    void loadSurface(SurfaceId id, std::optional<Surface> picture, std::string_view fileName);
    void loadBackground(std::optional<Surface> picture, std::string_view fileName);

    // maskPicture: the picture named by the transparency text when namesMaskFile()
    // says it names one, or nothing if it could not be loaded.
    void loadPerson(int32_t slot, std::optional<Surface> picture, std::string_view fileName,
                    std::string_view transparency, std::optional<Surface> maskPicture);
    // show -1 clears the slot; otherwise shows (non-zero) or hides it at the position
    // texts. Only slots 0-2 that hold a picture.
    void placePerson(int32_t slot, int32_t show, std::string_view xText, std::string_view yText,
                     const Evaluate& evaluate);

    // maskAlign > 0: a mask picture lines up with the screen rather than the picture.
    void loadEffect(std::optional<Surface> picture, std::string_view fileName, std::string_view transparency,
                    int32_t maskAlign, std::optional<Surface> maskPicture);
    // show -1 clears the effect. Otherwise a mask of the wrong size is reported and
    // changes nothing (returns false).
    bool setEffect(int32_t show, std::string_view keyword, int32_t x, int32_t y, int32_t order);

    // Sprites already on the window image stay there, but none is drawn again until
    // it is put again.
    void loadSpriteSheet(std::optional<Surface> picture, std::string_view fileName, int32_t cellWidth,
                         int32_t cellHeight, std::string_view transparency, std::optional<Surface> maskPicture);
    // Cells outside the sheet and slots outside 0-31 change nothing.
    void setSpriteCell(int32_t slot, int32_t column, int32_t row);
    void setSpriteAnimation(int32_t slot, int32_t count);

    // Read here; change pixels through operator[], so the change is seen.
    std::array<Surface, kSurfaceCount> surfaces;
    std::array<SurfaceState, kStateCount> states;
    SpriteSheet sheet;
    std::array<SpriteSlot, kSpriteSlots> sprites;
    // Set by every change to what composition paints; cleared by presenting with text.
    bool sceneDirty = true;
    // The last composed scene, for composing again (graphics/composition.h).
    SceneCache composed;
    // The runs of the persons and of the effect mask, found again when one changes.
    std::array<MaskRuns, kPersonSlots> personRuns;
    MaskRuns effectRuns;

private:
    int32_t transparencyKey(std::string_view text, const Surface& picture);
    void buildMask(Surface& picture, Surface& mask, int32_t key, std::optional<Surface> maskPicture,
                   bool pictureAligned);

    ScriptErrorReporter& reporter_;
    SceneTexts texts_;
    std::array<uint64_t, kSurfaceCount> changes_{};
};

}  // namespace qvl
