#pragma once
// Jumps, subroutines, conditional blocks and lines, option blocks of the choice
// commands, branch blocks and the scroll block. Jumps only set the next line; the
// interpreter loop moves there after the command returns.
#include "base/reporter.h"
#include "script/expression.h"
#include "script/interpreter_state.h"
#include "script/script_program.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

inline constexpr int kMaxOptions = 32;

enum class ChoiceKind { Menu, Buttons, PictureGrid };

struct OptionList {
    std::array<std::string, kMaxOptions> OptionLabels;
    std::array<std::string, kMaxOptions> OptionCommands;
    int count = 0;
};

// The choosing itself (menus, picture buttons): returns the chosen index, or a
// negative value when nothing was chosen.
class ChoiceOperation {
public:
    virtual ~ChoiceOperation() = default;
    virtual int32_t choose(ChoiceKind kind, const OptionList& options) = 0;
};

class ControlFlow {
public:
    struct Hooks {
        std::function<void(const std::string&)> loadScript;  // replaces the program, resets the position
        std::function<void(const std::string&)> dispatch;    // runs a command line
    };

    ControlFlow(ScriptProgram& program, InterpreterState& state, ExpressionEvaluator& evaluator,
                ScriptErrorReporter& reporter, Hooks hooks)
        : program_(program), state_(state), evaluator_(evaluator), reporter_(reporter), hooks_(std::move(hooks)) {}

    void jumpTo(int32_t line);
    void jumpToLabel(const std::string& label);
    // The first marker line at or after start; reported and 0 when there is none.
    int32_t findMarker(std::string_view marker, int32_t start);

    void gotoLabel(const std::string& label, const std::string& file);
    void gosub(const std::string& label);
    void returnFrom(const std::string& label);
    void ifCondition(const std::string& condition);
    void thenBlock();
    void elseBlock();
    // A line "_(condition),command": word is the command word "_(condition)".
    // True when the command is to run (it then counts as a conditional's command).
    bool conditionHolds(const std::string& word);
    void branch(const std::string& n);

    // Reads the option lines after a choice command up to _endsel (ProgExecLine
    // ends on the marker), lets the operation choose, runs the option's command
    // and records the result in ProgSelResult.
    void choice(ChoiceKind kind, ChoiceOperation& operation);
    OptionList collectOptions(ChoiceKind kind);
    // The lines of a _scroll block, leading blanks removed; the jump past
    // _endscroll is made (the effect runs in between).
    std::vector<std::string> scrollBlock();

    // Read by the debug window and the state dump.
    const OptionList& lastOptions() const { return options_; }
    // A restored game puts its options back.
    OptionList& options() { return options_; }

private:
    ScriptProgram& program_;
    InterpreterState& state_;
    ExpressionEvaluator& evaluator_;
    ScriptErrorReporter& reporter_;
    Hooks hooks_;
    OptionList options_;
};

}  // namespace qvl
