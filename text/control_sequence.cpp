#include "text/control_sequence.h"

#include "graphics/masks.h"
#include "text/inline_codes.h"

#include <climits>
#include <cstdlib>

namespace qvl {

void ControlSequence::codeWait(int32_t ms) {
    layer_.showPending();
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

std::size_t ControlSequence::run(const std::string& line, std::size_t p) {
    for (;;) {
        inline_codes::ControlCode code;
        inline_codes::readControlCode(line, p, code);
        const int32_t v = code.number;
        switch (code.letter) {
            case 0:
            case '>':
                return p;
            case 'S':
                t_.setSize(v < 1 || v > 26 ? 2 : v);
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
                    inlineImage(v_.expandDataDrive(code.name.text));
                } else if (!v_.skipReadMode) {
                    // Skipping read text stays silent.
                    layer_.showPending();
                    host_.playWave(v_.expandDataDrive(code.name.text), code.letter == 'V');
                }
                if (code.name.ended == '>') return p;
                break;
            default:
                break;
        }
    }
}

void ControlSequence::inlineImage(const std::string& name) {
    std::optional<Surface> picture = host_.loadPicture(name);
    if (!picture || picture->empty()) return;
    Surface mask;
    maskFromKey(*picture, mask, int32_t(keyToPixel(int32_t(picture->pixel(0, 0)))));
    // At the top of the ruby band; no wrap check follows.
    layer_.placePicture(*picture, mask, drawCoordinate(int64_t(t_.cursorX) + t_.originX),
                        drawCoordinate(int64_t(t_.cursorY) + t_.originY));
    t_.cursorX = wrap32(int64_t(t_.cursorX) + picture->width());
}

}  // namespace qvl
