// Expressions and flag references as scripts write them: any bytes must end in a
// value, a reported error or a Fault, never in a crash.
#include "base/fault.h"
#include "base/reporter.h"
#include "script/expression.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
struct QuietReporter : qvl::ScriptErrorReporter {
    void scriptError(const std::string&) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    qvl::FlagStore flags;
    flags.Flags[1] = "3";
    flags.Flags[2] = "-2147483648";
    flags.Flags[3] = "letters";
    qvl::BasicSystemValues system([] { return std::tm{}; });
    QuietReporter reporter;
    qvl::ExpressionEvaluator evaluator(flags, system, reporter);
    try {
        evaluator.evaluate(text);
    } catch (const qvl::Fault&) {
        // Division by zero and non-numeric flags end the run; that is allowed.
    }
    for (std::size_t p = 1; p <= size && p <= 4; ++p) {
        try {
            qvl::Evaluation e = evaluator.evaluateAt(text, p);
            if (e.next < p || e.next > size + 1) __builtin_trap();
            qvl::FlagTarget t = evaluator.parseFlagTarget(text, p);
            if (t.index < 0 || t.index >= qvl::kFlagCount) __builtin_trap();
            evaluator.readTextFlag(text, p);
        } catch (const qvl::Fault&) {
        }
    }
    return 0;
}
