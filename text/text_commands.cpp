#include "text/text_commands.h"

#include "graphics/masks.h"
#include "platform/encoding.h"

namespace qvl {

void TextCommands::textRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // Both corners are inside; the window keeps showing the old text until redrawn.
    const int left = drawCoordinate(x1), top = drawCoordinate(y1);
    const Rect r{left, top, drawCoordinate(int64_t(x2) + 1) - left, drawCoordinate(int64_t(y2) + 1) - top};
    layer_.erase(r);
}

void TextCommands::textCur(std::optional<int32_t> column, std::optional<int32_t> row) {
    if (column) t_.cursorX = wrap32(int64_t(*column) * t_.cellWidth);
    if (row) t_.cursorY = wrap32(*row * t_.lineHeight());
}

void TextCommands::textCurTo(int32_t columns, int32_t rows) {
    t_.cursorX = wrap32(t_.cursorX + int64_t(columns) * t_.cellWidth);
    t_.cursorY = wrap32(t_.cursorY + rows * t_.lineHeight());
}

void TextCommands::textLoc(std::optional<int32_t> x, std::optional<int32_t> y) {
    t_.cursorX = x.value_or(t_.cursorX);
    t_.cursorY = y.value_or(t_.cursorY);
}

void TextCommands::textLocTo(int32_t dx, int32_t dy) {
    t_.cursorX = wrap32(int64_t(t_.cursorX) + dx);
    t_.cursorY = wrap32(int64_t(t_.cursorY) + dy);
}

void TextCommands::textWait(std::optional<int32_t> delay) {
    t_.charDelay = delay.value_or(1);
}

void TextCommands::textOffset(int32_t x, int32_t y) {
    t_.originX = x;
    t_.originY = y;
}

void TextCommands::textImage(std::optional<int32_t> x, std::optional<int32_t> y, const std::string& file,
                             const std::string& colour) {
    const int px = drawCoordinate(x ? *x : int64_t(t_.cursorX) + t_.originX);
    const int py = drawCoordinate(y ? *y : int64_t(t_.cursorY) + t_.originY);
    std::optional<Surface> picture = host_.loadPicture(v_.expandDataDrive(file));
    if (!picture || picture->empty()) return;
    static const SceneTexts texts = SceneTexts::fromUtf8([](std::string_view u) { return platform::utf8ToSjis(u); });
    const int32_t key =
        parseTransparency(colour.empty() ? std::string("#NONE") : colour, *picture, host_.reporter(), texts);
    Surface mask(picture->width(), picture->height(), 0x000000);
    if (isKeyColour(key)) maskFromKey(*picture, mask, key);
    layer_.placePicture(*picture, mask, px, py);
    layer_.showPending();
}

}  // namespace qvl
