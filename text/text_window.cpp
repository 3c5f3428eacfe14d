#include "text/text_window.h"

#include "base/sjis.h"
#include "graphics/masks.h"
#include "platform/encoding.h"
#include "text/inline_codes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

namespace qvl {

TextWindow::TextWindow(TextHost& host, TextEngineValues values, TextWindowState& state)
    : host_(host), v_(values), t_(state) {}

std::size_t TextWindow::charLength(std::string_view s, std::size_t i) const {
    // The symbol fonts draw every byte as a character of its own.
    return t_.fontIndex >= 4 ? 1 : sjis::charLength(s, i);
}

void TextWindow::showTextLine(const std::string& line, int32_t start) {
    std::size_t p = std::size_t(std::max<int32_t>(start, 1));
    if (!innerText_) {
        p = resumePosition(line, p);
        host_.textShown(sjis::copy(line, p));
        // A page that ends before the first character is drawn resumes from here.
        v_.state.ProgTextPos = int32_t(std::min<std::size_t>(p, INT32_MAX));
        v_.state.ProgMultiStateFlag = 2;
    }
    v_.fastForward = false;
    v_.textOutputActive = true;
    int r = kSameLine;
    bool noLineEnd = false;
    while (p <= line.size()) {
        const std::size_t n = charLength(line, p - 1);
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
            v_.fastForward = false;
        } else if (c == "|") {
            c = "\n";
            noLineEnd = true;
        } else if (c == "^") {
            c.clear();
            waitForClick(0);
            noLineEnd = true;
            v_.fastForward = false;
        } else if (c == "%") {
            c.clear();
            noLineEnd = true;
        } else if (c == "&") {
            c = "\f";
        } else if (c == "/") {
            // Centres the rest of the line, counting two bytes as one cell.
            c.clear();
            const int64_t rest = int64_t(line.size()) - int64_t(p);
            t_.cursorX = wrap32((640 - (rest * t_.cellWidth) / 2) / 2);
        }
        // A load resumes the line from here. A ruby base is drawn inside its group:
        // a page ending there resumes at the group's start, the group drawn again.
        if (!innerText_) {
            v_.state.ProgTextPos = int32_t(std::min<std::size_t>(p, INT32_MAX));
            v_.state.ProgMultiStateFlag = 2;
        }
        r = drawCharacter(c);
        characterDelay(readMarkStep());
    }
    if (t_.pageFull() && !noLineEnd) {
        newLine(true);
    } else if (r != kPageEnded && !noLineEnd) {
        waitForClick(0);
        if (r == kSameLine) drawCharacter("\n");
    }
    showPendingText();
    host_.pump(host_.ticks(), {});
}

std::size_t TextWindow::resumePosition(const std::string& line, std::size_t target) const {
    // Saves of this engine hold boundaries already; one from elsewhere or damaged
    // may point into a character or a code, which would be drawn as garbage.
    std::size_t p = 1;
    while (p < target && p <= line.size()) {
        std::size_t next = p + charLength(line, p - 1);
        if (next == p + 1) {
            const char c = line[p - 1];
            if (c == '(') next = inline_codes::rubyEnd(line, next);
            else if (c == '[') next = inline_codes::valueEnd(line, next);
            else if (c == '<') next = inline_codes::controlSequenceEnd(line, next);
        }
        if (next > target) return p;
        p = next;
    }
    return target;
}

void TextWindow::showUnpagedText(const std::string& text) {
    if (!innerText_) host_.textShown(std::string_view(text).substr(0, text.size() - (text.ends_with('\n') ? 1 : 0)));
    const bool saved = v_.saveSuppressed;
    v_.saveSuppressed = true;
    v_.fastForward = false;
    v_.textOutputActive = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = charLength(text, i);
        drawCharacter(std::string_view(text).substr(i, n));
        i += n;
        characterDelay(readMarkStep());
    }
    v_.saveSuppressed = saved;
    showPendingText();
    host_.pump(host_.ticks(), {});
}

void TextWindow::drawGlyphs(std::string_view c, int x, int y, bool ruby) {
    platform::FontEngine& fonts = host_.fonts();
    const platform::FontSpec font = ruby ? platform::FontSpec{t_.rubyFontName, t_.rubyHeight, true}
                                         : platform::FontSpec{t_.fontName, t_.fontHeight, false};
    const bool byteWise = t_.fontIndex >= 4 && !ruby && c.size() == 1;
    // No antialiasing on either surface: the mask must cover exactly the text's
    // pixels, or the AND/OR composition leaves fringes of the scene's colour.
    auto draw = [&](Surface& dst, int dx, int dy, uint32_t colour) {
        if (byteWise)
            fonts.drawChar(dst, dx, dy, char32_t(static_cast<unsigned char>(c[0])), font, colour, false);
        else
            fonts.drawText(dst, dx, dy, c, font, colour, false);
    };
    const int lift = ruby ? 2 : 0;
    auto layer = [&](Surface& dst, uint32_t shadow, uint32_t colour) {
        if (t_.shadowOn) {
            if (t_.outlineMode == 1) {
                for (auto [dx, dy] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}})
                    draw(dst, x + dx, y + dy + lift, shadow);
            } else {
                draw(dst, x + (ruby ? 1 : 2), y + (ruby ? 3 : 2), shadow);
            }
        }
        draw(dst, x, y + lift, colour);
    };
    // Script colours are red-low; pixels are blue-low.
    layer(host_.textSurface(), keyToPixel(int32_t(t_.shadowColour)), keyToPixel(int32_t(t_.textColour)));
    layer(host_.textMask(), 0, 0);
}

void TextWindow::showRect(Rect r) {
    if (!t_.textVisible) return;
    Surface& window = host_.windowImage();
    window.blit(host_.textMask(), r.x, r.y, r.x, r.y, r.w, r.h, Rop::And);
    window.blit(host_.textSurface(), r.x, r.y, r.x, r.y, r.w, r.h, Rop::Or);
    textPending_ = true;
}

void TextWindow::showPendingText() {
    // Text reaches the screen when someone could see it: before a delay, a wait or
    // at the end of the line. Fast text is shown once a line, not per character.
    if (!textPending_) return;
    textPending_ = false;
    host_.showWindow();
}

int TextWindow::drawCharacter(std::string_view c) {
    if (c.empty()) return kSameLine;
    if (c == "\f") return newLine(true);
    if (c == "\n") return newLine(false);
    const int x = drawCoordinate(int64_t(t_.cursorX) + t_.originX);
    const int y = drawCoordinate(int64_t(t_.cursorY) + t_.originY + t_.rubyGap);
    drawGlyphs(c, x, y, false);
    // The square around the cell: its height is the cell width as well.
    showRect({x - 1, y - 1, t_.cellWidth + 3, t_.cellWidth + 3});
    host_.appendToLog(c, t_.fontIndex >= 4);
    t_.cursorX = wrap32(int64_t(t_.cursorX) + t_.cellWidth);
    if (t_.cursorX < t_.rightLimit) return kSameLine;
    return newLine(false);
}

int TextWindow::newLine(bool page) {
    if (page || t_.pageFull()) {
        v_.textOutputActive = false;
        v_.fastForward = false;
        waitForClick(1);
        clearTextWindow();
        return kPageEnded;
    }
    t_.cursorY = wrap32(t_.cursorY + t_.lineHeight());
    host_.appendToLog("\n", false);
    t_.cursorX = t_.leftEdge;
    return kWrapped;
}

bool TextWindow::readMarkStep() {
    auto& marks = v_.ReadTextMarks;
    const int32_t id = v_.CurrentTextId;
    const bool inRange = id >= 0 && int64_t(id) < 8 * int64_t(marks.size());
    bool skipping = false;
    if (v_.skipReadMode && inRange) {
        skipping = marks[std::size_t(id / 8)] & (1u << (id % 8));
        if (!skipping) v_.skipReadMode = false;
    } else {
        v_.skipReadMode = false;
    }
    // Marked from its first character on.
    if (inRange) marks[std::size_t(id / 8)] |= uint8_t(1u << (id % 8));
    return skipping;
}

void TextWindow::characterDelay(bool skipping) {
    const int32_t d = t_.charDelay;
    if (d < 0) {
        showPendingText();
        host_.delayMs(d == INT32_MIN ? INT32_MAX : -d);
    } else if (d > 0 && !v_.fastForward && !v_.HighSpeedText && !skipping) {
        showPendingText();
        host_.delayMs(d);
    }
}

void TextWindow::waitForClick(int kind) {
    if (skippingRead()) return;
    if (kind == 0 && v_.pageMode) return;
    v_.clickPending = false;
    showPendingText();
    const int64_t iconX = int64_t(t_.cursorX) + t_.originX;
    const int64_t iconY = int64_t(t_.cursorY) + t_.originY + 16 + (int64_t(t_.cellHeight) - t_.fontHeight) +
                          (int64_t(t_.fontHeight) - WaitIcon::kSize) / 2;
    if (icon_.start(WaitIcon::place(drawCoordinate(iconX), drawCoordinate(iconY)), kind)) {
        host_.pump(host_.ticks(), {});
        icon_.drawFrame(host_.windowImage(), host_.compositionSurface());
        host_.showWindow(icon_.rect());
        host_.startIconTimer();
    }
    host_.setWaitMenuItems(true);
    v_.mouseWentDown = v_.mouseWentUp = false;
    const platform::WaitHint click{platform::WaitKind::Click, platform::Answer::None};
    // Press, then release: the release must not reach whatever runs next.
    while (!(skippingRead() || v_.mouseWentDown || v_.clickPending || v_.PendingAction != 0))
        host_.pump(std::nullopt, click);
    while (!(skippingRead() || v_.mouseWentUp || v_.clickPending || v_.PendingAction != 0))
        host_.pump(std::nullopt, click);
    v_.fastForward = false;
    if (icon_.stop(host_.windowImage(), host_.compositionSurface())) {
        host_.stopIconTimer();
        host_.showWindow(icon_.rect());
    }
    host_.setWaitMenuItems(false);
}

void TextWindow::onIconTimer() {
    if (!icon_.running()) return;
    icon_.drawFrame(host_.windowImage(), host_.compositionSurface());
    host_.showWindow(icon_.rect());
}

void TextWindow::clearTextWindow() {
    host_.textSurface().fill(0x000000);
    host_.textMask().fill(0xFFFFFF);
    t_.cursorX = t_.leftEdge;
    t_.cursorY = 0;
    host_.nextLogPage();
    if (!t_.textVisible) return;
    host_.windowImage().blit(host_.compositionSurface(), 0, 0, 0, 0, 640, 480);
    textPending_ = false;
    host_.showWindow();
    // Every page starts with a snapshot, so a save restarts at the top of a page.
    if (!v_.saveSuppressed) host_.takeSaveSnapshot();
}

void TextWindow::resetTextWindow() {
    t_.reset();
    host_.presentScene(false);
}

// --- <...> control sequences inside text lines, and the size steps they set ---

void TextWindow::setSize(int32_t n) {
    const int32_t oldHeight = t_.cellHeight;
    t_.cellWidth = t_.cellHeight = t_.fontHeight = 12 * n;
    t_.rubyGap = 16;
    t_.rubyHeight = 12;
    // Mid-line the line keeps its bottom.
    if (t_.cursorX > t_.leftEdge) t_.cursorY = wrap32(int64_t(t_.cursorY) + oldHeight - t_.cellHeight);
    t_.rightLimit = 640 - t_.cellWidth;
    t_.bottomLimit = 480 - (t_.cellHeight + t_.rubyGap) - 1;
    t_.sizeIndex = n;
}

void TextWindow::codeWait(int32_t ms) {
    showPendingText();
    if (ms < 0) {
        v_.clicksAccepted = false;
        host_.delayMs(ms == INT32_MIN ? INT32_MAX : -ms);
    } else {
        const uint32_t deadline = host_.ticks() + uint32_t(ms);
        v_.clickPending = false;
        const platform::WaitHint hint{platform::WaitKind::Input, platform::Answer::None};
        while (int32_t(deadline - host_.ticks()) > 0 && !v_.clickPending) host_.pump(deadline, hint);
    }
    v_.clicksAccepted = true;
    v_.clickPending = v_.mouseWentDown = v_.mouseWentUp = false;
    if (v_.textOutputActive) v_.fastForward = false;
}

std::size_t TextWindow::controlSequence(const std::string& line, std::size_t p) {
    for (;;) {
        inline_codes::ControlCode code;
        inline_codes::readControlCode(line, p, code);
        const int32_t v = code.number;
        switch (code.letter) {
            case 0:
            case '>':
                return p;
            case 'S':
                setSize(v < 1 || v > 26 ? 2 : v);
                break;
            case 'F':
                t_.fontIndex = v < 0 || v > 6 ? 0 : v;
                t_.fontName = v_.FontTable[std::size_t(t_.fontIndex)];
                break;
            case 'X':
                t_.cursorX = v;
                break;
            case 'Y':
                t_.cursorY = v;
                break;
            case 'M':
                t_.cursorX = wrap32(int64_t(t_.cursorX) + v);
                break;
            case 'N':
                t_.cursorY = wrap32(int64_t(t_.cursorY) + v);
                break;
            case 'L':
                t_.cursorX = wrap32(int64_t(v) * t_.cellWidth);
                break;
            case 'H':
                t_.cursorY = wrap32(v * t_.lineHeight());
                break;
            case 'J':
                t_.cursorX = wrap32(t_.cursorX + int64_t(v) * t_.cellWidth);
                break;
            case 'K':
                t_.cursorY = wrap32(t_.cursorY + v * t_.lineHeight());
                break;
            case 'T':
                // Moves the baseline to where a line of that size would have it; 0 has
                // no size, so it leaves the line where it is.
                if (v != 0) t_.cursorY = wrap32(t_.cursorY + (v > 0 ? 1 : -1) * (12 * std::abs(int64_t(v)) - t_.cellHeight));
                break;
            case 'W':
                t_.charDelay = v;
                break;
            case 'Q':
                codeWait(v);
                break;
            case 'I':
                t_.leftEdge = v;
                break;
            case 'R':
                t_.rightLimit = wrap32(int64_t(t_.leftEdge) + (v == 0 ? 640 - t_.cellWidth : v));
                break;
            case 'U':
                t_.bottomLimit = v == 0 ? 480 - (t_.cellHeight + t_.rubyGap) : v;
                break;
            case 'C':
                t_.textColour = code.colour;
                break;
            case 'B':
                t_.shadowColour = code.colour;
                break;
            case 'D':
                t_.shadowOn = v != 0;
                break;
            case 'P':
                t_.textVisible = v != 0;
                host_.markSceneChanged();
                break;
            case 'E':
                t_.outlineMode = v != 0 ? 1 : 0;
                break;
            case 'V':
            case 'O':
            case 'A':
                if (code.letter == 'A') {
                    inlineImage(expandDataDrive(code.name.text));
                } else if (!v_.skipReadMode) {
                    // Skipping read text stays silent.
                    showPendingText();
                    host_.playWave(expandDataDrive(code.name.text), code.letter == 'V');
                }
                if (code.name.ended == '>') return p;
                break;
            default:
                break;
        }
    }
}

void TextWindow::inlineImage(const std::string& name) {
    std::optional<Surface> picture = host_.loadPicture(name);
    if (!picture || picture->empty()) return;
    Surface mask;
    maskFromKey(*picture, mask, int32_t(keyToPixel(int32_t(picture->pixel(0, 0)))));
    // At the top of the ruby band; no wrap check follows.
    placePicture(*picture, mask, drawCoordinate(int64_t(t_.cursorX) + t_.originX),
                 drawCoordinate(int64_t(t_.cursorY) + t_.originY));
    t_.cursorX = wrap32(int64_t(t_.cursorX) + picture->width());
}

// --- (base,ruby) readings over words and [value,width] embedded values ------

std::size_t TextWindow::ruby(const std::string& line, std::size_t p) {
    const inline_codes::Part base = inline_codes::readToken(line, p, ')');
    inline_codes::Part reading;
    reading.next = base.next;
    // Only a ',' leads on to the reading; ')' closes the form at once.
    if (base.ended == ',') reading = inline_codes::readToken(line, base.next, ')');
    if (base.text.empty() || reading.text.empty()) return reading.next;

    const platform::FontSpec font{t_.rubyFontName, t_.rubyHeight, true};
    const int w = host_.fonts().measureText(reading.text, font);
    const int64_t cells = int64_t(base.text.size() / 2);
    const int x = drawCoordinate(t_.cursorX + (cells * t_.cellWidth - w) / 2 + t_.originX);
    const int y = drawCoordinate(int64_t(t_.cursorY) + t_.originY);
    drawGlyphs(reading.text, x, y, true);
    showRect({x - 1, y, w + 3, 16});

    // The base is ordinary text of the same line: no line end of its own.
    const bool inner = innerText_;
    innerText_ = true;
    showTextLine(base.text + "%", 1);
    innerText_ = inner;
    return reading.next;
}

std::size_t TextWindow::embeddedValue(const std::string& line, std::size_t p) {
    const inline_codes::Part value = inline_codes::readValuePart(line, p);
    inline_codes::Part width;
    width.next = value.next;
    if (value.ended == ',') width = inline_codes::readValuePart(line, value.next);
    if (value.text.empty()) return width.next;
    std::string text =
        value.text.front() == '@' ? host_.textFlag(value.text) : std::to_string(host_.evaluate(value.text));
    const int32_t w = width.text.empty() ? 0 : host_.evaluate(width.text);
    const bool inner = innerText_;
    innerText_ = true;
    showUnpagedText(inline_codes::fitToWidth(std::move(text), w));
    innerText_ = inner;
    return width.next;
}

// --- The text window's script commands --------------------------------------

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
