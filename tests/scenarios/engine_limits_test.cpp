// Runs that must end or go on whatever the scenario does: loops that never wait,
// waits measured from a mark never set, huge settings, and input at set times.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;

struct LimitRun {
    LimitRun(const std::string& script, const std::string& input, const std::string& config = "SavePath=save\\\n",
             std::optional<uint64_t> maxSteps = std::nullopt)
        : run("text_case") {
        run.maxSteps = maxSteps;
        run.writeScenarioFile("autorun.txt", script);
        run.writeScenarioFile("qvl.cfg", config);
        result = run.run(&app, input);
    }
    uint64_t elapsed() { return run.platform().elapsed(); }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

TEST(EngineLimits, ALoopThatNeverWaitsEndsAtTheStepLimit) {
    LimitRun r(":a\n_goto :a\n", "", "SavePath=save\\\n", 100000);
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\ntimeout\n");
    EXPECT_EQ(r.result.exitCode, 0);
}

TEST(EngineLimits, AWaitFromAMarkNeverSetIsLongPast) {
    LimitRun r("_wait 60000\n前\n", "");
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\ntext: 前\nidle\n");
    EXPECT_LT(r.elapsed(), 1000u);
    LimitRun marked("_waitset\n_wait 600\n後\n", "");
    EXPECT_GE(marked.elapsed(), 600u) << "a wait from a mark still waits";
}

TEST(EngineLimits, HugeReadMarkArraysAreCappedAndReportedOnce) {
    LimitRun r("前\n", "", "SavePath=save\\\nTextMaxIndex=2147483647\n");
    ASSERT_NE(r.app, nullptr);
    EXPECT_EQ(r.app->ReadTextMarks.size(), std::size_t(qvl::kMaxReadMarkBytes));
    EXPECT_EQ(r.result.transcript,
              "warning: TextMaxIndex=2147483647 is too large; read marks are kept for the first 16777216 bytes\n"
              "chapter: Quorvel\ntext: 前\nidle\n");
    LimitRun fine("前\n", "", "SavePath=save\\\nTextMaxIndex=100\n");
    EXPECT_EQ(fine.app->ReadTextMarks.size(), 100u);
}

TEST(EngineLimits, TheStateDumpShowsTheWindowCaptionBesideTheChapter) {
    LimitRun r("_stop 止まった\n", "");
    const std::string json = r.app->stateJson();
    EXPECT_NE(json.find("\"windowCaption\": \"止まった\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"caption\": \"Quorvel\""), std::string::npos);
}

TEST(EngineLimits, AClickAtASetTimeFastForwardsTheLineBeingWritten) {
    // Ten characters 100 ms apart; the click at 250 ms draws the rest at once.
    const std::string script = "_textwait 100\nあいうえおかきくけこ\n";
    LimitRun slow(script, "");
    EXPECT_GE(slow.elapsed(), 1000u);
    LimitRun clicked(script, "at 250 click\n");
    EXPECT_LT(clicked.elapsed(), 400u);
    EXPECT_EQ(clicked.result.transcript, "chapter: Quorvel\ntext: あいうえおかきくけこ\nidle\n")
        << "the click only hurried the line; its wait still needs its own click";
}

TEST(EngineLimits, AClickDuringAClickProofDelayIsNotTakenByTheNextWait) {
    // The click arrives during _delay, which takes no clicks; the press and release
    // still reach the engine, so the click wait after it sees no click.
    LimitRun r("_delay 500\n_mouseclick\n後\n", "at 100 click\n");
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nidle\n");
}

}  // namespace
