#pragma once
// The text layer's drawing, kept as steps in scene pixels so that a window larger
// than the scene can draw the same text again at its own resolution, with the
// font at the window's scale. The 640x480 layer stays what the engine shows and
// saves; this only lets a scaled window draw it sharper.
#include "graphics/surface.h"
#include "platform/fonts.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qvl::platform {

struct SharpStep {
    enum class Kind : uint8_t { Text, Picture, Erase };
    Kind kind = Kind::Text;
    int x = 0, y = 0;       // Text: the top of the cell; Picture: its top-left corner
    Rect area{};            // Erase: the square emptied
    std::string text;       // Shift-JIS; byteWise: one byte of a symbol font
    bool byteWise = false;
    FontSpec font;          // at the scene's size
    uint32_t colour = 0;    // 0x00RRGGBB
    std::shared_ptr<const Surface> picture, mask;  // Picture: black in the mask is drawn
};

class SharpText {
public:
    // Starts over: whatever was drawn before is gone.
    void clear();
    void add(SharpStep step);
    const std::vector<SharpStep>& steps() const { return steps_; }
    // Changes whenever steps are taken away, so a drawer that kept the earlier
    // steps knows to start again; added steps keep it.
    uint64_t generation() const { return generation_; }
    // False when steps had to be dropped: the steps no longer make the layer.
    bool whole() const { return !overflowed_; }

private:
    std::vector<SharpStep> steps_;
    uint64_t generation_ = 0;
    bool overflowed_ = false;
};

}  // namespace qvl::platform
