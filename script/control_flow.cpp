#include "script/control_flow.h"

#include "base/sjis.h"
#include "script/messages.h"
#include "script/tokenizer.h"

namespace qvl {

void ControlFlow::jumpTo(int32_t line) {
    state_.ProgNextLine = line;
    state_.ProgTextPos = 0;
    state_.ProgMultiStateFlag = 0;
}

void ControlFlow::jumpToLabel(const std::string& label) {
    int32_t line;
    if (auto found = program_.findLabel(label)) {
        line = *found;
    } else {
        reporter_.scriptError(message(Message::LabelNotFound) + label);
        line = state_.ProgExecLine + 1;
    }
    jumpTo(line + 1);
}

int32_t ControlFlow::findMarker(std::string_view marker, int32_t start) {
    for (auto it = program_.Lines.at(std::size_t(std::max<int32_t>(start, 0))); it != program_.Lines.end(); ++it)
        if (sjis::trim(*it) == marker) return int32_t(it.index());
    reporter_.scriptError(std::string(marker) + message(Message::MarkerNotFound));
    return 0;
}

void ControlFlow::gotoLabel(const std::string& label, const std::string& file) {
    if (!file.empty()) {
        hooks_.loadScript(file);
        state_.ProgFileName = file;
    }
    if (label.empty()) jumpTo(0);
    else jumpToLabel(label);
}

void ControlFlow::gosub(const std::string& label) {
    if (label.empty()) {
        state_.ProgTextPos = 0;
        state_.ProgMultiStateFlag = 0;
        state_.ProgRetStack = -1;
        return;
    }
    jumpToLabel(label);
    if (state_.ProgRetStack >= kReturnStackSize - 1) {
        reporter_.scriptError(message(Message::GosubOverflow));
        return;
    }
    state_.ProgRetStack += 1;
    state_.ProgRetAddr[std::size_t(state_.ProgRetStack)] = state_.ProgExecLine + 1;
}

void ControlFlow::returnFrom(const std::string& label) {
    if (state_.ProgRetStack < 0) {
        reporter_.scriptError(message(Message::ReturnWithoutGosub));
        return;
    }
    if (label.empty()) jumpTo(state_.ProgRetAddr[std::size_t(state_.ProgRetStack)]);
    else jumpToLabel(label);
    state_.ProgRetStack -= 1;
}

void ControlFlow::ifCondition(const std::string& condition) {
    if (condition.empty()) return;
    state_.ProgIfResult = evaluator_.evaluateAt(condition, 1).value;
}

void ControlFlow::thenBlock() {
    if (state_.ProgIfResult != 0) return;
    jumpTo(findMarker("_endthen", state_.ProgExecLine + 1) + 1);
}

void ControlFlow::elseBlock() {
    if (state_.ProgIfResult == 0) return;
    jumpTo(findMarker("_endelse", state_.ProgExecLine + 1) + 1);
}

bool ControlFlow::conditionHolds(const std::string& word) {
    if (evaluator_.evaluateAt(word, 2).value == 0) return false;
    state_.ProgMultiStateFlag = 1;
    return true;
}

void ControlFlow::branch(const std::string& n) {
    if (evaluator_.evaluate(n) == state_.ProgSelResult) return;
    jumpTo(findMarker("_endbranch", state_.ProgExecLine + 1) + 1);
}

OptionList ControlFlow::collectOptions(ChoiceKind kind) {
    OptionList options;
    bool reportedFull = false;
    state_.ProgExecLine += 1;
    while (state_.ProgExecLine != -1 && state_.ProgExecLine >= 0 &&
           std::size_t(state_.ProgExecLine) < program_.Lines.size()) {
        std::string line = sjis::trim(program_.Lines[std::size_t(state_.ProgExecLine)]);
        if (line == "_endsel") break;
        Token label = readToken(line, 1, ',');
        std::size_t pos = label.next;
        while (pos <= line.size() && (line[pos - 1] == ' ' || line[pos - 1] == '\t')) ++pos;
        Token condition = readToken(line, pos, ',');
        pos = condition.next;
        while (pos <= line.size() && (line[pos - 1] == ' ' || line[pos - 1] == '\t')) ++pos;
        std::string command = pos <= line.size() ? line.substr(pos - 1) : std::string();

        bool shown = condition.text.empty() || evaluator_.evaluate(condition.text) != 0;
        if (kind == ChoiceKind::PictureGrid || shown) {
            if (options.count < kMaxOptions) {
                // A picture grid keeps unavailable entries in place, labelled "0".
                options.OptionLabels[std::size_t(options.count)] = shown ? label.text : std::string("0");
                options.OptionCommands[std::size_t(options.count)] = command;
                ++options.count;
            } else if (!reportedFull) {
                // Only 32 options fit a menu; the rest are left out, once reported.
                reporter_.scriptError(message(Message::TooManyOptions) + std::to_string(kMaxOptions));
                reportedFull = true;
            }
        }
        state_.ProgExecLine += 1;
    }
    return options;
}

void ControlFlow::choice(ChoiceKind kind, ChoiceOperation& operation) {
    options_ = collectOptions(kind);
    int32_t result = operation.choose(kind, options_);
    if (options_.count > 0 && result >= 0 && result < options_.count &&
        !options_.OptionCommands[std::size_t(result)].empty()) {
        state_.ProgMultiStateFlag = 1;
        hooks_.dispatch(options_.OptionCommands[std::size_t(result)]);
    }
    state_.ProgSelResult = result;
}

std::vector<std::string> ControlFlow::scrollBlock() {
    int32_t end = findMarker("_endscroll", state_.ProgExecLine + 1);
    std::vector<std::string> lines;
    for (int32_t i = state_.ProgExecLine + 1; i < end; ++i)
        lines.push_back(sjis::trimLeft(program_.Lines[std::size_t(i)]));
    jumpTo(end + 1);
    return lines;
}

}  // namespace qvl
