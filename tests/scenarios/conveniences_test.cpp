// The player's conveniences through whole runs: going back pages, the quick slot,
// thumbnails, skipping while Ctrl is held, the corner marks and the pad.
#include "tests/scenarios/scenario_run.h"

#include "save/thumbnail.h"

#include <chrono>
#include <ctime>

#include <nlohmann/json.hpp>

namespace {

using namespace qvl_test;
using nlohmann::json;

// Three pages and a choice between the second and the third; the right branch
// sets a global flag, which going back must leave alone.
const std::string kStory =
    "_bgload \"bg_sky.jpg\"\n"
    "_$flg[1]=1\n"
    "_textclear\n"
    "~00000001一頁目\n"
    "_$flg[1]=2\n"
    "_objput 0,girl.mag,\"#TOP_LEFT\",40,#BOTTOM\n"
    "_textclear\n"
    "~00000002二頁目\n"
    "_selmenu 40,96\n"
    "右,,_goto :right\n"
    "左,,_goto :left\n"
    "_endsel\n"
    ":right\n"
    "_$flg[2]=10\n"
    "_@flg[300]=9\n"
    "_bgload \"bg_room.mag\"\n"
    "_textclear\n"
    "~00000003右の頁\n"
    "_textclear\n"
    "~00000004右の二頁\n"
    "_goto :end\n"
    ":left\n"
    "_$flg[2]=20\n"
    "_textclear\n"
    "~00000005左の頁\n"
    ":end\n";

struct StoryRun {
    explicit StoryRun(const std::string& script = kStory) : run("conveniences_case") {
        run.writeScenarioFile("autorun.txt", script);
    }
    RunResult go(const std::string& input) {
        result = run.run(&app, input);
        return result;
    }
    // The state as the dump writes it, without what going back never touches.
    json state() const {
        json j = json::parse(app->stateJson());
        j.erase("ReadTextMarks");
        for (std::size_t i = 256; i < 512; ++i) j["flags"][i] = "";
        return j;
    }
    fs::path save(const std::string& name) const { return result.dir / "save" / name; }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

// Where two dumps differ, by key, to read in a failure.
std::string differences(const json& a, const json& b) {
    std::string out;
    for (auto& [key, value] : a.items())
        if (!b.contains(key) || b[key] != value) out += key + " ";
    if (!out.empty()) std::cerr << json::diff(a, b).dump(1) << "\n";
    return out;
}

// The run's last frame against tests/golden/NAME.png, as the folder scenarios do
// (QVL_UPDATE_GOLDENS=1 writes it; a mismatch leaves NAME.actual.png beside it).
void expectGolden(ScenarioRun& run, const std::string& name) {
    const fs::path golden = fs::path(QVL_TEST_GOLDEN) / (name + ".png");
    const fs::path actual = fs::path(QVL_TEST_GOLDEN) / (name + ".actual.png");
    const qvl::Surface& frame = run.platform().lastFrame();
    if (const char* update = std::getenv("QVL_UPDATE_GOLDENS"); update && std::string(update) == "1") {
        qvl::writePngFile(golden.string(), frame);
        return;
    }
    std::optional<qvl::Surface> expected = qvl::readPngFile(golden.string());
    ASSERT_TRUE(expected) << golden << " is missing: make update-goldens";
    if (*expected == frame) {
        fs::remove(actual);
        return;
    }
    qvl::writePngFile(actual.string(), frame);
    ADD_FAILURE() << "the frame differs from " << golden << "; see " << actual;
}

TEST(Rollback, BackThreePagesAcrossAChoiceChoosesAgainWithTheFlagsOfThatPage) {
    StoryRun first;
    first.go("");  // waits at the first page
    const json atFirstPage = first.state();

    StoryRun r;
    // The log view, three pages back, Backspace: back to the first page.
    RunResult out = r.go("click\nclick\nchoose 0\nclick\nkey PageUp\nkey PageUp\nkey PageUp\nkey PageUp\n"
                         "key Backspace\n");
    EXPECT_NE(out.transcript.find("text: 右の二頁\n"), std::string::npos) << out.transcript;
    EXPECT_TRUE(out.transcript.ends_with("rollback: 3\ntext: 一頁目\nidle\n")) << out.transcript;
    EXPECT_EQ(r.app->flags.text(1), "1");
    EXPECT_EQ(r.app->flags.text(2), "0");
    EXPECT_EQ(r.app->flags.text(300), "9") << "global flags are never taken back";
    const json back = r.state();
    EXPECT_EQ(differences(atFirstPage, back), "") << "the state after going back is the state the page had";

    // And on through the choice again, the other way.
    StoryRun again;
    out = again.go("click\nclick\nchoose 0\nclick\nkey Backspace\nkey Backspace\nkey Backspace\nclick\nclick\n"
                   "choose 1\nclick\n");
    EXPECT_NE(out.transcript.find("rollback: 1\ntext: 右の頁\nrollback: 1\ntext: 二頁目\n"), std::string::npos)
        << out.transcript;
    EXPECT_TRUE(out.transcript.ends_with("choice: 右 | 左 -> 1\ntext: 左の頁\nidle\n")) << out.transcript;
    EXPECT_EQ(again.app->flags.text(1), "2");
    EXPECT_EQ(again.app->flags.text(2), "20") << "the left branch's flag, not the right one's";
    EXPECT_EQ(again.app->flags.text(300), "9");
}

TEST(Rollback, NothingToGoBackToAtTheFirstPageAndTheMenuItemGoesBackOne) {
    StoryRun r;
    RunResult out = r.go("key Backspace\nclick\nmenu 前のページへ戻る\n");
    EXPECT_EQ(out.transcript.find("rollback"), out.transcript.find("rollback: 1")) << out.transcript;
    EXPECT_TRUE(out.transcript.ends_with("text: 二頁目\nrollback: 1\ntext: 一頁目\nidle\n")) << out.transcript;
}

TEST(QuickSave, SavedLoadedAndTheStateComesBack) {
    StoryRun r;
    // F5 at the second page, on through the choice, F9 (asks: pages were read since).
    RunResult out = r.go("click\nkey F5\nclick\nchoose 0\nkey F9\nanswer ok\n");
    EXPECT_NE(out.transcript.find("save: quick\n"), std::string::npos) << out.transcript;
    EXPECT_TRUE(out.transcript.ends_with("box: 確認 | ロードすると、セーブしていない進行状況は失われます。よろしいですか？ -> ok\n"
                                         "load: quick\ntext: 二頁目\nidle\n"))
        << out.transcript;
    for (const char* file : {"quick.hfd", "quick.hsd", "quick.hld", "quick.png"})
        EXPECT_TRUE(fs::exists(r.save(file))) << file;
    EXPECT_FALSE(fs::exists(r.save("data1.hsd"))) << "never one of the slots";
    const json loaded = r.state();

    StoryRun plain;
    plain.go("click\n");
    // What a slot's files keep comes back; not the pointer, the last choice shown,
    // the load's own scratch surface or the menu (now there is a quick save).
    json before = plain.state();
    json after = loaded;
    for (json* j : {&before, &after}) {
        for (const char* key : {"InputFlags", "choice", "options", "menu", "sceneDirty"}) j->erase(key);
        (*j)["SurfaceState"].erase(8);
    }
    EXPECT_EQ(differences(before, after), "") << "a quick load gives the state of the saved page";
}

TEST(QuickSave, TheNoticeShowsInTheCornerAndGoes) {
    StoryRun r;
    std::vector<qvl::Surface> frames;
    r.run.onFrame = [&](int, uint64_t, const qvl::Surface& f) { frames.push_back(f.clone()); };
    RunResult out = r.go("key F5\nwait 3000\n");
    ASSERT_NE(out.transcript.find("save: quick"), std::string::npos) << out.transcript;
    // Some frame held the notice's dark box in the top-left corner; the last one no longer does.
    auto corner = [](const qvl::Surface& f) { return f.row(12)[12]; };
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [&](const qvl::Surface& f) {
        return corner(f) != corner(frames.back());
    }));
}

TEST(Thumbnails, ASaveWritesOneAndTheSlotDialogShowsIt) {
    StoryRun r;
    r.go("click\nmenu データ保存\nslot 2\n");
    std::optional<qvl::Surface> thumbnail = qvl::readPngFile(r.save("data2.png").string());
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->width(), 160);
    EXPECT_EQ(thumbnail->height(), 120);
    // A fixed date in a fixed zone, so the row reads the same every time.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    for (const char* name : {"data2.hfd", "data2.hsd", "data2.hld", "data2.png"})
        fs::last_write_time(r.save(name), fs::file_time_type::clock::from_sys(std::chrono::sys_seconds{
                                              std::chrono::sys_days{std::chrono::year{2001} / 3 / 3}}));
    // Slot 1 empty (grey), slot 2 highlighted by the keyboard: its thumbnail shows.
    r.run.run(nullptr, "menu データ保存\nkey Down\n");
    expectGolden(r.run, "slot_thumbnail");
}

TEST(Thumbnails, ADamagedOneIsNotShownAndNothingBreaks) {
    StoryRun r;
    r.go("click\nmenu データ保存\nslot 1\n");
    qvl_test_files::writeAll(r.save("data1.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\xff\xff", 18));
    EXPECT_FALSE(qvl::readThumbnail(r.save("").parent_path(), 1));
}

TEST(Skip, HoldingCtrlSkipsWhatWasReadAndLettingGoStops) {
    std::string marks;
    {
        StoryRun r;
        r.go("click\nclick\nchoose 1\nclick\nkey Escape\nanswer ok\n");  // all but the right branch read
        marks = readAll(r.save("textid.dat"));
    }
    // Runs of one test share their scratch folder: each puts the marks back first.
    auto withMarks = [&](StoryRun& run) {
        fs::create_directories(run.run.dir() / "save");
        qvl_test_files::writeAll(run.run.dir() / "save" / "textid.dat", marks);
    };
    StoryRun held;
    withMarks(held);
    // Held at the first page: the read pages go by up to the choice.
    RunResult out = held.go("hold Ctrl\nwait 1000\nchoose 1\n");
    EXPECT_NE(out.transcript.find("text: 一頁目\ntext: 二頁目\nchoice:"), std::string::npos) << out.transcript;
    EXPECT_TRUE(held.app->cycle.skipReadMode) << "still held at the end";
    expectGolden(held.run, "skip_mark");
    StoryRun released;
    withMarks(released);
    out = released.go("hold Ctrl\nrelease Ctrl\n");
    EXPECT_TRUE(out.transcript.ends_with("text: 一頁目\nidle\n")) << "let go at once: nothing skipped";
    EXPECT_FALSE(released.app->cycle.skipReadMode);
    // Ctrl for a shortcut never skips: Ctrl+P is page mode, and the page stays.
    StoryRun shortcut;
    withMarks(shortcut);
    out = shortcut.go("hold Ctrl\nkey Ctrl+P\nwait 1000\nrelease Ctrl\n");
    EXPECT_TRUE(out.transcript.ends_with("text: 一頁目\nidle\n")) << out.transcript;
}

TEST(AutoAdvance, TheMarkShowsWhileItIsOn) {
    StoryRun r;
    RunResult out = r.go("menu 自動送り\nwait 20000\nchoose 1\n");
    EXPECT_TRUE(out.transcript.ends_with("text: 左の頁\nidle\n")) << out.transcript;
    expectGolden(r.run, "auto_mark");
}

TEST(Pad, ButtonsActAsTheirKeys) {
    StoryRun r;
    // A clicks, LB goes back, Y opens the menu and B closes it, RB skips while held.
    RunResult out = r.go("pad A\npad LB\npad Y\npad B\npad A\n");
    EXPECT_NE(out.transcript.find("text: 二頁目\nrollback: 1\ntext: 一頁目\nmenu: open\n"), std::string::npos)
        << out.transcript;
    EXPECT_TRUE(out.transcript.ends_with("text: 二頁目\nidle\n")) << out.transcript << "B closed only the menu";
}

TEST(Settings, AutoAdvanceSpeedIsAMenuChoiceKeptInTheIni) {
    StoryRun r;
    r.go("menu 速い\nkey Escape\nanswer ok\n");
    EXPECT_NE(readAll(r.result.dir / "qvl.ini").find("AutoAdvanceSpeed=2"), std::string::npos);
}

}  // namespace
