#include "app/data_folders.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace qvl {
namespace {

namespace fs = std::filesystem;

PlayerFolderInputs readOnly(const std::string& folder, const std::string& id = "") {
    PlayerFolderInputs in;
    in.scenarioFolder = folder;
    in.programId = id;
    in.scenarioWritable = false;
    in.xdgDataHome = "/xdg";
    in.home = "/home/player";
    return in;
}

TEST(PlayerFolder, AWritableScenarioKeepsItsFilesBesideIt) {
    PlayerFolderInputs in = readOnly("/games/tale", "Tale");
    in.scenarioWritable = true;
    PlayerFolder p = choosePlayerFolder(in);
    EXPECT_EQ(p.folder, fs::path("/games/tale"));
    EXPECT_FALSE(p.relocated);
}

TEST(PlayerFolder, AReadOnlyScenarioGoesUnderTheDataHomeByProgramIdOrFolderName) {
    EXPECT_EQ(choosePlayerFolder(readOnly("/media/cdrom", "Tale")).folder, fs::path("/xdg/quorvel/Tale"));
    EXPECT_TRUE(choosePlayerFolder(readOnly("/media/cdrom", "Tale")).relocated);
    EXPECT_EQ(choosePlayerFolder(readOnly("/media/cdrom/")).folder, fs::path("/xdg/quorvel/cdrom"));
    // Unset or relative XDG_DATA_HOME: the default below HOME.
    PlayerFolderInputs in = readOnly("/media/cdrom", "Tale");
    in.xdgDataHome = "";
    EXPECT_EQ(choosePlayerFolder(in).folder, fs::path("/home/player/.local/share/quorvel/Tale"));
    in.xdgDataHome = "relative/data";
    EXPECT_EQ(choosePlayerFolder(in).folder, fs::path("/home/player/.local/share/quorvel/Tale"));
    // Nowhere to go: the scenario folder, and writing fails there as before.
    in.home = "";
    EXPECT_FALSE(choosePlayerFolder(in).relocated);
}

TEST(PlayerFolder, AProgramIdNeverLeadsOutOfTheDataFolder) {
    EXPECT_EQ(choosePlayerFolder(readOnly("/cd", "../../etc")).folder, fs::path("/xdg/quorvel/.._.._etc"));
    EXPECT_EQ(choosePlayerFolder(readOnly("/cd", "a\\b/c")).folder, fs::path("/xdg/quorvel/a_b_c"));
    EXPECT_EQ(choosePlayerFolder(readOnly("/cd/game", "..")).folder, fs::path("/xdg/quorvel/game"));
    EXPECT_EQ(choosePlayerFolder(readOnly("/", "")).folder, fs::path("/xdg/quorvel/scenario"));
}

TEST(PlayerFolder, SavePathsMoveIntoThePlayerFolder) {
    const std::string home = "/xdg/quorvel/Tale";
    EXPECT_EQ(relocatedSavePath("save\\", home), "/xdg/quorvel/Tale/save\\");
    EXPECT_EQ(relocatedSavePath("", home), "/xdg/quorvel/Tale/");
    // A drive letter meant the scenario's own drive: below the player folder too.
    EXPECT_EQ(relocatedSavePath("C:\\Game\\save\\", home), "/xdg/quorvel/Tale/Game\\save\\");
    EXPECT_EQ(relocatedSavePath("q:save", home), "/xdg/quorvel/Tale/save");
    // A real absolute path was chosen by the player and stays.
    EXPECT_EQ(relocatedSavePath("/home/player/saves/", home), "/home/player/saves/");
}

TEST(SavePathTarget, LeadsWhereTheFileLayerFindsIt) {
    const fs::path cwd = "/games/tale", drive = "/media/cd";
    EXPECT_EQ(savePathTarget("save\\", cwd, ""), fs::path("/games/tale/save/"));
    EXPECT_EQ(savePathTarget("/abs/x", cwd, ""), fs::path("/abs/x"));
    EXPECT_EQ(savePathTarget("C:\\save\\", cwd, ""), fs::path("/games/tale/save/"));
    EXPECT_EQ(savePathTarget("C:\\save\\", cwd, drive), fs::path("/media/cd/save/"));
    EXPECT_EQ(savePathTarget("\\save", cwd, drive), fs::path("/media/cd/save"));
    // 0x5C as the trail byte of a double-byte character is no separator.
    EXPECT_EQ(savePathTarget("\x95\x5C", cwd, "").filename().string(), "表");
}

TEST(SavePathTarget, OnlyFoldersInsideTheAllowedOnesPassByTheirRealPath) {
    const fs::path root = fs::temp_directory_path() / ("qvl-inside-" + std::to_string(::getpid()));
    const fs::path game = root / "game", data = root / "data" / "quorvel" / "game", outside = root / "outside";
    fs::create_directories(game / "save");
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, game / "link");
    const std::vector<fs::path> allowed{game, data};  // the data folder need not exist yet
    auto ok = [&](const fs::path& p) { return liesInside({p}, allowed); };
    EXPECT_TRUE(ok(game));
    EXPECT_TRUE(ok(game / "save/"));
    EXPECT_TRUE(ok(game / "new" / "deeper/"));
    EXPECT_TRUE(ok(game / "save" / ".." / "other"));
    EXPECT_TRUE(ok(data / "save/"));
    EXPECT_FALSE(ok(game / ".."));
    EXPECT_FALSE(ok(game / ".." / ".." / ".." / "etc/"));
    EXPECT_FALSE(ok(data / ".." / "other-game"));
    EXPECT_FALSE(ok(outside));
    EXPECT_FALSE(ok("/etc"));
    EXPECT_FALSE(ok(root / "gameover"));  // a name that merely starts alike
    // A link inside leads out; so does ".." after it as the system follows it.
    EXPECT_FALSE(ok(game / "link/"));
    EXPECT_FALSE(ok(game / "link" / "sub"));
    EXPECT_FALSE(ok(game / "link" / ".." / "outside"));
    EXPECT_FALSE(liesInside({game / "save", outside}, allowed));

    // The whole decision: the file layer's find counts too; an endless value is not walked.
    const SavePathPlaces at{game, "", game, data};
    EXPECT_FALSE(refusedScenarioSavePath("save\\", "qvl.cfg", at, nullptr));
    EXPECT_TRUE(refusedScenarioSavePath("SAVE\\", "qvl.cfg", at, [&](const std::string&) { return game / "link"; }));
    bool walked = false;
    auto refused = refusedScenarioSavePath(std::string(300000, '/'), "qvl.ini", at, [&](const std::string&) {
        walked = true;
        return std::optional<fs::path>();
    });
    ASSERT_TRUE(refused);
    EXPECT_FALSE(walked);
    EXPECT_EQ(refused->folder, data);
    EXPECT_LT(refused->notice.size(), 300u);
    fs::remove_all(root);
}

TEST(ScenarioFolder, AFileStandsForItsFolder) {
    const fs::path dir = fs::temp_directory_path() / ("qvl-folder-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "qvl.cfg") << "SavePath=save\\\r\n";
    EXPECT_EQ(scenarioFolderOf(dir / "qvl.cfg"), dir);
    EXPECT_EQ(scenarioFolderOf(dir), dir);
    EXPECT_EQ(scenarioFolderOf(dir / "missing"), dir / "missing");  // left for the caller to report
    fs::remove_all(dir);
}

TEST(ScenarioFolder, WritabilityIsAskedOfTheSystem) {
    const fs::path dir = fs::temp_directory_path() / ("qvl-writable-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    EXPECT_TRUE(environmentForPlayerFolder(dir, "").scenarioWritable);
    EXPECT_FALSE(environmentForPlayerFolder(dir / "missing", "").scenarioWritable);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace qvl
