#pragma once
// The integer expression language of numeric arguments, conditions and flag
// subscripts, and the flag references built on it.
//
//   operands   123   $flg[expr]   $sys[expr]   (expr)   -operand
//   operators  ^  |  * / %  |  + -  |  > < >= => <= =< == !=  |  & | ~
//              strongest first, all grouping from the left; ~ is exclusive or
//
// An expression ends at the end of the text or at the first ')', ']' or ':' that
// no nested operand takes, and that character is consumed. Positions are 1-based
// byte positions. Syntax errors are reported and read as 1 (a broken condition
// counts as true); a non-numeric flag read through $flg and a division by zero
// are Faults that end the run.
#include "base/reporter.h"
#include "script/flag_store.h"
#include "script/system_values.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

// The codes that appear in the arithmetic error report.
enum ExpressionError : int32_t {
    kExprOk = 0,
    kExprBadReference = -1,  // '$' without a valid $flg[..]/$sys[..] or index out of range
    kExprBadNumber = -2,     // a digit run that does not fit 32 bits
    kExprBadGroup = -3,      // '(' without its ')'
    kExprBadMinus = -4,      // a unary minus not directly followed by an operand
    kExprBadOperator = -5,   // an operator that cannot be queued
    kExprBadCharacter = -6,  // a byte that starts no token (letters, tabs, ...)
};

// Nested groups and subscripts deeper than this are an error, never a deep stack.
inline constexpr int kMaxExpressionNesting = 256;

struct Evaluation {
    int32_t value = 0;
    std::size_t next = 0;  // position after the consumed end character
    int32_t error = kExprOk;
};

// What a syntax check found in an expression, without reading any flag: the
// error code the run would report, a lone '=' or '!' that the run refuses when it
// applies it, a fault of constant operands (division by zero), and the value
// when no flag or system value goes into it.
struct ExpressionCheck {
    int32_t error = kExprOk;
    char refusedOperator = 0;
    std::string fault;
    std::size_t next = 0;
    std::optional<int32_t> value;
};

struct FlagTarget {
    int32_t index = 0;
    std::size_t next = 0;  // 0 when the text names no flag at the position
};

class ExpressionEvaluator {
public:
    ExpressionEvaluator(FlagStore& flags, SystemValues& system, ScriptErrorReporter& reporter);

    // A whole argument. Empty text is 0; a syntax error is reported and gives 1.
    int32_t evaluate(std::string_view text);

    // From a position inside a longer text. On a syntax error: reported, value 1,
    // next is the starting position again.
    Evaluation evaluateAt(std::string_view text, std::size_t position);

    // The same without the report: error holds the code and value is 1.
    Evaluation scan(std::string_view text, std::size_t position);

    // The syntax of the expression at the position, as scan reads it, without
    // flags: indices are range-checked only when they are constants.
    static ExpressionCheck check(std::string_view text, std::size_t position);

    // $flg[..], @flg[..] or $sys[..] at the position, as a command's target.
    // Not a reference: index 0, next 0. No '[': index 0. An index out of range
    // is reported and becomes 0 so that the command still has a flag to use.
    FlagTarget parseFlagTarget(std::string_view text, std::size_t position);

    // The text of @flg[..] at the position; empty for anything else.
    std::string readTextFlag(std::string_view text, std::size_t position);

private:
    int32_t apply(char op, char op2, int32_t left, int32_t right);
    int32_t reportSyntaxError(std::string_view text, int32_t code);

    FlagStore& flags_;
    SystemValues& system_;
    ScriptErrorReporter& reporter_;
};

}  // namespace qvl
