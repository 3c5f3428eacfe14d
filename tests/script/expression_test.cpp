#include "base/fault.h"
#include "base/reporter.h"
#include "platform/encoding.h"
#include "script/expression.h"
#include "script/flag_store.h"
#include "script/system_values.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace qvl {
namespace {

struct Reports : ScriptErrorReporter {
    void scriptError(const std::string& m) override { texts.push_back(m); }
    std::vector<std::string> texts;
};

// Every system value reads as 1000 + n, so a read that should not reach the
// engine shows up.
struct FakeSystem : SystemValues {
    int32_t systemValue(int n) override {
        asked.push_back(n);
        return 1000 + n;
    }
    std::vector<int> asked;
};

class Expression : public ::testing::Test {
protected:
    int32_t eval(std::string_view text) { return evaluator.evaluate(text); }
    // The error code of a text, and that it was reported once as value 1.
    int32_t errorOf(std::string_view text) {
        Evaluation e = evaluator.scan(text, 1);
        EXPECT_EQ(e.value, 1) << text;
        return e.error;
    }
    std::string sjis(const char* utf8) { return platform::utf8ToSjis(utf8); }

    FlagStore flags;
    FakeSystem system;
    Reports reports;
    ExpressionEvaluator evaluator{flags, system, reports};
};

struct Case {
    const char* text;
    int32_t value;
};

// Texts that evaluate without any report.
TEST_F(Expression, Values) {
    flags.Flags[2] = "7";
    flags.Flags[3] = "33";
    const Case cases[] = {
        // precedence and grouping; ^ groups from the left like the rest
        {"2+3*4", 14}, {"2^3^2", 64}, {"7/-2", -3}, {"-7%3", -1}, {"1<2==1", 1},
        {"3~5", 6}, {"6&3|8", 10}, {"1+2&6", 2}, {"(2+3)*4", 20}, {"10-4-3", 3},
        {" 1 +  2 * 3 ", 7}, {"007", 7}, {"()", 0}, {"", 0}, {"   ", 0},
        // comparisons, both spellings of the two-character ones
        {"3>2", 1}, {"3<2", 0}, {"2>=2", 1}, {"2=>3", 0}, {"2<=2", 1}, {"3=<2", 0},
        {"4==4", 1}, {"4!=4", 0}, {"1+1==2", 1},
        // 32-bit wrap-around, power through floating point
        {"2147483647+1", INT32_MIN}, {"0-2147483647-2", INT32_MAX}, {"65536*65536", 0},
        {"2^31", INT32_MIN}, {"2^32", 0}, {"2^-1", 0}, {"-2^3", -8}, {"3^0", 1},
        // an operator short of an operand leaves the value alone; "1 2" keeps the bottom
        {"1+", 1}, {"2*", 2}, {"*3", 3}, {"5/", 5}, {"/0", 0}, {"1 2", 1},
        // the first unmatched closer ends the expression
        {"5)+1", 5}, {"5]+1", 5}, {"5:+1", 5},
        // unary minus directly before its operand only
        {"-5", -5}, {"3 - -2", 5}, {"1 -2", -1}, {"2*-3", -6}, {"-$flg[2]*2", -14},
        // a minus before '(' negates everything up to the end of its level
        {"-(1)+2", -3}, {"-(2)*3", -6}, {"10+-(1)+2", 7}, {"(-(1)+2)*3", -9},
        {"$flg[4+-(1)]+1", 34},
    };
    for (const Case& c : cases) EXPECT_EQ(eval(c.text), c.value) << c.text;
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(Expression, SyntaxErrorCodes) {
    const Case cases[] = {
        {"abc", kExprBadCharacter}, {"1\t+2", kExprBadCharacter}, {"1+\x82\xa0", kExprBadCharacter},
        {"2147483648", kExprBadNumber}, {"-2147483648", kExprBadNumber},
        {"1+99999999999999999999", kExprBadNumber},
        {"(1", kExprBadGroup}, {"(1]", kExprBadGroup},
        {"$foo[1]", kExprBadReference}, {"$flg1", kExprBadReference}, {"$flg[512]", kExprBadReference},
        {"$flg[-1]", kExprBadReference}, {"$sys[64]", kExprBadReference}, {"$", kExprBadReference},
        {"3 - - 2", kExprBadMinus}, {"- 2", kExprBadMinus}, {"--1", kExprBadMinus}, {"1+-", kExprBadMinus},
    };
    for (const Case& c : cases) EXPECT_EQ(errorOf(c.text), c.value) << c.text;
    EXPECT_TRUE(reports.texts.empty());  // scan itself reports nothing
}

// The syntax check reads as scan does, without flags: the same codes where the run
// has them, indices range-checked only when constant, values known only then.
TEST_F(Expression, CheckWithoutFlags) {
    const char* texts[] = {"abc", "1\t+2", "2147483648", "(1", "(1]", "$foo[1]", "$flg[512]", "$sys[64]",
                           "3 - - 2", "1+-", "2+3*4", "-(1)+2", "5)+1", "$flg[$flg[1]]+1", ""};
    for (const char* t : texts) {
        const ExpressionCheck c = ExpressionEvaluator::check(t, 1);
        const Evaluation e = evaluator.scan(t, 1);
        EXPECT_EQ(c.error, e.error) << t;
        EXPECT_EQ(c.next, e.next) << t;
        if (c.value) {
            EXPECT_EQ(*c.value, e.value) << t;
        }
    }
    EXPECT_EQ(ExpressionEvaluator::check("-(1)+2", 1).value, -3);
    // Computed indices are not guessed; constant ones inside them are checked.
    EXPECT_EQ(ExpressionEvaluator::check("$flg[$flg[1]+600]", 1).error, kExprOk);
    EXPECT_EQ(ExpressionEvaluator::check("$sys[$flg[1]]", 1).error, kExprOk);
    EXPECT_EQ(ExpressionEvaluator::check("$flg[$flg[600]]", 1).error, kExprBadReference);
    EXPECT_EQ(ExpressionEvaluator::check("$flg[511]", 1).value, std::nullopt);
    EXPECT_EQ(ExpressionEvaluator::check("$flg[2*300]", 1).error, kExprBadReference);
    // What the run reports while applying, or faults on, with constants only.
    EXPECT_EQ(ExpressionEvaluator::check("$flg[1]=2", 1).refusedOperator, '=');
    EXPECT_EQ(ExpressionEvaluator::check("=5", 1).refusedOperator, 0);
    EXPECT_FALSE(ExpressionEvaluator::check("1/0", 1).fault.empty());
    EXPECT_TRUE(ExpressionEvaluator::check("1/$flg[3]", 1).fault.empty());
    EXPECT_TRUE(reports.texts.empty());
    EXPECT_TRUE(system.asked.empty());
}

TEST_F(Expression, EvaluateAtPositions) {
    Evaluation e = evaluator.evaluateAt("x5:rest", 2);
    EXPECT_EQ(e.value, 5);
    EXPECT_EQ(e.next, 4u);
    // A condition in a command word: the group takes its ')' and the text ends.
    e = evaluator.evaluateAt("_(1+2)", 2);
    EXPECT_EQ(e.value, 3);
    EXPECT_EQ(e.next, 7u);
    e = evaluator.evaluateAt("ab12", 3);
    EXPECT_EQ(e.next, 5u);
    EXPECT_EQ(evaluator.evaluateAt("12", 0).value, 0);
    e = evaluator.evaluateAt("12", 3);
    EXPECT_EQ(e.value, 0);
    EXPECT_EQ(e.next, 3u);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(Expression, SyntaxErrorIsReportedAndReadsAsOne) {
    EXPECT_EQ(eval("abc"), 1);
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_EQ(reports.texts[0], sjis("算術エラーが発生しました。コード:-6 式:abc"));

    Evaluation e = evaluator.evaluateAt("_(1+x)", 2);
    EXPECT_EQ(e.value, 1);
    EXPECT_EQ(e.next, 2u);  // the position is given back unchanged
    ASSERT_EQ(reports.texts.size(), 2u);
    EXPECT_EQ(reports.texts[1], sjis("算術エラーが発生しました。コード:-6 式:_(1+x)"));
}

TEST_F(Expression, LoneEqualsOrBangIsRefusedWhenApplied) {
    EXPECT_EQ(eval("1=2"), 0);
    EXPECT_EQ(eval("3!1+5"), 0);
    ASSERT_EQ(reports.texts.size(), 2u);
    EXPECT_EQ(reports.texts[0], sjis("演算子が異常です:="));
    EXPECT_EQ(reports.texts[1], sjis("演算子が異常です:!"));
    EXPECT_EQ(eval("=5"), 5);  // never applied, never reported
    EXPECT_EQ(reports.texts.size(), 2u);
}

TEST_F(Expression, RunTimeFaults) {
    EXPECT_THROW(eval("1/0"), Fault);
    EXPECT_THROW(eval("5%(2-2)"), Fault);
    EXPECT_THROW(eval("(0-2147483647-1)/-1"), Fault);
    EXPECT_THROW(eval("0^-1"), Fault);
    EXPECT_THROW(eval("10^100"), Fault);
    flags.Flags[4] = "abc";
    EXPECT_THROW(eval("$flg[4]"), Fault);
    EXPECT_EQ(eval("@flg[4]") , 1);  // '@' is no operand of an expression
    EXPECT_EQ(reports.texts.size(), 1u);
}

TEST_F(Expression, FlagAndSystemReads) {
    flags.Flags[1] = "3";
    flags.Flags[3] = "30";
    flags.Flags[4] = "40";
    flags.Flags[5] = "";
    flags.Flags[6] = "-12";
    EXPECT_EQ(eval("$flg[3]"), 30);
    EXPECT_EQ(eval("$flg[5]"), 0);
    EXPECT_EQ(eval("$flg[6]"), -12);
    EXPECT_EQ(eval("$flg[$flg[1]]"), 30);
    EXPECT_EQ(eval("$flg[$flg[1]]+1"), 40);  // the inner reference took both ']'
    EXPECT_EQ(eval("1+$flg[$flg[1]]"), 31);
    EXPECT_EQ(eval("$flg[1]+$flg[3]"), 33);
    EXPECT_EQ(eval("$flg[ 2 + 1 ]*2"), 60);
    EXPECT_EQ(eval("$flg[511]"), 0);
    EXPECT_EQ(eval("$sys[0]"), 1000);
    EXPECT_EQ(eval("$sys[29]"), 1029);
    EXPECT_EQ(eval("$sys[30]"), 0);
    EXPECT_EQ(eval("$sys[63]"), 0);
    EXPECT_EQ(system.asked, (std::vector<int>{0, 29}));
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(Expression, DeepNestingIsAnErrorNotAStackOverflow) {
    std::string ok = std::string(kMaxExpressionNesting, '(') + "7" + std::string(kMaxExpressionNesting, ')');
    EXPECT_EQ(eval(ok), 7);
    std::string tooDeep = "(" + ok + ")";
    EXPECT_EQ(errorOf(tooDeep), kExprBadGroup);

    EXPECT_EQ(errorOf(std::string(200000, '(')), kExprBadGroup);
    std::string refs;
    for (int i = 0; i < 50000; ++i) refs += "$flg[";
    EXPECT_EQ(errorOf(refs), kExprBadReference);
    std::string minus;
    for (int i = 0; i < 50000; ++i) minus += "-(";
    EXPECT_EQ(errorOf(minus), kExprBadGroup);
    EXPECT_TRUE(reports.texts.empty());
}

class FlagTargets : public Expression {};

TEST_F(FlagTargets, ParseTarget) {
    flags.Flags[1] = "9";
    FlagTarget t = evaluator.parseFlagTarget("_$flg[3]", 2);
    EXPECT_EQ(t.index, 3);
    EXPECT_EQ(t.next, 9u);
    EXPECT_EQ(evaluator.parseFlagTarget("_@flg[511]", 2).index, 511);
    EXPECT_EQ(evaluator.parseFlagTarget("_$sys[63]", 2).index, 63);
    EXPECT_EQ(evaluator.parseFlagTarget("$flg[$flg[1]]", 1).index, 9);
    EXPECT_EQ(evaluator.parseFlagTarget("$flg[1+1]]x", 1).next, 11u);

    t = evaluator.parseFlagTarget("_xyz[3]", 2);
    EXPECT_EQ(t.index, 0);
    EXPECT_EQ(t.next, 0u);
    EXPECT_EQ(evaluator.parseFlagTarget("_$flg3", 2).index, 0);  // silently flag 0
    EXPECT_EQ(evaluator.parseFlagTarget("", 1).next, 0u);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(FlagTargets, BadSubscripts) {
    EXPECT_EQ(evaluator.parseFlagTarget("_$flg[512]", 2).index, 0);
    EXPECT_EQ(evaluator.parseFlagTarget("_$sys[64]", 2).index, 0);
    EXPECT_EQ(evaluator.parseFlagTarget("_@flg[-1]", 2).index, 0);
    ASSERT_EQ(reports.texts.size(), 3u);
    EXPECT_EQ(reports.texts[0], sjis("フラグの添字が異常です_$flg[512]"));
    EXPECT_EQ(reports.texts[1], sjis("フラグの添字が異常です_$sys[64]"));

    // A syntax error in the subscript reads as 1, so flag 1 is addressed.
    EXPECT_EQ(evaluator.parseFlagTarget("_$flg[a]", 2).index, 1);
    ASSERT_EQ(reports.texts.size(), 4u);
    EXPECT_EQ(reports.texts[3], sjis("算術エラーが発生しました。コード:-6 式:_$flg[a]"));
}

TEST_F(FlagTargets, ReadTextFlag) {
    flags.Flags[5] = "hello";
    flags.Flags[2] = "5";
    EXPECT_EQ(evaluator.readTextFlag("@flg[5]", 1), "hello");
    EXPECT_EQ(evaluator.readTextFlag("x@flg[$flg[2]]", 2), "hello");
    EXPECT_EQ(evaluator.readTextFlag("@flg[600]", 1), "");
    EXPECT_EQ(evaluator.readTextFlag("$flg[5]", 1), "");
    EXPECT_EQ(evaluator.readTextFlag("@flg5", 1), "");
    EXPECT_EQ(evaluator.readTextFlag("@flg", 1), "");
    EXPECT_TRUE(reports.texts.empty());
}

struct RowRecorder : FlagObserver {
    void flagChanged(int index, const std::string& text) override { rows.push_back(flagRowText(index, text)); }
    std::vector<std::string> rows;
};

TEST(FlagStoreTest, ClearRangesAndDebugRows) {
    FlagStore store;
    EXPECT_EQ(store.Flags[511], "0");
    store.clearFlags(1, "g");
    EXPECT_EQ(store.Flags[255], "0");
    EXPECT_EQ(store.Flags[256], "g");
    store.clearFlags(0, "");
    EXPECT_EQ(store.Flags[0], "");
    EXPECT_EQ(store.Flags[256], "g");
    store.clearFlags(7, "x");
    EXPECT_EQ(store.Flags[0], "");
    store.clearFlags(2, "1");
    EXPECT_EQ(store.Flags[0], "1");
    EXPECT_EQ(store.Flags[511], "1");

    RowRecorder rows;
    store.setObserver(&rows);
    store.clearFlags(0, "z");
    ASSERT_EQ(rows.rows.size(), std::size_t(kFlagCount));
    EXPECT_EQ(rows.rows[7], "007 = z");
    EXPECT_EQ(rows.rows[300], "300 = 1");
    rows.rows.clear();
    store.setFlagText(42, "abc");
    store.setFlagText(512, "lost");
    store.setFlagText(-1, "lost");
    EXPECT_EQ(rows.rows, (std::vector<std::string>{"042 = abc"}));
    EXPECT_EQ(store.text(42), "abc");
    EXPECT_EQ(store.text(512), "");
}

std::tm at(int year, int month, int day, int hour, int minute, int second, int weekday, int yearDay) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    t.tm_yday = yearDay;
    return t;
}

TEST(SystemValuesTest, ClockAndConstants) {
    std::tm now = at(1999, 12, 31, 23, 59, 58, 5, 364);
    BasicSystemValues sys([&] { return now; });
    EXPECT_EQ(sys.systemValue(19), 120);
    EXPECT_EQ(sys.systemValue(22), 58);
    EXPECT_EQ(sys.systemValue(23), 59);
    EXPECT_EQ(sys.systemValue(24), 23);
    EXPECT_EQ(sys.systemValue(25), 31);
    EXPECT_EQ(sys.systemValue(26), 12);
    EXPECT_EQ(sys.systemValue(27), 1999);
    EXPECT_EQ(sys.systemValue(28), 5);
    EXPECT_EQ(sys.systemValue(29), 364);
    now = at(2000, 1, 2, 0, 0, 0, 0, 1);  // read fresh every time
    EXPECT_EQ(sys.systemValue(27), 2000);
    EXPECT_EQ(sys.systemValue(29), 1);
    for (int n : {0, 1, 2, 18, 30, 63}) EXPECT_EQ(sys.systemValue(n), 0) << n;
}

TEST(SystemValuesTest, TwoDigitYearWindow) {
    EXPECT_EQ(fourDigitYear(1971), 1971);
    EXPECT_EQ(fourDigitYear(2070), 2070);
    EXPECT_EQ(fourDigitYear(2071), 1971);  // only two digits were kept
    EXPECT_EQ(fourDigitYear(2024), 2024);
}

TEST(SystemValuesTest, RandomRanges) {
    std::srand(1);
    BasicSystemValues sys([] { return std::tm{}; });
    bool sawHigh100 = false, sawHigh1024 = false;
    for (int i = 0; i < 2000; ++i) {
        int32_t a = sys.systemValue(20), b = sys.systemValue(21);
        ASSERT_TRUE(a >= 0 && a < 100);
        ASSERT_TRUE(b >= 0 && b < 1024);
        sawHigh100 |= a >= 90;
        sawHigh1024 |= b >= 1000;
    }
    EXPECT_TRUE(sawHigh100 && sawHigh1024);
}

}  // namespace
}  // namespace qvl
