// Script lines built to exhaust the engine: nesting a script controls never
// deepens the stack, and what cannot be done is reported and passed over.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;

std::string repeated(const std::string& piece, int n) {
    std::string s;
    s.reserve(piece.size() * std::size_t(n));
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

TEST(HostileScript, DeeplyNestedConditionsAndGroupsRunOrAreReported) {
    ScenarioRun run("save_case");
    run.writeScenarioFile("autorun.txt", repeated("_(1),", 50'000) + "_$flg[1]=5\n" +
                                             repeated("_(1), ", 50'000) + "_(0),_$flg[2]=6\n" +
                                             "_$flg[3]=" + repeated("(", 20'000) + "1" + repeated(")", 20'000) +
                                             "\n_if " + repeated("$flg[", 20'000) + "0" + repeated("]", 20'000) +
                                             "\n後\n");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, "answer ok\nanswer no\nanswer ok\nanswer no\nclick\n");
    EXPECT_EQ(app->flags.text(1), "5");
    EXPECT_EQ(app->flags.text(2), "0");
    // Nesting past the evaluator's limit is a syntax error: reported, read as 1.
    EXPECT_EQ(app->flags.text(3), "1");
    EXPECT_NE(r.transcript.find("text: 後\n"), std::string::npos) << r.transcript;
}

}  // namespace
