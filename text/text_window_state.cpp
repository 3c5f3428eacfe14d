#include "text/text_window_state.h"

namespace qvl {

void TextWindowState::setDefaults(const std::array<std::string, 7>& fontTable) {
    *this = TextWindowState{};
    fontName = fontTable[0];
    rubyFontName = fontTable[3];
    reset();
}

void TextWindowState::reset() {
    cursorX = leftEdge;
    cursorY = 0;
    outlineMode = 0;
    sizeIndex = 2;
    cellWidth = cellHeight = fontHeight = 12 * sizeIndex;
    rubyGap = 16;
    rubyHeight = 12;
    rightLimit = 640 - cellWidth;
    bottomLimit = 480 - (cellHeight + rubyGap);
    textColour = 0xFFFFFF;
    shadowColour = 0;
    shadowOn = true;
    textVisible = true;
}

void TextWindowState::setSize(int32_t n) {
    const int32_t oldHeight = cellHeight;
    cellWidth = cellHeight = fontHeight = 12 * n;
    rubyGap = 16;
    rubyHeight = 12;
    if (cursorX > leftEdge) cursorY = wrap32(int64_t(cursorY) + oldHeight - cellHeight);
    rightLimit = 640 - cellWidth;
    bottomLimit = 480 - (cellHeight + rubyGap) - 1;
    sizeIndex = n;
}

}  // namespace qvl
