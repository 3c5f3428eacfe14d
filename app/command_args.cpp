#include "app/command_args.h"

namespace qvl {

int32_t CommandArgs::value(int slot, int32_t emptyValue) const {
    const std::string& a = text(slot);
    return a.empty() ? emptyValue : evaluator_.evaluate(a);
}

std::optional<int32_t> CommandArgs::optional(int slot) const {
    const std::string& a = text(slot);
    if (a.empty()) return std::nullopt;
    return evaluator_.evaluate(a);
}

}  // namespace qvl
