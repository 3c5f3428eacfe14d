// A scenario folder comes from strangers: the save folder its own files name may
// not lead out of it, and damaged settings files say which line to mend.
#include "tests/scenarios/scenario_run.h"

#include <cstdlib>

namespace {

using namespace qvl_test;
namespace fs = std::filesystem;

// A save, then a confirmed exit (which writes qvl.ini).
const char kSaveAndExit[] = "_textclear\n~00000009一行目\n_winsave\n_winexit\n";
const char kInput[] = "click\nslot 1\nanswer ok\n";

// The player's data home of this test, and a folder outside every allowed place.
struct Places {
    Places() {
        ::setenv("XDG_DATA_HOME", home.c_str(), 1);
        fs::create_directories(outside);
    }
    ~Places() {
        ::unsetenv("XDG_DATA_HOME");
        fs::remove_all(root);
    }
    fs::path dataFolder(const ScenarioRun& run) const { return home / "quorvel" / run.dir().filename(); }
    fs::path root = fs::temp_directory_path() / ("qvl-places-" + std::to_string(::getpid()));
    fs::path home = root / "home", outside = root / "outside";
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(UntrustedScenario, ASavePathLeadingOutOfTheScenarioGoesToTheDataFolderWithANotice) {
    Places places;
    struct Case {
        std::string file, savePath;
    };
    const std::vector<Case> cases{
        {"qvl.cfg", "..\\..\\..\\escape\\"},
        {"qvl.cfg", places.outside.string() + "/"},
        {"qvl.cfg", "link\\"},
        {"qvl.ini", "../../escape/"},  // a qvl.ini shipped in the folder is the scenario's too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.savePath);
        ScenarioRun run("save_case");
        run.writeScenarioFile("autorun.txt", kSaveAndExit);
        fs::create_directory_symlink(places.outside, run.dir() / "link");
        run.writeScenarioFile(c.file, "SavePath=" + c.savePath + "\n");
        // The notice box is answered first.
        RunResult r = run.run(nullptr, "answer ok\n" + std::string(kInput));
        const fs::path data = places.dataFolder(run);
        EXPECT_TRUE(contains(r.transcript, "notice: SavePath=" + c.savePath + " in the scenario's " + c.file +
                                               " leads outside the scenario folder; saves go to " + data.string() +
                                               "\n"))
            << r.transcript;
        EXPECT_TRUE(contains(r.transcript, "box: Quorvel | " + c.file + " の SavePath（" + c.savePath +
                                               "）はシナリオのフォルダの外を指しているので使いません。"))
            << r.transcript;
        EXPECT_TRUE(contains(r.transcript, "save: slot 1\n")) << r.transcript;
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(fs::exists(data / "data1.hsd"));
        EXPECT_TRUE(fs::is_empty(places.outside));
        EXPECT_FALSE(fs::exists(places.root / "escape"));
        EXPECT_FALSE(fs::exists(fs::temp_directory_path().parent_path() / "escape"));
        // The folder used is what qvl.ini keeps; the next start needs no notice.
        EXPECT_TRUE(contains(readAll(run.dir() / "qvl.ini"), "SavePath=" + data.string() + "/\r\n"));
        const std::size_t firstRun = r.transcript.size();  // the run's transcript goes on
        r = run.run(nullptr, std::string(kInput));
        EXPECT_FALSE(contains(r.transcript.substr(firstRun), "notice:")) << r.transcript;
        fs::remove_all(places.home);
    }
}

TEST(UntrustedScenario, FoldersInsideAndThePlayersOwnChoiceStand) {
    Places places;
    {
        ScenarioRun run("save_case");  // SavePath=save\ of its qvl.cfg
        run.writeScenarioFile("autorun.txt", kSaveAndExit);
        RunResult r = run.run(nullptr, std::string(kInput));
        EXPECT_FALSE(contains(r.transcript, "notice:")) << r.transcript;
        EXPECT_TRUE(fs::exists(run.dir() / "save" / "data1.hsd"));
    }
    {
        // The player's own qvl.ini lives in the data folder, where no scenario puts
        // files: a folder chosen there stands wherever it is, and is written back there.
        ScenarioRun run("save_case");
        run.writeScenarioFile("autorun.txt", kSaveAndExit);
        run.writeScenarioFile("qvl.ini", "SavePath=../../escape/\n");
        const fs::path data = places.dataFolder(run);
        fs::create_directories(data);
        writeAll(data / "qvl.ini", "SavePath=" + places.outside.string() + "/\r\n");
        RunResult r = run.run(nullptr, std::string(kInput));
        EXPECT_FALSE(contains(r.transcript, "notice:")) << r.transcript;
        EXPECT_TRUE(fs::exists(places.outside / "data1.hsd"));
        EXPECT_TRUE(contains(readAll(data / "qvl.ini"), "SavePath=" + places.outside.string() + "/\r\n"));
        EXPECT_EQ(readAll(run.dir() / "qvl.ini"), "SavePath=../../escape/\r\n");
    }
    {
        // A folder picked in the save-location dialog: kept in the player's own
        // qvl.ini, so the next start uses it without asking or warning.
        fs::remove_all(places.home);
        fs::remove_all(places.outside);
        fs::create_directories(places.outside);
        ScenarioRun run("save_case");
        run.writeScenarioFile("autorun.txt", kSaveAndExit);
        run.writeScenarioFile("qvl.cfg", "BackGround=\n");
        std::string pick;
        for (int i = 0; i < 9; ++i) pick += "key backspace\n";  // the proposed data0.hfd
        pick += "type " + (places.outside / "data0.hfd").string() + "\nkey enter\n";
        RunResult r = run.run(nullptr, pick + kInput);
        EXPECT_TRUE(contains(r.transcript, " -> " + (places.outside / "data0.hfd").string() + "\n")) << r.transcript;
        EXPECT_TRUE(fs::exists(places.outside / "data1.hsd"));
        EXPECT_FALSE(fs::exists(run.dir() / "qvl.ini"));
        const std::size_t firstRun = r.transcript.size();
        fs::remove(places.outside / "data1.hsd");
        r = run.run(nullptr, std::string(kInput));
        EXPECT_EQ(r.transcript.substr(firstRun), "chapter: Quorvel\ntext: 一行目\nsave: slot 1\nbox: 終了 | 終了しますか？ -> ok\nexit: 0\n");
        EXPECT_TRUE(fs::exists(places.outside / "data1.hsd"));
    }
}

TEST(SettingsFiles, AHugeConfigurationIsRefusedNamingTheFile) {
    Places places;
    ScenarioRun run("save_case");
    fs::resize_file(run.dir() / "qvl.cfg", 400u << 20);  // sparse
    RunResult r = run.run(nullptr, std::string("answer ok\nanswer no\n"));
    EXPECT_TRUE(contains(r.transcript, "box: Quorvel | qvl.cfg が大きすぎます（1 MiB を超えています）：" +
                                           (run.dir() / "qvl.cfg").string() +
                                           "\\nシナリオのファイルが壊れています。シナリオを入れ直してください。 -> ok\n"))
        << r.transcript;
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(run.dir() / "qvl.ini"));
}

TEST(SettingsFiles, AFailedWriteOfTheSettingsAtExitIsShownToThePlayer) {
    Places places;
    ScenarioRun run("save_case");
    run.writeScenarioFile("autorun.txt", "_winexit\n");
    fs::create_directory(run.dir() / "qvl.ini");  // cannot be replaced by a file
    RunResult r = run.run(nullptr, std::string("answer ok\nanswer ok\n"));
    EXPECT_TRUE(contains(r.transcript, "box: Quorvel | qvl.ini を保存できません：" + (run.dir() / "qvl.ini").string() +
                                           "\\n今回変えた設定は残りません。"))
        << r.transcript;
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
