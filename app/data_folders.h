#pragma once
// Where the program finds its own data (the demo scenario), and where a player's
// files (qvl.ini, saves) go when the scenario folder cannot take them.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

// <prefix>/share/quorvel for a program installed as <prefix>/bin/quorvel, found from
// the running executable so a staged or moved install needs no configuration.
// Nothing when the program does not run from an install.
std::optional<std::filesystem::path> installedDataFolder();

// The bundled demo scenario: the installed copy, else the source tree's when the
// program runs from its build folder. Nothing when neither exists.
std::optional<std::filesystem::path> demoFolder();

// A scenario named on the command line: a folder as it is, a file (qvl.cfg,
// autorun.txt, a script chosen in a file manager) by the folder that holds it.
std::filesystem::path scenarioFolderOf(const std::filesystem::path& given);

// What the player-folder decision looks at; filled from the process by
// environmentForPlayerFolder(), by hand in tests.
struct PlayerFolderInputs {
    std::filesystem::path scenarioFolder;  // where the scenario runs (after InstallPath)
    std::string programId;                 // ProgramID of qvl.cfg, UTF-8, may be empty
    bool scenarioWritable = true;          // the scenario folder takes new files
    std::string xdgDataHome;               // $XDG_DATA_HOME, may be empty
    std::string home;                      // $HOME, may be empty
};

struct PlayerFolder {
    std::filesystem::path folder;  // where qvl.ini lives; relative save paths point here
    bool relocated = false;        // not the scenario folder
};

// This scenario's folder among the player's data: $XDG_DATA_HOME/quorvel/<ProgramID or
// folder name> (default ~/.local/share). Nothing without a usable home.
std::optional<std::filesystem::path> perUserFolder(const PlayerFolderInputs& in);

// The scenario folder when it is writable, so saves of earlier runs are found where
// they always were; otherwise $XDG_DATA_HOME/quorvel/<ProgramID or folder name>
// (default ~/.local/share). With no usable home either, the scenario folder.
PlayerFolder choosePlayerFolder(const PlayerFolderInputs& in);

// The decision inputs of this process for a scenario folder. A folder inside the
// program's installed data counts as not writable even for root.
PlayerFolderInputs environmentForPlayerFolder(const std::filesystem::path& scenarioFolder,
                                              const std::string& programIdUtf8);

// A SavePath as the files give it (Shift-JIS), moved into the player folder: relative
// paths and drive-letter paths ("C:\save\") land below it, POSIX absolute paths stay.
// An empty SavePath becomes the player folder itself.
std::string relocatedSavePath(const std::string& savePath, const std::string& playerFolderSjis);

// Where a SavePath (Shift-JIS, '\\' or '/' separators) leads, as the file layer finds
// it from the current directory: drive prefixes ("C:\\") and a leading separator lead
// to driveRoot, or to the current directory when there is none. Not normalised.
std::filesystem::path savePathTarget(const std::string& savePathSjis, const std::filesystem::path& currentDir,
                                     const std::filesystem::path& driveRoot);

// Whether every path lies inside one of the folders, compared by real paths: the
// part that exists has its links and ".." resolved by the system, and the path is
// also checked with ".." taken as text, so neither reading climbs out.
bool liesInside(const std::vector<std::filesystem::path>& paths, const std::vector<std::filesystem::path>& folders);

// Where a SavePath from the scenario's own files is checked, and what is said when it
// is refused.
struct SavePathPlaces {
    std::filesystem::path currentDir;
    std::filesystem::path driveRoot;       // empty: drive prefixes lead to currentDir
    std::filesystem::path scenarioFolder;  // the start directory
    std::filesystem::path dataFolder;      // empty without a usable home
};
struct RefusedSavePath {
    std::filesystem::path folder;  // where the saves go instead
    std::string notice;            // UTF-8, for the transcript and stderr
    std::string message;           // Shift-JIS, for the player
};

// Nothing when a SavePath (Shift-JIS) that the scenario's file `source` gave leads
// inside the scenario folder or the data folder, by savePathTarget and, when given,
// by what resolve (the file layer's letter-case-blind lookup) finds for it.
std::optional<RefusedSavePath> refusedScenarioSavePath(
    const std::string& savePathSjis, const std::string& source, const SavePathPlaces& at,
    const std::function<std::optional<std::filesystem::path>(const std::string&)>& resolve);

}  // namespace qvl
