// A save point taken in the middle of a text line, where the page ends: the load
// shows the rest of that line on a fresh page, whole characters and whole codes,
// exactly as a run that reached that page without a load.
#include "tests/scenarios/scenario_run.h"

#include "platform/encoding.h"

namespace {

using namespace qvl_test;

// Ten short lines, then the eleventh (the last row of the page) given here and
// one more line; a save at a click wait of the next page, then a load of it.
struct ResumeRun {
    explicit ResumeRun(const std::string& lastRow) : run("save_case") {
        std::string script = "_textclear\n";
        for (int i = 0; i < 10; ++i) script += "行" + std::to_string(i) + "\n";
        script += lastRow + "\n次の行\n_winload\n最後\n";
        run.writeScenarioFile("autorun.txt", script);
    }
    // Clicks through the ten lines and the page end, saves at the first wait on
    // the new page, clicks on to the load and stops at the first wait after it.
    RunResult go(int clicksAfterSave) {
        std::string input;
        for (int i = 0; i < 11; ++i) input += "click\n";
        input += "menu データ保存\nslot 2\n";
        for (int i = 0; i < clicksAfterSave; ++i) input += "click\n";
        result = run.run(&app, input + "slot 2\n");
        return result;
    }
    std::string afterLoad() const {
        const std::size_t load = result.transcript.find("load: slot 2\n");
        return load == std::string::npos ? result.transcript : result.transcript.substr(load);
    }
    // The log page being written, its lines joined by '/', in UTF-8.
    std::string logPage() const {
        const auto& page = app->log.pages[std::size_t(app->log.LogCurrentPage)];
        std::string out;
        for (const auto& line : page) out += (out.empty() ? "" : "/") + qvl::platform::sjisToUtf8(line);
        return out;
    }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

std::string fullWidth(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "あ";
    return s;
}

TEST(TextResume, ARubyWordAcrossThePageEndIsDrawnAgainWholeAfterALoad) {
    // 漢 is the last cell of the page; 字 starts the next one.
    ResumeRun r(fullWidth(25) + "(漢字,かんじ)です");
    r.go(2);
    EXPECT_EQ(r.afterLoad(), "load: slot 2\ntext: (漢字,かんじ)です\nidle\n");
    EXPECT_EQ(r.logPage(), "漢字です");

    // The screen is the one a run shows that starts its page with that word.
    ScenarioRun plain("save_case");
    plain.writeScenarioFile("autorun.txt", "_textclear\n(漢字,かんじ)です\n");
    plain.run(nullptr, "");
    EXPECT_TRUE(r.run.platform().lastFrame() == plain.platform().lastFrame());
}

TEST(TextResume, ARubyWordThatStartsItsLineAtTheEndOfTheRowIsDrawnAgainWhole) {
    // The row's first part is a line of its own that ends without a line end.
    ResumeRun r(fullWidth(25) + "%\n(漢字,かんじ)です");
    r.go(2);
    const std::size_t load = r.result.transcript.find("load: slot 2\n");
    ASSERT_NE(load, std::string::npos) << r.result.transcript;
    EXPECT_EQ(r.result.transcript.substr(load), "load: slot 2\ntext: (漢字,かんじ)です\nidle\n");
    EXPECT_EQ(r.logPage(), "漢字です");
}

TEST(TextResume, ALoneHalfWidthCharacterAfterThePageEndIsDrawnWithItsLineEnd) {
    ResumeRun r(fullWidth(26) + "A");
    r.go(2);
    // Drawn again, and the line-end wait holds the next line back.
    EXPECT_EQ(r.afterLoad(), "load: slot 2\ntext: A\nidle\n");
    EXPECT_EQ(r.logPage(), "A");
}

TEST(TextResume, ALineThatEndsExactlyAtThePageEndResumesWithTheNextLine) {
    // The new page starts empty; the save is made at the next line's wait.
    ResumeRun r(fullWidth(26));
    r.go(1);
    EXPECT_EQ(r.afterLoad(), "load: slot 2\ntext: 次の行\nidle\n");
}

}  // namespace
