// The text window's script commands.
#include "base/sjis.h"
#include "graphics/masks.h"
#include "platform/encoding.h"
#include "text/text_window.h"

namespace qvl {

void TextWindow::textClear() {
    v_.state.ProgMultiStateFlag = 0;
    clearTextWindow();
}

void TextWindow::textRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // Both corners are inside; the window keeps showing the old text until redrawn.
    const int left = drawCoordinate(x1), top = drawCoordinate(y1);
    const Rect r{left, top, drawCoordinate(int64_t(x2) + 1) - left, drawCoordinate(int64_t(y2) + 1) - top};
    host_.textSurface().fillRect(r, 0x000000);
    host_.textMask().fillRect(r, 0xFFFFFF);
}

void TextWindow::textCur(std::optional<int32_t> column, std::optional<int32_t> row) {
    if (column) t_.cursorX = wrap32(int64_t(*column) * t_.cellWidth);
    if (row) t_.cursorY = wrap32(*row * t_.lineHeight());
}

void TextWindow::textCurTo(int32_t columns, int32_t rows) {
    t_.cursorX = wrap32(t_.cursorX + int64_t(columns) * t_.cellWidth);
    t_.cursorY = wrap32(t_.cursorY + rows * t_.lineHeight());
}

void TextWindow::textLoc(std::optional<int32_t> x, std::optional<int32_t> y) {
    t_.cursorX = x.value_or(t_.cursorX);
    t_.cursorY = y.value_or(t_.cursorY);
}

void TextWindow::textLocTo(int32_t dx, int32_t dy) {
    t_.cursorX = wrap32(int64_t(t_.cursorX) + dx);
    t_.cursorY = wrap32(int64_t(t_.cursorY) + dy);
}

void TextWindow::textWait(std::optional<int32_t> delay) {
    t_.charDelay = delay.value_or(1);
}

void TextWindow::textOffset(int32_t x, int32_t y) {
    t_.originX = x;
    t_.originY = y;
}

void TextWindow::placePicture(const Surface& picture, const Surface& mask, int x, int y) {
    if (t_.textVisible) {
        host_.windowImage().blit(mask, x, y, Rop::And);
        host_.windowImage().blit(picture, x, y, Rop::Or);
        textPending_ = true;
    }
    host_.textSurface().blit(picture, x, y);
    host_.textMask().blit(mask, x, y);
}

void TextWindow::textImage(std::optional<int32_t> x, std::optional<int32_t> y, const std::string& file,
                           const std::string& colour) {
    const int px = drawCoordinate(x ? *x : int64_t(t_.cursorX) + t_.originX);
    const int py = drawCoordinate(y ? *y : int64_t(t_.cursorY) + t_.originY);
    std::optional<Surface> picture = host_.loadPicture(expandDataDrive(file));
    if (!picture || picture->empty()) return;
    static const SceneTexts texts = SceneTexts::fromUtf8([](std::string_view u) { return platform::utf8ToSjis(u); });
    const int32_t key =
        parseTransparency(colour.empty() ? std::string("#NONE") : colour, *picture, host_.reporter(), texts);
    Surface mask(picture->width(), picture->height(), 0x000000);
    if (isKeyColour(key)) maskFromKey(*picture, mask, key);
    placePicture(*picture, mask, px, py);
    showPendingText();
}

std::string TextWindow::expandDataDrive(const std::string& name) const {
    return sjis::replaceFirst(name, "%DATA_DRIVE%", v_.dataDriveRoot);
}

}  // namespace qvl
