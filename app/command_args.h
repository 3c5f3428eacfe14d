#pragma once
// The arguments of the command being run, read as the command tables need them:
// as the script wrote them, or evaluated as numbers.
#include "script/expression.h"
#include "script/interpreter_state.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qvl {

class CommandArgs {
public:
    CommandArgs(const InterpreterState& state, ExpressionEvaluator& evaluator) : state_(state), evaluator_(evaluator) {}

    const std::string& text(int slot) const { return state_.ProgArgs[std::size_t(slot)]; }
    // A numeric argument; emptyValue when the slot is empty.
    int32_t value(int slot, int32_t emptyValue) const;
    // A numeric argument, or nothing when the slot is empty.
    std::optional<int32_t> optional(int slot) const;
    int32_t evaluate(std::string_view expression) const { return evaluator_.evaluate(expression); }

private:
    const InterpreterState& state_;
    ExpressionEvaluator& evaluator_;
};

}  // namespace qvl
