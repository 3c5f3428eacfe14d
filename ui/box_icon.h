#pragma once
// The message-box icons, drawn rather than loaded: there are no icon files to ship.
#include "platform/fonts.h"
#include "ui/message_box.h"

namespace qvl::ui {

inline constexpr int kBoxIconSize = 32;

// Draws the icon with its top-left corner at (x, y) over the dialog face.
void drawBoxIcon(Surface& overlay, int x, int y, BoxIcon icon, platform::FontEngine& fonts);

}  // namespace qvl::ui
