#include "script/expression.h"

#include "base/fault.h"
#include "base/sjis.h"
#include "script/messages.h"

#include <climits>
#include <cmath>
#include <vector>

namespace qvl {

namespace {

// What closes a nesting level and what happens to its value then.
enum class Level : uint8_t {
    Top,
    Group,         // (..)
    NegatedRest,   // -(.. up to the end of the enclosing level, negated
    FlagIndex,     // $flg[..]
    SystemIndex,   // $sys[..]
};

struct Frame {
    Level level;
    bool negate;  // a unary minus stood before the subscripted reference
    std::size_t valueBase;
    std::size_t opBase;
    bool operandRead = false;  // decides whether '-' is unary
};

struct PendingOp {
    char op;
    char op2;  // second character of a two-character operator, or 0
    int precedence;
};

// Operators a level may hold at once; the five precedences never need more
// than five, the limit only keeps the queue bounded.
constexpr std::size_t kMaxPendingOps = 32;

constexpr bool isEnd(char c) { return c == ')' || c == ']' || c == ':'; }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool startsOperand(char c) { return c == '$' || c == '(' || isDigit(c); }

int32_t negated(int32_t v) { return int32_t(0u - uint32_t(v)); }

// Reads the operator at i (two-character forms first); 0 precedence: none.
PendingOp readOperator(std::string_view s, std::size_t& i) {
    char c = s[i];
    char d = i + 1 < s.size() ? s[i + 1] : '\0';
    bool twoChar = ((c == '<' || c == '>') && d == '=') || ((c == '=') && (d == '<' || d == '>' || d == '=')) ||
                   (c == '!' && d == '=');
    if (twoChar) {
        i += 2;
        return {c, d, 2};
    }
    int precedence = 0;
    switch (c) {
    case '^': precedence = 5; break;
    case '*': case '/': case '%': precedence = 4; break;
    case '+': case '-': precedence = 3; break;
    // A lone '=' or '!' queues like a comparison and is refused when applied.
    case '<': case '>': case '=': case '!': precedence = 2; break;
    case '&': case '|': case '~': precedence = 1; break;
    default: return {c, 0, 0};
    }
    ++i;
    return {c, 0, precedence};
}

int32_t power(int32_t base, int32_t exponent) {
    long double r = std::pow(static_cast<long double>(base), static_cast<long double>(exponent));
    if (std::isinf(r)) throw Fault(base == 0 ? "Floating point division by zero" : "Floating point overflow");
    if (std::isnan(r) || !(r > -9223372036854775809.0L && r < 9223372036854775808.0L))
        throw Fault("Invalid floating point operation");
    // The 64-bit truncation is stored into 32 bits: keep the low half.
    return int32_t(uint32_t(uint64_t(int64_t(std::trunc(r)))));
}

}  // namespace

ExpressionEvaluator::ExpressionEvaluator(FlagStore& flags, SystemValues& system, ScriptErrorReporter& reporter)
    : flags_(flags), system_(system), reporter_(reporter) {}

int32_t ExpressionEvaluator::apply(char op, char op2, int32_t a, int32_t b) {
    const uint32_t ua = uint32_t(a), ub = uint32_t(b);
    if (op2 != 0) {
        if (op == '!') return a != b;
        if (op == '=' && op2 == '=') return a == b;
        if (op == '<' || op2 == '<') return a <= b;
        return a >= b;
    }
    switch (op) {
    case '^': return power(a, b);
    case '*': return int32_t(ua * ub);
    case '/':
    case '%':
        if (b == 0) throw Fault("Division by zero");
        if (a == INT32_MIN && b == -1) throw Fault("Integer overflow");
        return op == '/' ? a / b : a % b;
    case '+': return int32_t(ua + ub);
    case '-': return int32_t(ua - ub);
    case '>': return a > b;
    case '<': return a < b;
    case '&': return int32_t(ua & ub);
    case '|': return int32_t(ua | ub);
    case '~': return int32_t(ua ^ ub);
    default: break;
    }
    reporter_.scriptError(message(Message::BadOperator) + op);
    return 0;
}

Evaluation ExpressionEvaluator::scan(std::string_view s, std::size_t position) {
    if (position < 1 || position > s.size()) return {0, position, kExprOk};
    auto fail = [position](int32_t code) { return Evaluation{1, position, code}; };

    std::vector<Frame> frames;
    std::vector<int32_t> values;
    std::vector<PendingOp> ops;
    frames.push_back({Level::Top, false, 0, 0});

    // One pending operator of the current level on the top two values. With
    // fewer than two values ("1+", "*3") it is dropped and the value stays.
    auto applyTop = [&](const Frame& f) {
        PendingOp op = ops.back();
        ops.pop_back();
        if (values.size() < f.valueBase + 2) return;
        int32_t right = values.back();
        values.pop_back();
        values.back() = apply(op.op, op.op2, values.back(), right);
    };

    std::size_t i = position - 1;
    for (;;) {
        Frame& f = frames.back();
        if (i >= s.size() || isEnd(s[i])) {
            const char closer = i < s.size() ? s[i] : '\0';
            while (ops.size() > f.opBase) applyTop(f);
            int32_t v = values.size() > f.valueBase ? values[f.valueBase] : 0;
            values.resize(f.valueBase);
            const Frame done = f;
            frames.pop_back();
            // A negated rest leaves the end character to the level it belongs to.
            if (closer != '\0' && done.level != Level::NegatedRest) ++i;
            switch (done.level) {
            case Level::Top: return {v, i + 1, kExprOk};
            case Level::Group:
                if (closer != ')') return fail(kExprBadGroup);
                break;
            case Level::NegatedRest: v = negated(v); break;
            case Level::FlagIndex:
            case Level::SystemIndex: {
                // The reference also swallows one more ']' of an enclosing subscript.
                if (i < s.size() && s[i] == ']') ++i;
                if (done.level == Level::FlagIndex) {
                    if (!FlagStore::inRange(v)) return fail(kExprBadReference);
                    v = flags_.value(v);
                } else {
                    if (v < 0 || v >= kSystemValueCount) return fail(kExprBadReference);
                    v = v < 30 ? system_.systemValue(v) : 0;
                }
                if (done.negate) v = negated(v);
                break;
            }
            }
            values.push_back(v);
            frames.back().operandRead = true;
            continue;
        }

        char c = s[i];
        if (c == ' ') {
            ++i;
            continue;
        }
        bool negate = false;
        if (c == '-' && !f.operandRead) {
            if (i + 1 >= s.size() || !startsOperand(s[i + 1])) return fail(kExprBadMinus);
            negate = true;
            c = s[++i];
        }
        const bool deeper = c == '$' || c == '(';
        if (deeper && frames.size() > std::size_t(kMaxExpressionNesting))
            return fail(c == '$' ? kExprBadReference : kExprBadGroup);

        if (c == '$') {
            std::string_view head = s.substr(i, 5);
            if (head != "$flg[" && head != "$sys[") return fail(kExprBadReference);
            Level level = head == "$flg[" ? Level::FlagIndex : Level::SystemIndex;
            frames.push_back({level, negate, values.size(), ops.size()});
            i += 5;
        } else if (isDigit(c)) {
            int64_t v = 0;
            for (; i < s.size() && isDigit(s[i]); ++i) {
                v = v * 10 + (s[i] - '0');
                if (v > INT32_MAX) return fail(kExprBadNumber);
            }
            values.push_back(negate ? -int32_t(v) : int32_t(v));
            f.operandRead = true;
        } else if (c == '(' && negate) {
            // A minus before '(' negates the group together with the rest of the
            // enclosing expression: -(1)+2 is -3. The new level starts at '('.
            frames.push_back({Level::NegatedRest, false, values.size(), ops.size()});
        } else if (c == '(') {
            frames.push_back({Level::Group, false, values.size(), ops.size()});
            ++i;
        } else {
            PendingOp op = readOperator(s, i);
            if (op.precedence == 0) return fail(kExprBadCharacter);
            while (ops.size() > f.opBase && ops.back().precedence >= op.precedence) applyTop(f);
            if (ops.size() - f.opBase >= kMaxPendingOps) return fail(kExprBadOperator);
            ops.push_back(op);
            f.operandRead = false;
        }
    }
}

int32_t ExpressionEvaluator::reportSyntaxError(std::string_view text, int32_t code) {
    reporter_.scriptError(message(Message::ArithmeticError) + std::to_string(code) +
                          message(Message::ArithmeticExpression) + sjis::shownValue(text));
    return 1;
}

Evaluation ExpressionEvaluator::evaluateAt(std::string_view text, std::size_t position) {
    Evaluation e = scan(text, position);
    if (e.error != kExprOk) e.value = reportSyntaxError(text, e.error);
    return e;
}

int32_t ExpressionEvaluator::evaluate(std::string_view text) { return evaluateAt(text, 1).value; }

FlagTarget ExpressionEvaluator::parseFlagTarget(std::string_view text, std::size_t position) {
    if (position < 1 || position > text.size()) return {0, 0};
    std::string_view head = text.substr(position - 1, 4);
    if (head != "$flg" && head != "@flg" && head != "$sys") return {0, 0};
    std::size_t next = position + 4;
    if (next > text.size() || text[next - 1] != '[') return {0, next};
    Evaluation e = evaluateAt(text, next + 1);
    next = e.next;
    if (next >= 1 && next <= text.size() && text[next - 1] == ']') ++next;
    const int32_t limit = head == "$sys" ? kSystemValueCount : kFlagCount;
    if (e.value >= 0 && e.value < limit) return {e.value, next};
    reporter_.scriptError(message(Message::BadFlagIndex) + std::string(text));
    return {0, next};
}

std::string ExpressionEvaluator::readTextFlag(std::string_view text, std::size_t position) {
    if (position < 1 || position + 4 > text.size()) return {};
    if (text.substr(position - 1, 5) != "@flg[") return {};
    return flags_.text(evaluateAt(text, position + 5).value);
}

}  // namespace qvl
