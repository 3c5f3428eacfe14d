#include "platform/data_folders.h"

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
