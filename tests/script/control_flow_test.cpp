// Option blocks, branch blocks and scroll blocks, driven directly on a program.
#include "script/control_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvl {
namespace {

struct Reports : ScriptErrorReporter {
    std::vector<std::string> messages;
    void scriptError(const std::string& m) override { messages.push_back(m); }
};

struct NoSystem : SystemValues {
    int32_t systemValue(int) override { return 0; }
};

struct Picker : ChoiceOperation {
    int32_t answer = 0;
    OptionList seen;
    int32_t choose(ChoiceKind, const OptionList& options) override {
        seen = options;
        return answer;
    }
};

class Flow : public ::testing::Test {
protected:
    void load(std::vector<std::string> lines, int32_t at = 0) {
        program.Lines = std::move(lines);
        program.buildLabels(reports);
        state.resetPosition();
        state.ProgExecLine = at;
    }

    ScriptProgram program;
    InterpreterState state;
    FlagStore flags;
    NoSystem system;
    Reports reports;
    ExpressionEvaluator evaluator{flags, system, reports};
    std::vector<std::string> dispatched;
    ControlFlow flow{program, state, evaluator, reports,
                     {[](const std::string&) {}, [this](const std::string& l) { dispatched.push_back(l); }}};
};

TEST_F(Flow, OptionLinesKeepTheirLabelsConditionsAndCommands) {
    flags.setFlagText(1, "1");
    load({"_selmenu", "  \"Go, now\",,_goto :a  ", "Hidden,$flg[1]==0,_goto :b", "Shown,$flg[1],",
          "_endsel", "after"});
    Picker picker;
    picker.answer = 0;
    flow.choice(ChoiceKind::Menu, picker);
    ASSERT_EQ(picker.seen.count, 2);
    EXPECT_EQ(picker.seen.OptionLabels[0], "Go, now");
    EXPECT_EQ(picker.seen.OptionCommands[0], "_goto :a");
    EXPECT_EQ(picker.seen.OptionLabels[1], "Shown");
    EXPECT_EQ(picker.seen.OptionCommands[1], "");
    EXPECT_EQ(dispatched, std::vector<std::string>{"_goto :a"});
    EXPECT_EQ(state.ProgMultiStateFlag, 1);
    EXPECT_EQ(state.ProgSelResult, 0);
    EXPECT_EQ(state.ProgExecLine, 4) << "the loop goes on after the _endsel line";
}

TEST_F(Flow, PictureGridsKeepUnavailableEntriesAsZero) {
    load({"_selcgmode", "One,0,_x", "Two,,_y", "_endsel"});
    Picker picker;
    picker.answer = 0;
    flow.choice(ChoiceKind::PictureGrid, picker);
    ASSERT_EQ(picker.seen.count, 2);
    EXPECT_EQ(picker.seen.OptionLabels[0], "0");
    EXPECT_EQ(picker.seen.OptionLabels[1], "Two");
}

TEST_F(Flow, ANegativeOrEmptyChoiceRunsNothingButIsRecorded) {
    load({"_selmenu", "Never,0,_x", "_endsel"});
    Picker picker;
    picker.answer = -1;
    flow.choice(ChoiceKind::Menu, picker);
    EXPECT_EQ(picker.seen.count, 0);
    EXPECT_TRUE(dispatched.empty());
    EXPECT_EQ(state.ProgSelResult, -1);

    load({"_selmenu", "Only,,", "_endsel"});
    picker.answer = 0;
    flow.choice(ChoiceKind::Menu, picker);
    EXPECT_TRUE(dispatched.empty()) << "an empty command only sets the result";
    EXPECT_EQ(state.ProgSelResult, 0);
}

TEST_F(Flow, MoreThanThirtyTwoOptionsKeepTheFirstAndReportOnce) {
    std::vector<std::string> lines{"_selmenu"};
    for (int i = 0; i < 40; ++i) lines.push_back("o" + std::to_string(i) + ",,");
    lines.push_back("_endsel");
    load(lines);
    Picker picker;
    flow.choice(ChoiceKind::Menu, picker);
    EXPECT_EQ(picker.seen.count, kMaxOptions);
    EXPECT_EQ(picker.seen.OptionLabels[31], "o31");
    EXPECT_EQ(reports.messages.size(), 1u);
}

TEST_F(Flow, WithoutEndselTheOptionsRunToTheEndOfTheScript) {
    load({"_selmenu", "a,,", "b,,"});
    Picker picker;
    flow.choice(ChoiceKind::Menu, picker);
    EXPECT_EQ(picker.seen.count, 2);
    EXPECT_EQ(state.ProgExecLine, 3);
}

TEST_F(Flow, BranchRunsOnlyTheChosenBlock) {
    load({"_branch 0", "zero", "_endbranch", "_branch 1", "one", "_endbranch", "end"});
    state.ProgSelResult = 1;
    flow.branch("0");
    EXPECT_EQ(state.ProgNextLine, 3);
    state.ProgExecLine = 3;
    state.ProgNextLine = -1;
    flow.branch("1");
    EXPECT_EQ(state.ProgNextLine, -1);
}

TEST_F(Flow, ScrollBlockCollectsItsLinesAndJumpsPastTheMarker) {
    load({"_scroll 10", "  first", "\tsecond  ", "_endscroll", "after"});
    std::vector<std::string> lines = flow.scrollBlock();
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second  "}));
    EXPECT_EQ(state.ProgNextLine, 4);
}

TEST_F(Flow, AMissingMarkerIsReportedAndLeadsToLineOne) {
    load({"_if 0", "_then", "text"}, 1);
    state.ProgIfResult = 0;
    flow.thenBlock();
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0].substr(0, 8), "_endthen");
    EXPECT_EQ(state.ProgNextLine, 1);
}

TEST_F(Flow, GotoWithNothingRestartsAndGosubWithNothingEmptiesTheStack) {
    load({"a", "b", "c"}, 2);
    flow.gotoLabel("", "");
    EXPECT_EQ(state.ProgNextLine, 0);
    state.ProgNextLine = -1;
    state.ProgRetStack = 3;
    flow.gosub("");
    EXPECT_EQ(state.ProgRetStack, -1);
    EXPECT_EQ(state.ProgNextLine, -1) << "no jump";
}

TEST_F(Flow, AConditionalLineWithABrokenConditionStillRunsItsCommand) {
    load({"_(abc),_x"});
    EXPECT_TRUE(flow.conditionHolds("_(abc)"));
    EXPECT_EQ(state.ProgMultiStateFlag, 1) << "what runs next is a conditional's command";
    EXPECT_EQ(reports.messages.size(), 1u);
    state.ProgMultiStateFlag = 0;
    EXPECT_FALSE(flow.conditionHolds("_(1-1)"));
    EXPECT_EQ(state.ProgMultiStateFlag, 0);
}

}  // namespace
}  // namespace qvl
