// The message-log view and the font dialog as a reader reaches them: the wheel,
// Page Up and the menu at a click wait, the ways out, and what the fonts chosen do.
#include "scenario_run.h"

namespace qvl_test {
namespace {

std::string sjis(const char* utf8) {
    return qvl::platform::utf8ToSjis(utf8);
}

// The transcript's lines that start with prefix.
std::vector<std::string> linesStarting(const std::string& transcript, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

TEST(LogViewScenario, NewestPageWithLinesCutAt52And53Bytes) {
    ScenarioRun run("log_view_newest");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app);
    run.checkExpectations(r);
    // The run stopped inside the view: the state shows it open.
    EXPECT_TRUE(app->log.viewActive);
    EXPECT_NE(app->stateJson().find("\"logView\""), std::string::npos);
}

TEST(LogViewScenario, EarlierPageWithALongLine) {
    ScenarioRun run("log_view_earlier");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app);
    run.checkExpectations(r);
    EXPECT_EQ(app->log.viewOffset, 1);
}

TEST(LogViewScenario, WheelPageUpAndTheMenuOpenItAndEveryWayOutKeepsTheClickWait) {
    ScenarioRun run("log_view_newest");
    RunResult r = run.run(nullptr, std::string("click\nclick\nclick\nclick\n"
                                               "wheel -1\n"           // down at a click wait: nothing
                                               "wheel 1\nkey PageUp\nkey PageDown\nkey Escape\n"
                                               "key PageUp\nrclick 300 300\n"
                                               "menu 前の文章を読む\nclick 468 456\n"  // EXIT
                                               "wheel 2\ncancel\n"
                                               "click\n"));
    EXPECT_EQ(linesStarting(r.transcript, "dialog:"),
              (std::vector<std::string>{"dialog: log page 1/2", "dialog: log page 2/2", "dialog: log page 1/2",
                                        "dialog: log page 1/2", "dialog: log page 1/2", "dialog: log page 1/2"}));
    // None of the ways out ended the wait: the last line came only with the last click.
    const std::string last = "text: <S2>最後の行。";
    ASSERT_NE(r.transcript.find(last), std::string::npos);
    EXPECT_GT(r.transcript.find(last), r.transcript.rfind("dialog:"));
    EXPECT_EQ(r.transcript.substr(r.transcript.size() - 5), "idle\n");
}

TEST(LogViewScenario, NoViewWhereTheMenuMayNotOpenNorWithAnEmptyLog) {
    ScenarioRun run("log_view_newest");
    run.writeScenarioFile("autorun.txt", "_syspopup 1\n一行目。\n_syspopup 0\n_logclear\n_syslog 1\n二行目。\n");
    RunResult r = run.run(nullptr, std::string("wheel 1\nclick\nwheel 1\nkey PageUp\nclick\n"));
    EXPECT_TRUE(linesStarting(r.transcript, "dialog:").empty()) << r.transcript;
    EXPECT_NE(r.transcript.find("text: 二行目。\nidle\n"), std::string::npos) << r.transcript;
}

TEST(FontDialogScenario, OkSetsTheFourSlotsAndTheTextWindowsFacesAndTheIniKeepsThem) {
    ScenarioRun run("font_dialog_case");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, std::string("menu フォント設定\nfont 0 IPAGothic\nfont 3 IPAMincho\nanswer ok\n"
                                            "click\nmenu 終了する\nanswer ok\n"));
    ASSERT_EQ(r.exitCode, 0) << r.transcript;
    EXPECT_EQ(linesStarting(r.transcript, "dialog:"), std::vector<std::string>{"dialog: フォント設定"});
    const std::string gothic = "ＭＳ ゴシック";
    EXPECT_EQ(linesStarting(r.transcript, "fonts:"),
              std::vector<std::string>{"fonts: IPAGothic | " + gothic + " | " + gothic + " | IPAMincho"});
    EXPECT_EQ(app->settings.FontTable[0], "IPAGothic");
    EXPECT_EQ(app->settings.FontTable[3], "IPAMincho");
    EXPECT_EQ(app->textWindow.fontName, "IPAGothic");
    EXPECT_EQ(app->textWindow.rubyFontName, "IPAMincho");
    EXPECT_FALSE(app->shell.fontDialog.open);
    const std::string ini = readAll(r.dir / "qvl.ini");
    EXPECT_NE(ini.find("Font0=IPAGothic\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Font3=IPAMincho\r\n"), std::string::npos) << ini;
}

TEST(FontDialogScenario, CancelLeavesEverySlotAndTheStateShowsTheChoicesWhileOpen) {
    ScenarioRun run("font_dialog_case");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, std::string("menu フォント設定\nfont 1 IPAMincho\ncancel\n"
                                            "menu フォント設定\nfont 2 IPAGothic\n"));
    const auto before = qvl::EngineSettings{}.FontTable;
    EXPECT_TRUE(linesStarting(r.transcript, "fonts:").empty());
    for (int k = 0; k < 4; ++k) EXPECT_EQ(app->settings.FontTable[std::size_t(k)], before[std::size_t(k)]) << k;
    // The second opening started from the slots again, and the run stopped with it open.
    EXPECT_TRUE(app->shell.fontDialog.open);
    EXPECT_EQ(app->shell.fontDialog.faces[1], sjis("ＭＳ ゴシック"));
    EXPECT_EQ(app->shell.fontDialog.faces[2], "IPAGothic");
    EXPECT_NE(app->stateJson().find("IPAGothic"), std::string::npos);
}

}  // namespace
}  // namespace qvl_test
