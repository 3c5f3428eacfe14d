// The text window: text drawn a character at a time into the text layer over the
// scene, with line and page waits, the click-wait icon and read-text skipping.
#include "app/tfmain.h"
#include "base/sjis.h"
#include "graphics/masks.h"
#include "platform/fonts.h"

#include <algorithm>

namespace qvl {

namespace {
constexpr int kIconTimer = 1;
constexpr int kIconSize = 32;
}  // namespace

void TFmain::showTextLine(const std::string& line, int32_t startPosition) {
    TextWindowState& t = textWindow;
    std::size_t p = std::size_t(std::max<int32_t>(startPosition, 1));
    // Ruby bases and embedded values are parts of the line already written out.
    if (!innerText_) transcript_.write("text", sjis::copy(line, p));
    input.fastForward = false;
    input.textOutputActive = true;
    int r = 0;
    bool noLineEnd = false;
    while (p <= line.size()) {
        std::size_t n = t.fontIndex >= 4 ? 1 : sjis::charLength(line, p - 1);
        std::string c = line.substr(p - 1, n);
        noLineEnd = false;
        p += n;
        if (c == "<") {
            p = controlSequence(line, p);
            c.clear();
        } else if (c == "(") {
            p = ruby(line, p);
            c.clear();
        } else if (c == "[") {
            p = embeddedValue(line, p);
            c.clear();
        } else if (c == ".") {
            c = "\n";
            waitForClick(0);
            input.fastForward = false;
        } else if (c == "|") {
            c = "\n";
            noLineEnd = true;
        } else if (c == "^") {
            c.clear();
            waitForClick(0);
            noLineEnd = true;
            input.fastForward = false;
        } else if (c == "%") {
            c.clear();
            noLineEnd = true;
        } else if (c == "&") {
            c = "\f";
        } else if (c == "/") {
            // Centre the rest of the line; two bytes count as one cell.
            c.clear();
            int64_t rest = int64_t(line.size()) - int64_t(p);
            t.cursorX = int32_t((640 - (rest * t.cellWidth) / 2) / 2);
        }
        state.ProgTextPos = int32_t(p);
        state.ProgMultiStateFlag = 2;
        r = drawCharacter(c);
        bool skipping = readMarkStep();
        characterDelay(skipping);
    }
    if (int64_t(t.cursorY) + t.cellHeight + t.rubyGap >= t.bottomLimit && !noLineEnd) {
        newLine(true);
    } else if (r != 2 && !noLineEnd) {
        waitForClick(0);
        if (r == 0) drawCharacter("\n");
    }
    showPendingText();
    pump(platform_.ticks(), {});
}

void TFmain::showUnpagedText(const std::string& text) {
    std::string shown = text;
    if (!shown.empty() && shown.back() == '\n') shown.pop_back();
    if (!innerText_) transcript_.write("text", shown);
    const bool saved = saveSuppressed;
    saveSuppressed = true;
    input.fastForward = false;
    input.textOutputActive = true;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = textWindow.fontIndex >= 4 ? 1 : sjis::charLength(text, i);
        drawCharacter(text.substr(i, n));
        i += n;
        characterDelay(readMarkStep());
    }
    saveSuppressed = saved;
    showPendingText();
    pump(platform_.ticks(), {});
}

void TFmain::drawGlyphs(const std::string& c, int x, int y, const platform::FontSpec& fontSpec, bool ruby) {
    TextWindowState& t = textWindow;
    auto& fonts = platform_.fonts();
    Surface& text = bank_[SurfaceId::Text];
    Surface& mask = bank_[SurfaceId::TextMask];
    // One level of letters in both surfaces, so the mask covers exactly the text.
    auto draw = [&](Surface& dst, int dx, int dy, uint32_t colour) {
        if (t.fontIndex >= 4 && !ruby) fonts.drawChar(dst, dx, dy, char32_t(static_cast<unsigned char>(c[0])), fontSpec, colour, false);
        else fonts.drawText(dst, dx, dy, c, fontSpec, colour, false);
    };
    auto layer = [&](Surface& dst, uint32_t shadow, uint32_t colour) {
        if (t.shadowOn) {
            if (t.outlineMode == 1) {
                for (auto [dx, dy] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}})
                    draw(dst, x + dx, y + dy + (ruby ? 2 : 0), shadow);
            } else {
                draw(dst, x + (ruby ? 1 : 2), y + (ruby ? 3 : 2), shadow);
            }
        }
        draw(dst, x, y + (ruby ? 2 : 0), colour);
    };
    // Colours given in the script are red-low; pixels are blue-low.
    layer(text, keyToPixel(int32_t(t.shadowColour)), keyToPixel(int32_t(t.textColour)));
    layer(mask, 0, 0);
}

void TFmain::showTextRect(Rect r) {
    if (!textWindow.textVisible) return;
    windowImage_.blit(bank_[SurfaceId::TextMask], r.x, r.y, r.x, r.y, r.w, r.h, Rop::And);
    windowImage_.blit(bank_[SurfaceId::Text], r.x, r.y, r.x, r.y, r.w, r.h, Rop::Or);
    textPending_ = true;
}

void TFmain::putTextLayerPicture(const Surface& picture, const Surface& mask, int x, int y) {
    if (textWindow.textVisible) {
        windowImage_.blit(mask, x, y, Rop::And);
        windowImage_.blit(picture, x, y, Rop::Or);
        present();
    }
    bank_[SurfaceId::Text].blit(picture, x, y);
    bank_[SurfaceId::TextMask].blit(mask, x, y);
}

void TFmain::showPendingText() {
    // Characters reach the screen when someone could see them: before a delay, a
    // wait, or at the end of the line; fast text is shown once, not per character.
    if (!textPending_) return;
    textPending_ = false;
    present();
}

int TFmain::drawCharacter(const std::string& c) {
    TextWindowState& t = textWindow;
    if (c.empty()) return 0;
    if (c == "\f") return newLine(true);
    if (c == "\n") return newLine(false);
    const int x = drawCoordinate(int64_t(t.cursorX) + t.originX);
    const int y = drawCoordinate(int64_t(t.cursorY) + t.originY + t.rubyGap);
    drawGlyphs(c, x, y, {t.fontName, t.fontHeight, false}, false);
    // The square around the cell goes to the window; its height is the width too.
    showTextRect({x - 1, y - 1, t.cellWidth + 3, t.cellWidth + 3});
    log.appendToLog(c, t.fontIndex >= 4);
    t.cursorX = wrap32(int64_t(t.cursorX) + t.cellWidth);
    if (t.cursorX < t.rightLimit) return 0;
    return newLine(false);
}

int TFmain::newLine(bool page) {
    TextWindowState& t = textWindow;
    if (page || int64_t(t.cursorY) + t.cellHeight + t.rubyGap >= t.bottomLimit) {
        input.textOutputActive = false;
        input.fastForward = false;
        waitForClick(1);
        clearTextWindow();
        return 2;
    }
    t.cursorY = wrap32(int64_t(t.cursorY) + t.cellHeight + t.rubyGap);
    log.appendToLog("\n");
    t.cursorX = t.leftEdge;
    return 1;
}

bool TFmain::readMarkStep() {
    const bool inRange = settings.TextMaxIndex && CurrentTextId >= 0 &&
                         int64_t(CurrentTextId) < 8 * int64_t(ReadTextMarks.size());
    bool skipping = false;
    if (skipReadMode && inRange) {
        skipping = ReadTextMarks[std::size_t(CurrentTextId / 8)] & (1u << (CurrentTextId % 8));
        if (!skipping) skipReadMode = false;
    } else {
        skipReadMode = false;
    }
    if (inRange) ReadTextMarks[std::size_t(CurrentTextId / 8)] |= uint8_t(1u << (CurrentTextId % 8));
    return skipping;
}

void TFmain::characterDelay(bool skipping) {
    const int32_t d = textWindow.charDelay;
    if (d < 0) {
        showPendingText();
        delayMs(-d);
    } else if (!input.fastForward && !settings.HighSpeedText && d > 0 && !skipping) {
        showPendingText();
        delayMs(d);
    }
}

void TFmain::waitForClick(int kind) {
    auto skipping = [this] { return skipReadMode && CurrentTextId >= 0; };
    if (skipping()) return;
    if (kind == 0 && settings.SkipText) return;
    input.clickPending = false;
    showPendingText();
    startIcon(kind);
    // The menu's save, load, title, hide and darkening items work during the wait.
    waitMenuItemsEnabled = true;
    input.mouseWentDown = input.mouseWentUp = false;
    const platform::WaitHint click{platform::WaitKind::Click, platform::Answer::None};
    waitFor([&] { return skipping() || input.mouseWentDown || input.clickPending || PendingAction != kPendingNone; },
            click);
    waitFor([&] { return skipping() || input.mouseWentUp || input.clickPending || PendingAction != kPendingNone; },
            click);
    input.fastForward = false;
    stopIcon();
    waitMenuItemsEnabled = false;
}

Rect TFmain::iconRect() const {
    const TextWindowState& t = textWindow;
    int x = drawCoordinate(int64_t(t.cursorX) + t.originX);
    int y = drawCoordinate(int64_t(t.cursorY) + t.originY + 16 + (t.cellHeight - t.fontHeight) + (t.fontHeight - kIconSize) / 2);
    if (x >= 608 || y >= 448) x = 608, y = 448;
    return {x, y, kIconSize, kIconSize};
}

void TFmain::startIcon(int row) {
    if (iconRunning_) return;
    iconRow_ = row;
    iconRunning_ = true;
    drawIconFrame();
    platform_.startTimer(kIconTimer, 100);
}

void TFmain::stopIcon() {
    if (!iconRunning_) return;
    platform_.stopTimer(kIconTimer);
    iconRunning_ = false;
    Rect r = iconRect();
    windowImage_.blit(bank_[SurfaceId::VirtualVram], r.x, r.y, r.x, r.y, r.w, r.h);
    present();
}

void TFmain::drawIconFrame() {
    Rect r = iconRect();
    windowImage_.blit(bank_[SurfaceId::VirtualVram], r.x, r.y, r.x, r.y, r.w, r.h);
    const int sx = iconFrame_ * kIconSize, sy = iconRow_ * kIconSize;
    // Without an icon sheet nothing is drawn over the restored square.
    if (iconSheet_.width() >= sx + kIconSize && iconSheet_.height() >= sy + kIconSize) {
        windowImage_.blit(iconMask_, r.x, r.y, sx, sy, kIconSize, kIconSize, Rop::And);
        windowImage_.blit(iconSheet_, r.x, r.y, sx, sy, kIconSize, kIconSize, Rop::Or);
    }
    iconFrame_ = (iconFrame_ + 1) % 8;
    present();
}

void TFmain::loadWaitIcon() {
    if (settings.Icon.empty()) return;
    if (auto picture = readPicture(settings.Icon); picture && !picture->empty()) {
        iconSheet_ = std::move(*picture);
        // The top-left pixel's colour is transparent; keys are red-low.
        uint32_t corner = iconSheet_.pixel(0, 0);
        int32_t key = int32_t(((corner & 0xFF) << 16) | (corner & 0xFF00) | ((corner >> 16) & 0xFF));
        maskFromKey(iconSheet_, iconMask_, key);
    }
}

void TFmain::clearTextWindow() {
    TextWindowState& t = textWindow;
    bank_[SurfaceId::Text].fill(0x000000);
    bank_[SurfaceId::TextMask].fill(0xFFFFFF);
    t.cursorX = t.leftEdge;
    t.cursorY = 0;
    log.nextLogPage();
    if (t.textVisible) {
        windowImage_.blit(bank_[SurfaceId::VirtualVram], 0, 0, 0, 0, 640, 480);
        present();
        // The save snapshot is taken here once saved games exist.
    }
}

void TFmain::resetTextWindow() {
    textWindow.reset();
    presentScene(false);
}

}  // namespace qvl
