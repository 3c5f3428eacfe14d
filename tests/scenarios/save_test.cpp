// Saving and loading through whole runs: the save point at page clears, the slot
// files, the load between two lines, and the global flags and read marks.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;

struct SaveRun {
    explicit SaveRun(const std::string& script) : run("save_case") { run.writeScenarioFile("autorun.txt", script); }
    RunResult go(const std::string& input) {
        result = run.run(&app, input);
        return result;
    }
    std::string file(const std::string& name) const { return readAll(result.dir / "save" / name); }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

// A page with a flag, a save point at its clear, then a later save at a click.
const std::string kStory =
    "_$flg[3]=7\n"
    "_bgload \"bg_sky.jpg\"\n"
    "_objput 0,girl.mag,\"#TOP_LEFT\",40,#BOTTOM\n"
    "_textclear\n"
    "~00000009ページの一行目\n"
    "_$flg[3]=8\n"
    "_winsave\n"
    "二行目\n"
    "_winload\n"
    "三行目\n";

TEST(SaveGame, ASaveWritesTheSlotFilesAndALoadResumesAfterThePageClear) {
    SaveRun r(kStory);
    // The second save goes over slot 3: the dialog asks first.
    RunResult out = r.go("click\nslot 3\nclick\nslot 3\nclick\nslot 3\nanswer ok\nclick\n");
    EXPECT_EQ(out.transcript,
              "chapter: Quorvel\ntext: ページの一行目\nsave: slot 3\ntext: 二行目\nload: slot 3\n"
              "text: ページの一行目\nbox: 確認 | 上書きしていいですか？ -> ok\nsave: slot 3\ntext: 二行目\nidle\n")
        << "the load went back to the line after the _textclear, with flag 3 at 7 again";
    const std::string flags = r.file("data3.hfd");
    EXPECT_EQ(flags.substr(0, 12), "0\r\n0\r\n0\r\n7\r\n") << "the flags of the save point, not of the save";
    EXPECT_EQ(std::count(flags.begin(), flags.end(), '\n'), 256);
    const std::string status = r.file("data3.hsd");
    EXPECT_EQ(std::count(status.begin(), status.end(), '\n'), 516);
    EXPECT_FALSE(r.file("data3.hld").empty());
    EXPECT_EQ(r.file("data0.hfd").size(), 256u * 3) << "global flags: 256 lines of \"0\"";
}

TEST(SaveGame, ASaveTakenAtALaterChoiceLoadsBackToThePageClear) {
    SaveRun r("_textclear\n頁の一行目\n_$flg[2]=9\n_selmenu 40,96\n右,,_goto :right\n左\n_endsel\n:right\n"
              "右の道\n_winload\n");
    RunResult out = r.go("click\nmenu データ保存\nslot 6\nchoose 0\nclick\nslot 6\n");
    ASSERT_NE(out.transcript.find("save: slot 6"), std::string::npos) << out.transcript;
    const std::size_t load = out.transcript.find("load: slot 6\n");
    ASSERT_NE(load, std::string::npos) << out.transcript;
    EXPECT_EQ(out.transcript.substr(load), "load: slot 6\ntext: 頁の一行目\nidle\n");
    EXPECT_EQ(r.app->flags.text(2), "0") << "the flags of the page clear, not of the choice";
}

TEST(SaveGame, SavingBeforeAnySavePointReportsItAndKeepsTheStatusFile) {
    SaveRun r("_winsave\n後\n");
    RunResult out = r.go("slot 1\nanswer ok\nanswer no\nclick\n");
    EXPECT_NE(out.transcript.find("システムがセーブ可能な状態ではありません"), std::string::npos) << out.transcript;
    EXPECT_EQ(out.transcript.find("save: slot"), std::string::npos) << "no save happened";
    // Flags and log of now beside an older status file would mix two saves.
    EXPECT_FALSE(fs::exists(out.dir / "save" / "data1.hsd"));
    EXPECT_FALSE(fs::exists(out.dir / "save" / "data1.hfd"));
    EXPECT_FALSE(fs::exists(out.dir / "save" / "data1.hld"));
    EXPECT_TRUE(fs::exists(out.dir / "save" / "data0.hfd")) << "the global flags are still written";
}

TEST(SaveGame, ALoadOfADamagedSlotLeavesTheGameAsItWas) {
    SaveRun r("_textclear\n一\n_$flg[1]=5\n_winload\n二\n");
    fs::create_directories(r.run.dir() / "save");
    writeAll(r.run.dir() / "save" / "data2.hsd", "title\r\nnot a number\r\n");
    writeAll(r.run.dir() / "save" / "data2.hld", "0\r\n");
    RunResult out = r.go("click\nslot 2\nanswer ok\nanswer no\nclick\n");
    EXPECT_NE(out.transcript.find("error: "), std::string::npos) << out.transcript;
    EXPECT_NE(out.transcript.find("text: 二"), std::string::npos) << "the game went on where it was";
    EXPECT_EQ(r.app->flags.text(1), "5");
}

TEST(SaveGame, WithGlobalFlagSaveZeroNoGlobalFlagFileIsWrittenOrRead) {
    SaveRun r("_@flg[5]=@flg[256]\n_@flg[256]=g\n_textclear\n頁\n_winsave\n_winexit\n");
    r.run.writeScenarioFile("qvl.cfg", "SavePath=save\\\nBackGround=bg_room.mag\nGlobalFlagSave=0\n");
    fs::create_directories(r.run.dir() / "save");
    writeAll(r.run.dir() / "save" / "data0.hfd", "old\r\n");
    RunResult out = r.go("click\nslot 1\nanswer ok\n");
    ASSERT_NE(out.transcript.find("save: slot 1"), std::string::npos) << out.transcript;
    EXPECT_TRUE(fs::exists(out.dir / "save" / "data1.hsd"));
    EXPECT_EQ(r.file("data0.hfd"), "old\r\n") << "neither the save nor the exit wrote global flags";
    EXPECT_EQ(r.app->flags.text(5), "0") << "and the old file was not read at the start";
}

TEST(SaveGame, ReadMarksAndGlobalFlagsAreWrittenAtExitAndReadAtStart) {
    SaveRun r("~00000009九番\n_@flg[256]=g\n_winexit\n");
    r.go("click\nanswer ok\n");
    const std::string marks = r.file("textid.dat");
    ASSERT_EQ(marks.size(), 1000u);
    EXPECT_EQ(uint8_t(marks[1]), 0x02) << "text id 9 is bit 1 of byte 1";
    EXPECT_EQ(r.file("data0.hfd").substr(0, 3), "g\r\n");
}

}  // namespace

namespace {

using namespace qvl_test;

TEST(SaveGame, ASavePointInTheMiddleOfALineResumesTheRestOfThatLine) {
    // Eleven lines fill the page; the twelfth's first characters end it, the page
    // clear in the middle of that line takes the save point.
    std::string script = "_textclear\n";
    for (int i = 0; i < 10; ++i) script += "行" + std::to_string(i) + "\n";
    script += "最後の行の前半|後半の文字\n_winsave\n_winload\n終わり\n";
    SaveRun r(script);
    std::string input;
    for (int i = 0; i < 10; ++i) input += "click\n";
    // The page ends at the line feed code; then the rest, a save, a load.
    input += "click\nclick\nslot 5\nslot 5\nclick\nclick\n";
    RunResult out = r.go(input);
    const std::size_t load = out.transcript.find("load: slot 5\n");
    ASSERT_NE(load, std::string::npos) << out.transcript;
    EXPECT_EQ(out.transcript.substr(load).rfind("load: slot 5\ntext: 後半の文字\n", 0), 0u)
        << "the load showed only the rest of the interrupted line";
}

TEST(SaveGame, ALoadPutsBackTheStateOfTheSavePoint) {
    // The state at the save point, then everything changed, then the load.
    const std::string before = "_$flg[7]=70\n_textcur 3,1\n_autorefresh 1\n_sysdark 1\n_textclear\n頁\n";
    const std::string change = "_$flg[7]=1\n_bgload \"bg_sky.jpg\"\n_autorefresh 0\n_sysdark 0\n_textloc 300,200\n";
    SaveRun saved(before + "_winsave\n" + change + "_winload\n");
    RunResult out = saved.go("click\nslot 4\nslot 4\n");
    ASSERT_NE(out.transcript.find("load: slot 4"), std::string::npos) << out.transcript;
    qvl::TFmain& app = *saved.app;
    EXPECT_EQ(app.flags.text(7), "70");
    EXPECT_EQ(app.scene.autoRefreshMode, "1");
    EXPECT_TRUE(app.scene.darknessSuppressed);
    EXPECT_EQ(app.bank().state(qvl::SurfaceId::Background).fileName, "bg_room.mag");
    EXPECT_NE(out.transcript.find("load: slot 4\ntext: 頁\n"), std::string::npos)
        << "the script went on after the page clear that made the save point";
    EXPECT_FALSE(app.saves.snapshot().interpreter.ProgFileName.empty());
}

}  // namespace

namespace {

using namespace qvl_test;

// A scene with persons, an effect, sprites, text settings, switches, a choice and
// flags, saved to slot 3: the files must stay byte for byte what they are, so
// saves keep moving between this program and the original.
TEST(SaveGame, TheSlotFilesOfAKnownStateStayByteForByte) {
    ScenarioRun run("save_golden");
    RunResult r = run.run(nullptr, "click\nchoose 0\nclick\nslot 3\nclick\n");
    ASSERT_NE(r.transcript.find("save: slot 3"), std::string::npos) << r.transcript;
    const fs::path expected = fs::path(QVL_TEST_SCENARIOS) / "save_golden" / "slot-files";
    for (const char* name : {"data3.hsd", "data3.hfd", "data3.hld", "data0.hfd"}) {
        const std::string made = readAll(r.dir / "save" / name);
        if (std::getenv("QVL_UPDATE_GOLDENS")) writeAll(expected / name, made);
        EXPECT_EQ(made, readAll(expected / name)) << name;
    }
}

}  // namespace

namespace {

using namespace qvl_test;

// The state the dump shows, less what a saved game does not carry: where the
// pointer was, the scratch surface under a closed menu, whether the scene still
// has to be shown, and the folder the run started in.
std::string comparableState(qvl::TFmain& app) {
    app.cycle.mouseX = app.cycle.mouseY = 0;
    app.bank()[qvl::SurfaceId::Temp2] = qvl::Surface(1, 1);
    app.bank().sceneDirty = false;
    app.settings.startDirectory.clear();
    return app.stateJson();
}

// Save at the page of a scene with everything in use (persons, effect, sprites,
// endless music, text settings, switches, a choice, a subroutine, a second script
// file and a 300-byte flag), change all of it, load: the state is the one the
// first run had at the same click wait.
TEST(SaveGame, ALoadGivesBackTheWholeStateOfTheSavePoint) {
    ScenarioRun atSavePoint("save_round_trip");
    qvl::TFmain* first = nullptr;
    RunResult a = atSavePoint.run(&first, "choose 0\n");
    ASSERT_NE(a.transcript.find("text: <S3><C#FF8040><F1>頁\nidle"), std::string::npos) << a.transcript;
    first->shell.popupAutoOpen = true;  // _syspopup's opening is the reader's, not the game's
    const std::string expected = comparableState(*first);

    ScenarioRun reloaded("save_round_trip");
    qvl::TFmain* second = nullptr;
    RunResult b = reloaded.run(&second, "choose 0\nclick\nslot 4\nclick\nslot 4\n");
    ASSERT_NE(b.transcript.find("load: slot 4\ntext: <S3><C#FF8040><F1>頁\nidle"), std::string::npos)
        << b.transcript;
    ASSERT_EQ(second->flags.text(8).size(), 300u) << "a long flag value comes back whole";
    // Reading the log file makes the pages it held the complete ones: none here.
    EXPECT_EQ(second->log.SaveLogStartPage, -1);
    second->log.SaveLogStartPage = first->log.SaveLogStartPage;
    EXPECT_EQ(comparableState(*second), expected);
}

}  // namespace

namespace {

using namespace qvl_test;

// A save in the middle of a line, inside a subroutine of a second script file,
// with masks on the effect and the sprite sheet, two sprite rows, music switched
// off while it played, an endless sound, a CD track, other fonts and colours, a
// chosen second item, an _if, global flags and a read mark: every file of the slot
// and the two global files stay byte for byte what they are.
TEST(SaveGame, EveryFileOfASaveInAFullSceneStaysByteForByte) {
    ScenarioRun run("save_every_line");
    std::string input = "click\nmenu 音楽再生\nchoose 1\n";
    for (int i = 0; i < 12; ++i) input += "click\n";
    RunResult r = run.run(nullptr, input + "slot 3\nclick\nanswer ok\n");
    ASSERT_EQ(r.exitCode, 0) << r.transcript;
    ASSERT_NE(r.transcript.find("save: slot 3"), std::string::npos) << r.transcript;
    const fs::path expected = fs::path(QVL_TEST_SCENARIOS) / "save_every_line" / "slot-files";
    for (const char* name : {"data3.hsd", "data3.hfd", "data3.hld", "data0.hfd", "textid.dat"}) {
        const std::string made = readAll(r.dir / "save" / name);
        if (std::getenv("QVL_UPDATE_GOLDENS")) writeAll(expected / name, made);
        EXPECT_EQ(made, readAll(expected / name)) << name;
    }
}

}  // namespace
