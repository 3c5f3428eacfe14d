#pragma once
// The text window's cursor, grid, limits, colours and font: what the system
// values read and what a save records. Colours have red in the low byte.
#include <array>
#include <cstdint>
#include <string>

namespace qvl {

// Scripts can put the cursor anywhere: cursor arithmetic wraps at 32 bits instead
// of overflowing.
constexpr int32_t wrap32(int64_t v) {
    return int32_t(uint32_t(uint64_t(v)));
}
// A drawing coordinate: far-off values stay far off (and off the surfaces) without
// overflowing what the blits add to them.
constexpr int drawCoordinate(int64_t v) {
    return int(v < -65536 ? -65536 : v > 65536 ? 65536 : v);
}

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
    // Size step n: cells and font 12 * n pixels, the limits to match. Mid-line the
    // line keeps its bottom.
    void setSize(int32_t n);

    // Column and row of the cursor, as scripts read them.
    int32_t column() const { return cellWidth ? wrap32((int64_t(cursorX) - leftEdge) / cellWidth) : 0; }
    int32_t row() const { return lineHeight() ? wrap32(cursorY / lineHeight()) : 0; }

    int64_t lineHeight() const { return int64_t(cellHeight) + rubyGap; }
    // The next line would reach the bottom limit: the page is full.
    bool pageFull() const { return cursorY + lineHeight() >= bottomLimit; }
};

}  // namespace qvl
