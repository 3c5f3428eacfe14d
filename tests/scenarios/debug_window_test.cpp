// The debug window in a whole run: errors and flags reach it, its input stays
// out of the game, and its two buttons hide it or end the program at once.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;
using qvl::platform::Event;
using qvl::platform::sjisToUtf8;

// Answers the unknown command's box and the error question with "go on".
const std::string kPastTheError = "answer ok\nanswer no\n";
const std::string kErrorLine = "File:autorun.txt Line:4/コマンドが変です_nosuchcommand";

std::vector<std::string> utf8Rows(const std::vector<std::string>& rows) {
    std::vector<std::string> out;
    for (const std::string& r : rows) out.push_back(sjisToUtf8(r));
    return out;
}

TEST(DebugWindow, ErrorsCollectWithoutDebugModeButTheWindowNeverOpens) {
    ScenarioRun run("debug_window");
    fs::remove(run.dir() / "qvl.ini");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, kPastTheError + "debug open\nkey F12\ndebug tab 0\nclick\n");
    EXPECT_NE(r.transcript.find("text: 二行目"), std::string::npos) << r.transcript;
    const qvl::TFdebug& form = app->debugWindow().form();
    EXPECT_EQ(utf8Rows(form.ErrList->rows()), std::vector<std::string>{kErrorLine});
    EXPECT_FALSE(app->debugWindow().everOpened());
    EXPECT_EQ(form.PageControl1->current(), qvl::TFdebug::kFlagPage) << "a shut window takes no actions";
    EXPECT_TRUE(form.ValList->rows().empty()) << "the flag list is kept in debug mode only";
}

TEST(DebugWindow, FlagLinesFollowTheScriptAndSetWhileTheGameRunsOn) {
    ScenarioRun run("debug_window");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, kPastTheError +
                                    "debug open\n"
                                    "debug select 3\n"
                                    "debug edit 1+1\n"
                                    "debug button SET\n"
                                    "debug click 300 200\n"  // on the window's face: no click for the game
                                    "click 10 10\n");
    EXPECT_NE(r.transcript.find("text: 二行目"), std::string::npos) << "the scene click went on: " << r.transcript;
    const qvl::TFdebug& form = app->debugWindow().form();
    EXPECT_TRUE(app->debugWindow().open());
    ASSERT_EQ(form.ValList->rows().size(), 512u);
    EXPECT_EQ(form.ValList->rows()[7], "007 = 12");
    EXPECT_EQ(form.ValList->rows()[3], "003 = 1+1");
    EXPECT_EQ(app->flags.text(3), "1+1") << "SET takes the text unevaluated";
    EXPECT_EQ(utf8Rows(form.ErrList->rows()), std::vector<std::string>{kErrorLine});
    const std::string dump = app->stateJson();
    const std::size_t at = dump.find("\"debugWindow\"");
    ASSERT_NE(at, std::string::npos);
    const std::string part = dump.substr(at, dump.find('}', at) - at);
    for (const char* field : {"\"open\": true", "\"tab\": 1", "\"flagSelection\": 3", "\"surface\": -1"})
        EXPECT_NE(part.find(field), std::string::npos) << field << " in " << part;
}

TEST(DebugWindow, InputOfTheDebugWindowNeverReachesTheGame) {
    qvl::platform::HeadlessPlatform platform({}, {});
    qvl::TFmain app(platform, {});
    for (auto type : {Event::Type::MouseDown, Event::Type::MouseUp}) {
        Event e;
        e.type = type;
        e.window = 1;
        e.x = 20;
        e.y = 20;
        app.cycle.passEvent(e);
    }
    Event enter;
    enter.type = Event::Type::KeyDown;
    enter.key = qvl::platform::Key::Enter;
    enter.window = 1;
    app.cycle.passEvent(enter);
    EXPECT_FALSE(app.cycle.input.mouseWentDown);
    EXPECT_FALSE(app.cycle.input.mouseWentUp);
    EXPECT_FALSE(app.cycle.input.clickPending);
}

TEST(DebugWindow, SurfacePageShowsTheBackgroundAndTheSheetMaskFiles) {
    for (auto [entry, file, w, h] : {std::tuple{1, "bg_room.mag", 640, 480}, std::tuple{16, "starsm.bmp", 128, 32},
                                     std::tuple{15, "stars.bmp", 128, 32}}) {
        ScenarioRun run("debug_window");
        qvl::TFmain* app = nullptr;
        run.run(&app, kPastTheError + "debug open\ndebug tab 3\ndebug surface " + std::to_string(entry) + "\n");
        const qvl::TFdebug& form = app->debugWindow().form();
        const qvl::Surface& s = app->bank().surfaces[std::size_t(entry)];
        ASSERT_EQ(s.width(), w) << "the scenario's pictures changed";
        ASSERT_EQ(s.height(), h);
        EXPECT_EQ(form.Label1->lines().at(0), std::string("File:") + file);
        EXPECT_EQ(form.Label2->lines().at(0), "SizeX:" + std::to_string(w));
        EXPECT_EQ(form.Label3->lines().at(0), "SizeY:" + std::to_string(h));
        EXPECT_EQ(form.Image1->picture().pixel(0, 0), s.pixel(0, 0));
    }
}

TEST(DebugWindow, StatusShowsLineZeroQuotedAndTheEndOfTheScript) {
    ScenarioRun run("debug_window");
    run.writeScenarioFile("autorun.txt", "  最初の行\n二行目\n");
    qvl::TFmain* app = nullptr;
    run.run(&app, "debug open\n");
    EXPECT_EQ(utf8Rows(app->debugWindow().form().ListBox1->rows()).at(0), "\"最初の行\"");

    ScenarioRun ended("debug_window");
    ended.writeScenarioFile("autorun.txt", "_$flg[1]=1\n");
    ended.run(&app, "debug open\ndebug tab 2\ndebug button 更新\n");
    const std::vector<std::string> rows = utf8Rows(app->debugWindow().form().ListBox1->rows());
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[7], "ProgExecLine:1");
    EXPECT_EQ(rows[13], "ProgRunningScript:");
    EXPECT_EQ(rows[14], "**実行が終了しているか、スクリプトが走っていません**");
    EXPECT_EQ(rows[15], "カレントDIR:\"" + ended.dir().string() + "\"");
}

TEST(DebugWindow, CloseHidesAndProgramEndExitsAtOnceWithoutSaving) {
    ScenarioRun run("debug_window");
    const std::string iniBefore = readAll(run.dir() / "qvl.ini");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, kPastTheError + "debug open\ndebug button 閉じる\n");
    EXPECT_FALSE(app->debugWindow().open());
    EXPECT_TRUE(app->debugWindow().everOpened());

    ScenarioRun ending("debug_window");
    r = ending.run(&app, kPastTheError + "debug open\ndebug button プログラム終了\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.transcript.substr(r.transcript.size() - 8), "exit: 0\n");
    EXPECT_EQ(r.transcript.find("text: 二行目"), std::string::npos) << "it ended inside the first text's wait";
    EXPECT_EQ(readAll(ending.dir() / "qvl.ini"), iniBefore) << "the settings are not written";
    EXPECT_FALSE(fs::exists(ending.dir() / "save" / "data0.hfd")) << "nor the global flags";
}

}  // namespace

TEST(DebugWindow, AScriptSavedWhileTheGameRunsIsTakenInAtTheNextLine) {
    ScenarioRun run("reload_debug_mode");
    run.autoPlay = true;
    bool edited = false;
    // The first frame is the start-up's; the next ones show the first text line.
    run.onFrame = [&](int frame, uint64_t, const qvl::Surface&) {
        if (edited || frame < 1) return;
        edited = true;
        writeAll(run.dir() / "autorun.txt", toScenarioBytes(":top\n_$flg[1]=$flg[1]+1\n新しい文\n_($flg[1]<2),_goto :top\n"));
    };
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, "");
    EXPECT_NE(r.transcript.find("text: 古い文\nreload: autorun.txt\ntext: 新しい文\n"), std::string::npos)
        << r.transcript;
    EXPECT_EQ(utf8Rows(app->debugWindow().form().ErrList->rows()), std::vector<std::string>{"reload: autorun.txt"});
}
