#include "script/interpreter.h"

#include "base/numbers.h"
#include "base/sjis.h"

namespace qvl {

ClassifiedLine classifyLine(std::string_view line) {
    ClassifiedLine out;
    std::string t = sjis::trim(line);
    if (!t.empty() && t.front() == '~') {
        out.textId = int32_t(toHex8(std::string_view(t).substr(1, 8)));
        t.erase(0, 9);
    }
    if (t.empty()) return out;
    switch (t.front()) {
        case '_': out.kind = LineKind::Command; break;
        case '!': out.kind = LineKind::Chapter; break;
        case ':': out.kind = LineKind::Label; break;
        case ';':
        case '#': out.kind = LineKind::Comment; break;
        case '\\': out.kind = LineKind::Unpaged; break;
        default: out.kind = LineKind::Text; break;
    }
    out.text = std::move(t);
    return out;
}

void Interpreter::executeLine(std::string_view line) {
    ClassifiedLine c = classifyLine(line);
    currentTextId_ = c.textId;
    switch (c.kind) {
        case LineKind::Command:
            state_.ProgMultiStateFlag = 0;
            host_.dispatch(c.text);
            break;
        case LineKind::Chapter:
            state_.ProgChapter = c.text.substr(1);
            host_.setChapter(state_.ProgChapter);
            break;
        case LineKind::Unpaged: host_.showUnpagedText(c.text.substr(1) + "\n"); break;
        case LineKind::Text: host_.showTextLine(c.text, 1); break;
        case LineKind::Blank:
        case LineKind::Label:
        case LineKind::Comment: break;
    }
}

void Interpreter::afterLine() {
    // Taken before it is carried out: the resumed line's waits must wait, and a
    // load or return to the title asked for during them is carried out next.
    for (int32_t action = pendingAction_; action != kPendingNone; action = pendingAction_) {
        pendingAction_ = kPendingNone;
        if (action == kPendingTitle) {
            host_.returnToTitle();
            continue;
        }
        if (action != kPendingLoad) continue;
        const bool restored = host_.restoreSavedGame();
        if (restored) currentTextId_ = -1;
        if (restored && state_.ProgMultiStateFlag == 2 && state_.ProgExecLine >= 0 &&
            std::size_t(state_.ProgExecLine) < program_.Lines.size()) {
            // Resume the text line the save interrupted, from where it stopped.
            std::string line = sjis::trim(program_.Lines[std::size_t(state_.ProgExecLine)]);
            if (!line.empty() && line.front() == '~') line.erase(0, std::min<std::size_t>(9, line.size()));
            host_.clearTextWindow();
            // Positions count from 1: the rest holds a character up to the last byte.
            if (state_.ProgTextPos <= int32_t(line.size())) host_.showTextLine(line, state_.ProgTextPos);
        }
    }
    if (state_.ProgNextLine == -1) {
        ++state_.ProgExecLine;
    } else {
        state_.ProgExecLine = state_.ProgNextLine;
        state_.ProgNextLine = -1;
    }
}

bool Interpreter::running() const {
    return state_.ProgExecLine >= 0 && std::size_t(state_.ProgExecLine) < program_.Lines.size();
}

void Interpreter::run() {
    while (running()) {
        host_.beforeLine();
        if (!running()) break;
        executeLine(program_.Lines[std::size_t(state_.ProgExecLine)]);
        afterLine();
        host_.lineExecuted();
    }
}

}  // namespace qvl
