// Codes inside text lines: <...> control sequences, (base,ruby) and [value,width].
#include "app/tfmain.h"
#include "base/fault.h"
#include "base/sjis.h"
#include "graphics/masks.h"
#include "script/script_loader.h"
#include "script/tokenizer.h"

#include <cstdlib>

namespace qvl {

namespace {

// An optional sign and digits right at p (1-based); a code letter without a digit
// is a fault.
int32_t readCodeNumber(const std::string& line, std::size_t& p) {
    std::size_t i = p - 1;
    std::size_t start = i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
    std::size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == digits) throw Fault("'" + line.substr(start, i - start + 1) + "' is not a valid integer value");
    int64_t v = std::strtoll(line.c_str() + start, nullptr, 10);
    p = i + 1;
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// "#RRGGBB" as a red-low colour; anything malformed reads as white.
uint32_t readCodeColour(const std::string& line, std::size_t& p) {
    std::string text = line.substr(p - 1, 7);
    p += text.size();
    if (text.size() != 7 || text[0] != '#') return 0xFFFFFF;
    char* end = nullptr;
    unsigned long rgb = std::strtoul(text.c_str() + 1, &end, 16);
    if (end != text.c_str() + 7) return 0xFFFFFF;
    return uint32_t(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

// One part of an embedded value, up to ',' or the ']' that closes the value.
// Brackets of flag references inside ("[$flg[3],-4]", "[@flg[10]]") are part of
// the text; blanks are dropped as in command arguments.
Token readValuePart(const std::string& line, std::size_t p) {
    Token token;
    int depth = 0;
    std::size_t i = p - 1;
    while (i < line.size()) {
        std::size_t n = sjis::charLength(line, i);
        char c = line[i];
        if (n == 1) {
            if (c == '[') ++depth;
            if (c == ']' && depth > 0) {
                --depth;
            } else if (c == ',' || c == ']' || c == '\n') {
                ++i;
                break;
            }
            if (c == ' ' || c == '\t') {
                ++i;
                continue;
            }
        }
        token.text.append(line, i, n);
        i += n;
    }
    token.next = i + 1;
    return token;
}

}  // namespace

void TFmain::setTextSize(int32_t n) {
    TextWindowState& t = textWindow;
    const int32_t oldHeight = t.cellHeight;
    t.cellWidth = t.cellHeight = t.fontHeight = 12 * n;
    t.rubyGap = 16;
    t.rubyHeight = 12;
    // Mid-line the line keeps its bottom.
    if (t.cursorX > t.leftEdge) t.cursorY = wrap32(int64_t(t.cursorY) + oldHeight - t.cellHeight);
    t.rightLimit = 640 - t.cellWidth;
    t.bottomLimit = 480 - (t.cellHeight + t.rubyGap) - 1;
    t.sizeIndex = n;
}

std::size_t TFmain::controlSequence(const std::string& line, std::size_t p) {
    TextWindowState& t = textWindow;
    while (p <= line.size()) {
        const char code = line[p - 1];
        const std::size_t n = sjis::charLength(line, p - 1);
        p += n;
        if (n != 1) continue;
        switch (code) {
            case '>': return p;
            case 'S': {
                int32_t v = readCodeNumber(line, p);
                setTextSize(v < 1 || v > 26 ? 2 : v);
                break;
            }
            case 'F': {
                int32_t v = readCodeNumber(line, p);
                t.fontIndex = v < 0 || v > 6 ? 0 : v;
                t.fontName = settings.FontTable[std::size_t(t.fontIndex)];
                break;
            }
            case 'X': t.cursorX = readCodeNumber(line, p); break;
            case 'Y': t.cursorY = readCodeNumber(line, p); break;
            case 'M': t.cursorX = wrap32(int64_t(t.cursorX) + readCodeNumber(line, p)); break;
            case 'N': t.cursorY = wrap32(int64_t(t.cursorY) + readCodeNumber(line, p)); break;
            case 'L': t.cursorX = wrap32(int64_t(readCodeNumber(line, p)) * t.cellWidth); break;
            case 'H': t.cursorY = wrap32(int64_t(readCodeNumber(line, p)) * (int64_t(t.cellHeight) + t.rubyGap)); break;
            case 'J': t.cursorX = wrap32(t.cursorX + int64_t(readCodeNumber(line, p)) * t.cellWidth); break;
            case 'K':
                t.cursorY = wrap32(t.cursorY + int64_t(readCodeNumber(line, p)) * (int64_t(t.cellHeight) + t.rubyGap));
                break;
            case 'T': {
                // 0 would divide by itself: it leaves the line where it is.
                int32_t v = readCodeNumber(line, p);
                if (v != 0) t.cursorY = wrap32(t.cursorY + (v > 0 ? 1 : -1) * (12 * std::abs(int64_t(v)) - t.cellHeight));
                break;
            }
            case 'W': t.charDelay = readCodeNumber(line, p); break;
            case 'Q': {
                int32_t v = readCodeNumber(line, p);
                const uint32_t deadline = platform_.ticks() + uint32_t(std::abs(int64_t(v)));
                if (v < 0) {
                    delayMs(v);
                } else {
                    input.clickPending = false;
                    while (int32_t(deadline - platform_.ticks()) > 0 && !input.clickPending)
                        pump(deadline, {platform::WaitKind::Input, platform::Answer::None});
                }
                input.clicksAccepted = true;
                input.clearClicks();
                if (input.textOutputActive) input.fastForward = false;
                break;
            }
            case 'I': t.leftEdge = readCodeNumber(line, p); break;
            case 'R': {
                int32_t v = readCodeNumber(line, p);
                t.rightLimit = wrap32(int64_t(t.leftEdge) + (v == 0 ? 640 - t.cellWidth : v));
                break;
            }
            case 'U': {
                int32_t v = readCodeNumber(line, p);
                t.bottomLimit = v == 0 ? 480 - (t.cellHeight + t.rubyGap) : v;
                break;
            }
            case 'C': t.textColour = readCodeColour(line, p); break;
            case 'B': t.shadowColour = readCodeColour(line, p); break;
            case 'D': t.shadowOn = readCodeNumber(line, p) != 0; break;
            case 'P':
                t.textVisible = readCodeNumber(line, p) != 0;
                bank_.sceneDirty = true;
                break;
            case 'E': t.outlineMode = readCodeNumber(line, p) != 0 ? 1 : 0; break;
            case 'V':
            case 'O': {
                // Wave files play once sound exists; until then the name is read and skipped.
                Token name = readToken(line, p, '>');
                p = name.next;
                if (line[p - 2] == '>') return p;
                break;
            }
            case 'A': {
                Token name = readToken(line, p, '>');
                p = name.next;
                inlineImage(expandDataDrive(name.text, settings.dataDriveRoot));
                if (line[p - 2] == '>') return p;
                break;
            }
            default: break;
        }
    }
    return p;
}

void TFmain::inlineImage(const std::string& name) {
    std::optional<Surface> picture = readPicture(name);
    if (!picture || picture->empty()) return;
    TextWindowState& t = textWindow;
    Surface mask;
    uint32_t corner = picture->pixel(0, 0);
    maskFromKey(*picture, mask, int32_t(((corner & 0xFF) << 16) | (corner & 0xFF00) | ((corner >> 16) & 0xFF)));
    putTextLayerPicture(*picture, mask, drawCoordinate(int64_t(t.cursorX) + t.originX),
                        drawCoordinate(int64_t(t.cursorY) + t.originY));
    t.cursorX = wrap32(int64_t(t.cursorX) + picture->width());
}

std::size_t TFmain::ruby(const std::string& line, std::size_t p) {
    Token base = readToken(line, p, ')');
    Token ruby;
    ruby.next = base.next;
    // The base ends at ',' or ')'; only a ',' leads on to the ruby.
    if (base.next >= 2 && line[base.next - 2] == ',') ruby = readToken(line, base.next, ')');
    if (base.text.empty() || ruby.text.empty()) return ruby.next;
    TextWindowState& t = textWindow;
    const platform::FontSpec fontSpec{t.rubyFontName, t.rubyHeight, true};
    const int w = platform_.fonts().measureText(ruby.text, fontSpec);
    const int cells = int(base.text.size() / 2);
    const int x = drawCoordinate(int64_t(t.cursorX) + (int64_t(cells) * t.cellWidth - w) / 2 + t.originX);
    const int y = drawCoordinate(int64_t(t.cursorY) + t.originY);
    drawGlyphs(ruby.text, x, y, fontSpec, true);
    showTextRect({x - 1, y, w + 3, 16});
    const bool inner = innerText_;
    innerText_ = true;
    showTextLine(base.text + "%", 1);
    innerText_ = inner;
    return ruby.next;
}

std::size_t TFmain::embeddedValue(const std::string& line, std::size_t p) {
    Token value = readValuePart(line, p);
    Token width;
    width.next = value.next;
    if (value.next >= 2 && line[value.next - 2] == ',') width = readValuePart(line, value.next);
    if (value.text.empty()) return width.next;
    std::string text = value.text.front() == '@' ? evaluator_.readTextFlag(value.text, 1)
                                                 : std::to_string(evaluator_.evaluate(value.text));
    const int32_t w = width.text.empty() ? 0 : evaluator_.evaluate(width.text);
    if (w > 0) {
        text.resize(std::size_t(w), ' ');
    } else if (w < 0) {
        const std::size_t n = std::size_t(-int64_t(w));
        if (text.size() < n) text.insert(0, n - text.size(), ' ');
        text = text.substr(text.size() - n);
    }
    const bool inner = innerText_;
    innerText_ = true;
    showUnpagedText(text);
    innerText_ = inner;
    return width.next;
}

}  // namespace qvl
