// Saves as a hostile or unlucky player may leave them: damaged or huge files,
// FIFOs, a crash in the middle of a save, a save folder that is a file, global
// files a run never read. Nothing is lost, nothing hangs, and every message names
// the file, the slot and the line.
#include "save/slot_store.h"
#include "save/status_file.h"
#include "tests/scenarios/scenario_run.h"

#include <sys/stat.h>

namespace {

using namespace qvl_test;

// A save point at the page clear (flag 1 is 0 there), then flag 1 = 5, a save, a
// load: a load that happens puts flag 1 back to 0.
const std::string kScript = "_textclear\n一\n_$flg[1]=5\n_winsave\n_winload\n二\n";

struct DamageRun {
    DamageRun() : run("save_case") { run.writeScenarioFile("autorun.txt", kScript); }
    fs::path save(const std::string& name) const { return run.dir() / "save" / name; }
    // The first run makes slot 2; the second loads it. The second run's transcript.
    std::string saveThenLoad(const std::function<void()>& damage) {
        const std::size_t first = run.run(&app, "click\nslot 2\ncancel\nclick\n").transcript.size();
        damage();
        return run.run(&app, "click\ncancel\nslot 2\nanswer ok\nanswer no\nclick\n").transcript.substr(first);
    }
    void setStatusLine(int line, const std::string& value) {
        std::vector<std::string> lines = qvl::sjis::splitLines(readAll(save("data2.hsd")), false);
        lines[std::size_t(line - 1)] = value;
        std::string bytes;
        for (const std::string& l : lines) bytes += l + "\r\n";
        writeAll(save("data2.hsd"), bytes);
    }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
};

TEST(SaveDamage, ALoadChecksEveryFieldAndNameBeforeAnythingChanges) {
    struct Case {
        int line;
        std::string value, shown;
    };
    const std::vector<Case> cases = {
        {287, "2147483647", "の287行目「2147483647」：0から10000000までの整数ではありません"},
        {268, "2147483647", "の268行目「2147483647」"},
        {515, "nosuch.txt", "の515行目「nosuch.txt」：読めるスクリプトの名前ではありません"},
        {441, "a" + std::string(1, '\0') + std::string(10000, 'x'), "の441行目「a\\0xxx"},
        {493, "", "の493行目：演奏中の CD のトラック番号ではありません"},
    };
    for (const Case& c : cases) {
        DamageRun r;
        const std::string out = r.saveThenLoad([&] {
            r.setStatusLine(c.line, c.value);
            r.setStatusLine(393, "1");  // the CD channel marked playing
        });
        EXPECT_NE(out.find("box: Quorvel | ステータスデータが読めません．．．\\ndata2.hsd（スロット2） " + c.shown),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("このスロットはロードできません。"), std::string::npos) << out;
        EXPECT_EQ(out.find("load: slot"), std::string::npos) << out;
        EXPECT_NE(out.find("-> no\ntext: 二"), std::string::npos) << "the game went on where it was: " << out;
        for (std::size_t at = out.find("box: "); at != std::string::npos; at = out.find("box: ", at + 1))
            EXPECT_LT(out.find('\n', at) - at, 700u) << "a long value is cut short";
    }
}

// Every number at the far end of what its field accepts: the load and the scene
// it rebuilds must do their arithmetic without overflow (UBSan stops the run).
TEST(SaveDamage, NumbersAtTheEndsOfTheirRangesLoadWithoutOverflow) {
    for (bool low : {false, true}) {
        DamageRun r;
        const std::string out = r.saveThenLoad([&] {
            const std::vector<std::string> values = {"2147483647", "1073741824", "33554432", "10000000", "1000000",
                                                     "65536",      "511",        "15",       "6",        "2",
                                                     "1",          "0"};
            // Lines checked against the script, the channels' switches (no piece to
            // resume) and the text lines stay as saved.
            auto kept = [](int line) { return line == 287 || line == 288 || (line >= 391 && line <= 399); };
            std::vector<std::string> lines = qvl::sjis::splitLines(readAll(r.save("data2.hsd")), false);
            std::vector<std::size_t> pick(lines.size(), 0);
            for (;;) {
                std::string bytes;
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    const int line = int(i) + 1;
                    const std::string& v = values[pick[i]];
                    bytes += (line < 2 || line > 440 || kept(line)) ? lines[i] : low && v != "0" ? "-" + v : v;
                    bytes += "\r\n";
                }
                qvl::SavePointSnapshot into;
                try {
                    qvl::readStatusFile(bytes, into);
                    writeAll(r.save("data2.hsd"), bytes);
                    break;
                } catch (const qvl::SaveFileFault& f) {
                    ASSERT_LT(pick[std::size_t(f.line() - 1)] + 1, values.size()) << f.line();
                    ++pick[std::size_t(f.line() - 1)];
                }
            }
        });
        EXPECT_NE(out.find("load: slot 2"), std::string::npos) << out;
    }
}

TEST(SaveDamage, AResumeStepThatFailsAfterTheChecksIsToldAndTheLoadCompletes) {
    DamageRun r;
    const std::string out = r.saveThenLoad([&] {
        r.setStatusLine(391, "1");  // the music channel playing
        r.setStatusLine(491, "nosuch.mid");
        r.setStatusLine(473, "nosuch.bmp");  // the background's file
        r.setStatusLine(364, "1");
    });
    EXPECT_NE(out.find("load: slot 2\ntext: 一\n"), std::string::npos) << "the load completed: " << out;
}

TEST(SaveDamage, HugeFilesAndFifosAreRefusedUnreadWithTheFileNamed) {
    DamageRun big;
    std::string out = big.saveThenLoad([&] { fs::resize_file(big.save("data2.hfd"), 600u << 20); });
    EXPECT_NE(out.find("data2.hfd（スロット2）が大きすぎます（1024KB まで）。"), std::string::npos) << out;
    EXPECT_NE(out.find("-> no\ntext: 二"), std::string::npos) << out;

    DamageRun fifo;
    out = fifo.saveThenLoad([&] {
        fs::remove(fifo.save("data2.hsd"));
        ASSERT_EQ(::mkfifo(fifo.save("data2.hsd").c_str(), 0600), 0);
    });
    EXPECT_NE(out.find("data2.hsd（スロット2）は普通のファイルではありません。"), std::string::npos) << out;
    EXPECT_NE(out.find("text: 二"), std::string::npos);
}

TEST(SaveDamage, ASaveACrashCutShortAfterItsSwitchIsFinishedByTheNextRead) {
    DamageRun r;
    const std::string out = r.saveThenLoad([&] {
        // The same save with flag 2 at 9, stopped just after the switch file landed.
        std::string flags = readAll(r.save("data2.hfd"));
        flags.replace(6, 3, "9\r\n");
        qvl::SlotStore store(r.save(""));
        store.afterStep = [](int step) {
            if (step == 6) throw 0;
        };
        EXPECT_THROW(store.commit(2, {{"data2.hld", readAll(r.save("data2.hld"))},
                                      {"data2.hfd", flags},
                                      {"data2.hsd", readAll(r.save("data2.hsd"))}}),
                     int);
        EXPECT_TRUE(fs::exists(r.save("data2.switch")));
    });
    EXPECT_NE(out.find("load: slot 2"), std::string::npos) << out;
    EXPECT_EQ(r.app->flags.text(2), "9") << "the new save, whole";
    EXPECT_FALSE(fs::exists(r.save("data2.switch")));
}

TEST(SaveDamage, ASaveIsWrittenToTheTranscriptOnlyWhenItHappenedAndTheOverwriteQuestionIsABox) {
    DamageRun r;
    r.run.writeScenarioFile("autorun.txt", "_winsave\n_textclear\n頁\n_winsave\n_winsave\n");
    const std::string out = r.run.run(&r.app, "slot 1\nanswer ok\nanswer no\nclick\nslot 1\nslot 1\nanswer ok\n").transcript;
    EXPECT_NE(out.find("text: 頁\nsave: slot 1\nbox: 確認 | 上書きしていいですか？ -> ok\nsave: slot 1\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("save: slot 1"), out.find("text: 頁\nsave: slot 1") + std::string("text: 頁\n").size()) << "none before the save point";
}

TEST(SaveDamage, ASaveFolderThatIsAFileShowsEmptySlotsAndIsReportedOnce) {
    ScenarioRun run("save_case");
    run.writeScenarioFile("autorun.txt", "_textclear\n頁\n_winsave\n_winsave\n");
    writeAll(run.dir() / "blocker", "a file");
    run.writeScenarioFile("qvl.cfg", "SavePath=blocker\\\nBackGround=bg_room.mag\n");
    const std::string out = run.run(nullptr, "click\nslot 1\nanswer ok\nanswer ok\nslot 1\nanswer ok\nanswer ok\n").transcript;
    const std::string report = "はフォルダではありません。";
    EXPECT_NE(out.find(report), std::string::npos) << out;
    EXPECT_EQ(out.find(report), out.rfind(report)) << "once";
    EXPECT_EQ(out.find("上書きしていいですか"), std::string::npos) << "every slot is empty: " << out;
    EXPECT_EQ(out.find("save: slot"), std::string::npos) << out;
    EXPECT_EQ(readAll(run.dir() / "blocker"), "a file");
}

TEST(SaveDamage, GlobalFilesARunNeverReadAreKeptAndFailedExitWritesAreTold) {
    // The start script cannot be found: the globals are never read.
    {
        ScenarioRun run("no_start_script");
        run.writeScenarioFile("qvl.cfg", "SavePath=save\\\nTextMaxIndex=1000\n");
        fs::create_directories(run.dir() / "save");
        writeAll(run.dir() / "save" / "data0.hfd", "ending\r\n");
        writeAll(run.dir() / "save" / "textid.dat", "\x07");
        qvl::TFmain* app = nullptr;
        run.run(&app);
        app->saveLink.saveGlobalsAndMarks();  // what the exit does
        EXPECT_EQ(readAll(run.dir() / "save" / "data0.hfd"), "ending\r\n");
        EXPECT_EQ(readAll(run.dir() / "save" / "textid.dat"), "\x07");
    }
    // A data0.hfd that cannot be used is reported at the start and kept at the exit.
    {
        DamageRun r;
        r.run.writeScenarioFile("autorun.txt", "_winexit\n");
        fs::create_directories(r.save(""));
        writeAll(r.save("data0.hfd"), std::string((qvl::kMaxSaveLine + 1), 'g') + "\r\n");
        const std::string out = r.run.run(&r.app, "answer ok\nanswer ok\n").transcript;
        EXPECT_NE(out.find("box: Quorvel | data0.hfd の1行目「ggg"), std::string::npos) << out;
        EXPECT_EQ(readAll(r.save("data0.hfd")).size(), (qvl::kMaxSaveLine + 1) + 2);
    }
    // Both files are in the way when the exit writes them: the player is told.
    {
        DamageRun r;
        r.run.writeScenarioFile("autorun.txt", "~00000009九番\n_winexit\n");
        // Once the start has read them (found none), folders take their names.
        r.run.onFrame = [&](int, uint64_t ms, const qvl::Surface&) {
            if (ms == 0) return;
            fs::create_directories(r.save("textid.dat") / "in-the-way");
            fs::create_directories(r.save("data0.hfd") / "in-the-way");
        };
        const std::string out = r.run.run(&r.app, "click\nanswer ok\nanswer ok\nanswer ok\n").transcript;
        EXPECT_NE(out.find("box: Quorvel | フラグデータ保存できず．．．\\ndata0.hfd を書き込めませんでした。"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("box: Quorvel | 既読データ textid.dat を書き込めませんでした。"), std::string::npos) << out;
    }
}

}  // namespace
