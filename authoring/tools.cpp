#include "authoring/tools.h"

#include "app/data_folders.h"
#include "app/engine_settings.h"
#include "base/config_list.h"
#include "authoring/checker.h"
#include "authoring/map_drawing.h"
#include "authoring/read_coverage.h"
#include "authoring/story_map.h"
#include "platform/files.h"
#include "platform/encoding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qvl::authoring {

namespace {

bool enter(const std::string& dir) {
    if (platform::FileSystem::setCurrentPath(dir)) return true;
    std::cerr << "quorvel: cannot enter " << dir << "\n";
    return false;
}

std::string extensionOf(const std::string& file) {
    std::string ext = fs::path(file).extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Paths taken, paths queued and the time so far, rewritten in place twice a second;
// only for a person watching a terminal, never into a log.
void showProgress(ExploreOptions& options) {
    if (!::isatty(STDERR_FILENO)) return;
    const auto start = std::chrono::steady_clock::now();
    auto shown = start;
    options.progress = [start, shown](int taken, std::size_t queued) mutable {
        const auto now = std::chrono::steady_clock::now();
        if (now - shown < std::chrono::milliseconds(500) && queued > 0) return;
        shown = now;
        const double seconds = std::chrono::duration<double>(now - start).count();
        std::fprintf(stderr, "\rexplore: %d paths taken, %zu queued, %.1f s\033[K", taken, queued, seconds);
        if (queued == 0) std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    };
}

void clearProgress(const ExploreOptions& options) {
    if (!options.progress) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

bool writeMap(const StoryMap& map, const MapRequest& request, const std::vector<ReadShare>* reading) {
    const std::string dot = map.dot(MapStyle{request.maxDepth, reading});
    std::string bytes = dot, reason;
    const std::string ext = extensionOf(request.file);
    if (ext != ".dot" && !drawGraph(dot, ext.substr(1), bytes, reason)) {
        std::cerr << "quorvel: " << reason << "\n";
        return false;
    }
    std::ofstream out(request.file, std::ios::binary);
    out << bytes;
    if (!out) {
        std::cerr << "quorvel: cannot write " << request.file << "\n";
        return false;
    }
    return true;
}

std::optional<std::string> readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The scenario's own textid.dat, where the engine keeps it for this player: the
// settings read as at start-up (qvl.cfg, the player's or the shipped qvl.ini, the
// save folder moved along with a read-only scenario's player folder). Nothing
// when the scenario keeps no marks.
std::optional<fs::path> ownMarksFile() {
    platform::FileSystem files;
    std::optional<std::string> cfgBytes;
    if (auto path = files.resolve("qvl.cfg")) cfgBytes = readConfigFile(*path, "qvl.cfg");
    const ConfigList cfg = ConfigList::fromBytes(cfgBytes.value_or(""));
    const fs::path start = platform::FileSystem::currentPath();
    const PlayerFolderInputs where = environmentForPlayerFolder(start, platform::sjisToUtf8(cfg.value("ProgramID")));
    const PlayerFolder player = choosePlayerFolder(where);
    std::optional<std::string> iniBytes;
    if (auto data = perUserFolder(where))
        if (auto path = files.resolve(platform::FileSystem::toSjis(*data / "qvl.ini")))
            iniBytes = readConfigFile(*path, "qvl.ini");
    if (!iniBytes)
        if (auto path = files.resolve("qvl.ini")) iniBytes = readConfigFile(*path, "qvl.ini");
    std::optional<ConfigList> ini;
    if (iniBytes) ini = ConfigList::fromBytes(*iniBytes);
    EngineSettings settings;
    applySettings(settings, cfg, ini ? &*ini : nullptr);
    if (!settings.TextMaxIndex) return std::nullopt;
    if (player.relocated)
        settings.SavePath = relocatedSavePath(settings.SavePath, platform::FileSystem::toSjis(player.folder));
    // As the engine finds its save folder: SavePath resolved like any file name.
    fs::path folder = start;
    if (!settings.SavePath.empty()) {
        std::string slashed = settings.SavePath;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        folder = files.resolve(settings.SavePath).value_or(platform::FileSystem::fromSjis(slashed));
    }
    return fs::absolute(folder / "textid.dat");
}

}  // namespace

bool knownMapFormat(const std::string& file) {
    const std::string ext = extensionOf(file);
    return ext == ".svg" || ext == ".png" || ext == ".dot";
}

int runCheck(const std::string& dir, bool json) {
    if (!enter(dir)) return 2;
    FolderFiles files;
    const std::vector<Finding> findings = checkScenario(files);
    std::cout << (json ? findingsJson(findings) : findingsText(findings));
    return findings.empty() ? 0 : 1;
}

int runExplore(const std::string& dir, ExploreOptions options, bool json, const MapRequest& map) {
    MapRequest request = map;
    if (!request.file.empty()) request.file = fs::absolute(request.file).string();
    if (!enter(dir)) return 2;
    showProgress(options);
    const ExploreReport report = explore(options);
    clearProgress(options);
    std::cout << (json ? exploreJson(report) : exploreText(report));
    if (!request.file.empty()) {
        FolderFiles files;
        if (!writeMap(StoryMap(report, files), request, nullptr)) return 2;
    }
    bool clean = !report.truncated && report.unreached.empty();
    for (const PathRun& p : report.paths) clean = clean && p.errors.empty();
    return clean ? 0 : 1;
}

int runCoverage(const std::string& dir, ExploreOptions options, const std::vector<std::string>& marks, bool json,
                const MapRequest& map) {
    MapRequest request = map;
    if (!request.file.empty()) request.file = fs::absolute(request.file).string();
    std::vector<fs::path> markFiles;
    for (const std::string& m : marks) markFiles.push_back(fs::absolute(m));
    if (!enter(dir)) return 2;

    if (markFiles.empty()) {
        auto own = ownMarksFile();
        if (!own) {
            std::cerr << "quorvel: the scenario keeps no read marks (qvl.cfg has no TextMaxIndex)\n";
            return 2;
        }
        markFiles.push_back(*own);
    }
    std::vector<std::string> names, bytes;
    for (const fs::path& file : markFiles) {
        auto read = readBytes(file);
        if (!read && marks.empty()) {
            // No player has finished a run here yet: nothing was read.
            std::cerr << "quorvel: no " << file.string() << " yet; counting every line as unread\n";
            read = std::string();
        }
        if (!read) {
            std::cerr << "quorvel: cannot read " << file.string() << "\n";
            return 2;
        }
        names.push_back(file.string());
        bytes.push_back(std::move(*read));
    }

    showProgress(options);
    const ExploreReport report = explore(options);
    clearProgress(options);
    FolderFiles files;
    const StoryMap storyMap(report, files);
    const CoverageReport coverage = readCoverage(files, names, bytes, &storyMap);
    std::cout << (json ? coverageJson(coverage, &storyMap) : coverageText(coverage, &storyMap));
    if (!request.file.empty() && !writeMap(storyMap, request, &coverage.scenes)) return 2;
    for (const TextLine& l : coverage.lines)
        if (!l.read) return 1;
    return 0;
}

}  // namespace qvl::authoring
