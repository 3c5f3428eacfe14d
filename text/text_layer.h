#pragma once
// The text layer and its mask: glyphs with their shadow or outline and inline
// pictures drawn into both, and the drawn squares put into the window image. The
// image reaches the screen only when someone could see it (showPending).
#include "graphics/surface.h"
#include "platform/sharp_text.h"
#include "text/text_host.h"
#include "text/text_window_state.h"

#include <string_view>

namespace qvl {

class TextLayer {
public:
    TextLayer(TextHost& host, const TextWindowState& state) : host_(host), t_(state) {}

    // c in the text font, or in the ruby font two pixels lower.
    void drawGlyphs(std::string_view c, int x, int y, bool ruby);
    // Puts the square r of the layer into the window image (while text is visible).
    void showRect(Rect r);
    void placePicture(const Surface& picture, const Surface& mask, int x, int y);
    // Shows the window image when drawn text waits to be seen.
    void showPending();

    // Empties the layer, or the square r of it; the window keeps what it shows.
    void clear();
    void erase(Rect r);
    // The window image back to the scene without text, shown at once.
    void showSceneOnly();

    // The layer's drawing as steps, for a window that draws the text at its own
    // scale. Usable only while the layer holds what these steps drew: true then.
    // A layer emptied behind our back (a load, the title) starts the steps again.
    const platform::SharpText& sharpText() const { return sharp_; }
    bool sharpTextMatches();

private:
    // The layer's pixels as our own drawing left them, around r.
    void keep(Rect r);

    TextHost& host_;
    const TextWindowState& t_;
    bool pending_ = false;  // drawn text not yet shown
    platform::SharpText sharp_;
    Surface keptText_, keptMask_;
};

}  // namespace qvl
