#pragma once
// Transparency of pictures. A script names it with a short text: a corner whose
// colour is transparent, an explicit colour, nothing, or a separate mask picture.
//
// Mask convention: a mask is white (0xFFFFFF) where its picture is transparent and
// black where it is opaque, and the picture itself is black wherever it is
// transparent, so drawing is "destination AND mask, then destination OR picture".
#include "base/reporter.h"
#include "graphics/surface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qvl {

// Colour keys. Anything that is neither of the two markers is a key colour in the
// platform's 0x00BBGGRR order.
constexpr int32_t kNoTransparency = 0x1FFFFFFF;
constexpr int32_t kMaskFromFile = 0x7FFFFFFF;
constexpr int32_t kBadColourKey = 0xFFFFFF;  // white, the fallback for a malformed colour

constexpr bool isKeyColour(int32_t key) {
    return key != kNoTransparency && key != kMaskFromFile;
}

// A key colour as a pixel: red and blue exchanged.
constexpr uint32_t keyToPixel(int32_t key) {
    const auto k = uint32_t(key);
    return ((k & 0xFF) << 16) | (k & 0xFF00) | ((k >> 16) & 0xFF);
}

// The texts the scene operations show when a script gets something wrong. Written
// here in UTF-8; graphics has no encoder, so the engine converts them once and
// hands the Shift-JIS table in.
struct SceneTexts {
    std::string badColour;            // followed by the offending text
    std::string effectMaskArbitrary;  // effect mask of another size than its picture
    std::string effectMaskFixed;      // screen-aligned effect mask not 640 x 480

    static SceneTexts fromUtf8(const std::function<std::string(std::string_view utf8)>& toSjis);
};

// True when parseTransparency will read the text as a mask file name, so the caller
// knows to load that picture before handing it over.
constexpr bool namesMaskFile(std::string_view text) {
    return text.empty() || text.front() != '#';
}

// The colour key a transparency text stands for; corners are read from picture as it
// is now. A malformed colour is reported and gives kBadColourKey.
int32_t parseTransparency(std::string_view text, const Surface& picture, ScriptErrorReporter& reporter,
                          const SceneTexts& texts);

// Sizes mask like picture and builds it from the key; the picture's transparent
// pixels become black.
void maskFromKey(Surface& picture, Surface& mask, int32_t key);

// temp2 holds the mask picture as loaded (or whatever it held when that failed).
// The mask takes temp2's size. A picture-aligned mask takes only temp2's top-left
// picture-sized area (the rest keeps what the mask held), blackens the picture where
// it is white and leaves temp2 holding the inverted area. A screen-aligned mask
// takes all of temp2 and leaves the picture and temp2 alone.
void maskFromFile(Surface& picture, Surface& mask, Surface& temp2, bool pictureAligned);

// Repeats tile over target from its top-left corner; the last column and row are cut.
void tileImage(const Surface& tile, Surface& target);

// Draws picture through mask: the same as an AND blit of mask followed by an OR blit
// of picture with the same rectangles, in one pass where both cover the source area.
void drawMasked(Surface& dst, const Surface& picture, const Surface& mask, int dx, int dy, int sx, int sy, int w,
                int h);

// Changes a surface's size keeping the overlapping top-left area; uncovered space
// takes the surfaces' white brush.
void resizeKeeping(Surface& surface, int width, int height);

}  // namespace qvl
