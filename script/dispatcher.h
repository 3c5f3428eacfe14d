#pragma once
// Executes one command line: tokenize it, pick the operation by its command word
// (byte for byte, letter case matters) and run it. The command table is filled in
// one place by the engine, one line per command.
#include "base/reporter.h"
#include "script/interpreter_state.h"

#include <functional>
#include <string>
#include <unordered_map>

namespace qvl {

// Commands run commands (a chosen option's command may be a choice again); past
// this depth a command line is reported and skipped, so no script can exhaust
// the stack.
inline constexpr int kMaxCommandNesting = 32;

class Dispatcher {
public:
    using Command = std::function<void()>;
    // Reads the condition of word() and tells whether the command runs.
    using Condition = std::function<bool()>;

    Dispatcher(InterpreterState& state, ScriptErrorReporter& reporter) : state_(state), reporter_(reporter) {}

    // The word must be one of the command table's (script/command_table.h).
    void add(const std::string& word, Command command);
    // The handlers of the two special forms: conditional lines and flag assignments.
    // The command of a conditional line runs as a line of its own when the
    // condition holds; when it does not, slot 0 holds the command.
    void setConditional(Condition condition) { conditional_ = std::move(condition); }
    void setFlagAssignment(Command command) { flagAssignment_ = std::move(command); }

    // The command word of the line being executed (after dispatch started).
    const std::string& word() const { return word_; }

    // Takes its own copy: the line may be an argument slot that tokenizing empties.
    void dispatch(std::string line);

private:
    InterpreterState& state_;
    ScriptErrorReporter& reporter_;
    std::unordered_map<std::string, Command> table_;
    Condition conditional_;
    Command flagAssignment_;
    std::string word_;
    int depth_ = 0;
};

}  // namespace qvl
