#include "text/text_window.h"

#include "base/sjis.h"
#include "text/inline_codes.h"

#include <algorithm>
#include <climits>

namespace qvl {

namespace {
// "（" and "）" in Shift-JIS, around a ruby's reading.
constexpr const char* kOpenBracket = "\x81\x69";
constexpr const char* kCloseBracket = "\x81\x6A";
constexpr std::size_t kToReadLimit = 1 << 16;
}  // namespace

TextWindow::TextWindow(TextHost& host, TextEngineValues values, TextWindowState& state)
    : host_(host),
      v_(values),
      t_(state),
      layer_(host, state),
      controlSequence_(host, values, state, layer_),
      rubyAndValues_(host, state, layer_),
      commands_(host, values, state, layer_) {}

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
            p = controlSequence_.run(line, p);
            c.clear();
        } else if (c == "(") {
            const RubyAndValues::Form ruby = rubyAndValues_.ruby(line, p);
            // The base is ordinary text of the same line: no line end of its own.
            if (ruby.text) {
                showInnerText(*ruby.text + "%", true);
                if (toRead_.size() < kToReadLimit) toRead_ += kOpenBracket + ruby.reading + kCloseBracket;
            }
            p = ruby.next;
            c.clear();
        } else if (c == "[") {
            const RubyAndValues::Form value = rubyAndValues_.embeddedValue(line, p);
            if (value.text) showInnerText(*value.text, false);
            p = value.next;
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
    layer_.showPending();
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
    layer_.showPending();
    host_.pump(host_.ticks(), {});
}

void TextWindow::showInnerText(const std::string& text, bool paged) {
    const bool inner = innerText_;
    innerText_ = true;
    if (paged)
        showTextLine(text, 1);
    else
        showUnpagedText(text);
    innerText_ = inner;
}

int TextWindow::drawCharacter(std::string_view c) {
    if (c.empty()) return kSameLine;
    if (c == "\f") return newLine(true);
    if (c == "\n") return newLine(false);
    const int x = drawCoordinate(int64_t(t_.cursorX) + t_.originX);
    const int y = drawCoordinate(int64_t(t_.cursorY) + t_.originY + t_.rubyGap);
    layer_.drawGlyphs(c, x, y, false);
    // The symbol fonts' bytes are pictures, not words. A script that draws for ever
    // without a wait must not grow this without end.
    if (t_.fontIndex < 4 && toRead_.size() < kToReadLimit) toRead_ += c;
    // The square around the cell: its height is the cell width as well.
    layer_.showRect({x - 1, y - 1, t_.cellWidth + 3, t_.cellWidth + 3});
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
        layer_.showPending();
        host_.delayMs(d == INT32_MIN ? INT32_MAX : -d);
    } else if (d > 0 && !v_.fastForward && !v_.HighSpeedText && !skipping) {
        layer_.showPending();
        host_.delayMs(d);
    }
}

void TextWindow::passTextToRead() {
    if (toRead_.empty()) return;
    host_.textToRead(toRead_);
    toRead_.clear();
}

void TextWindow::waitForClick(int kind) {
    if (skippingRead()) {
        toRead_.clear();  // skipped, not read
        return;
    }
    if (kind == 0 && v_.pageMode) return;
    passTextToRead();
    v_.clickPending = false;
    layer_.showPending();
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
    // Text cleared without a wait was still on show for a while.
    passTextToRead();
    layer_.clear();
    t_.cursorX = t_.leftEdge;
    t_.cursorY = 0;
    host_.nextLogPage();
    if (!t_.textVisible) return;
    layer_.showSceneOnly();
    // Every page starts with a snapshot, so a save restarts at the top of a page.
    if (!v_.saveSuppressed) host_.takeSaveSnapshot();
}

void TextWindow::textClear() {
    v_.state.ProgMultiStateFlag = 0;
    clearTextWindow();
}

void TextWindow::resetTextWindow() {
    t_.reset();
    host_.presentScene(false);
}

}  // namespace qvl
