#pragma once
// The text window's cursor, grid, limits, colours and font: what the system
// values read and what a save records. Colours have red in the low byte.
#include <array>
#include <cstdint>
#include <string>

namespace qvl {

struct TextWindowState {
    int32_t cursorX = 0, cursorY = 0;
    int32_t originX = 0, originY = 0;
    int32_t cellWidth = 24, cellHeight = 24;
    int32_t rubyGap = 16;
    int32_t fontHeight = 24, rubyHeight = 12;
    int32_t sizeIndex = 2;
    int32_t leftEdge = 0;
    int32_t rightLimit = 616;
    int32_t bottomLimit = 440;
    uint32_t textColour = 0xFFFFFF;
    uint32_t shadowColour = 0;
    bool shadowOn = true;
    int32_t outlineMode = 0;
    bool textVisible = true;
    int32_t fontIndex = 0;
    std::string fontName, rubyFontName;
    int32_t charDelay = 1;

    // Every field to its default, the font names from the font table.
    void setDefaults(const std::array<std::string, 7>& fontTable);
    // The reset between pages and scenes: cursor, sizes, limits, colours and
    // switches; the left edge, origin, font and delay stay.
    void reset();

    // Column and row of the cursor, as scripts read them.
    int32_t column() const { return cellWidth ? (cursorX - leftEdge) / cellWidth : 0; }
    int32_t row() const { return (cellHeight + rubyGap) ? cursorY / (cellHeight + rubyGap) : 0; }
};

}  // namespace qvl
