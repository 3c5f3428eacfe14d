#include "app/data_folders.h"

#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/system.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#ifndef QVL_DATA_FROM_BIN
#define QVL_DATA_FROM_BIN "../share/quorvel"
#endif

namespace qvl {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> existingFolder(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_directory(p, ec)) return std::nullopt;
    fs::path canonical = fs::canonical(p, ec);
    return ec ? p : canonical;
}

// One path component made from a ProgramID: no separators, nothing that climbs out.
std::string folderNameFrom(const std::string& id) {
    std::string name = id;
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (name == "." || name == "..") name.clear();
    return name;
}

bool isDriveLetterPath(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

bool inside(const fs::path& child, const fs::path& parent) {
    auto [end, _] = std::mismatch(parent.begin(), parent.end(), child.begin(), child.end());
    return end == parent.end();
}

}  // namespace

std::optional<fs::path> installedDataFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return std::nullopt;
    return existingFolder(exe.parent_path() / QVL_DATA_FROM_BIN);
}

std::optional<fs::path> demoFolder() {
    if (auto data = installedDataFolder())
        if (auto demo = existingFolder(*data / "demo")) return demo;
#if defined(QVL_SOURCE_DIR) && defined(QVL_BUILD_DIR)
    // Run from its build folder: the demo of the source tree it was built from. An
    // installed program never looks there.
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    auto build = existingFolder(QVL_BUILD_DIR);
    if (!ec && build && inside(exe, *build))
        if (auto demo = existingFolder(fs::path(QVL_SOURCE_DIR) / "demo")) return demo;
#endif
    return std::nullopt;
}

fs::path scenarioFolderOf(const fs::path& given) {
    std::error_code ec;
    if (fs::is_regular_file(given, ec)) {
        fs::path parent = given.parent_path();
        return parent.empty() ? fs::path(".") : parent;
    }
    return given;
}

std::optional<fs::path> perUserFolder(const PlayerFolderInputs& in) {
    fs::path base;
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    if (!in.xdgDataHome.empty() && fs::path(in.xdgDataHome).is_absolute())
        base = in.xdgDataHome;
    else if (!in.home.empty() && fs::path(in.home).is_absolute())
        base = fs::path(in.home) / ".local" / "share";
    else
        return std::nullopt;
    std::string name = folderNameFrom(in.programId);
    if (name.empty()) name = folderNameFrom(in.scenarioFolder.filename().string());
    if (name.empty()) name = folderNameFrom(in.scenarioFolder.parent_path().filename().string());
    if (name.empty()) name = "scenario";
    return base / "quorvel" / name;
}

PlayerFolder choosePlayerFolder(const PlayerFolderInputs& in) {
    if (in.scenarioWritable) return {in.scenarioFolder, false};
    if (auto own = perUserFolder(in)) return {*own, true};
    return {in.scenarioFolder, false};
}

PlayerFolderInputs environmentForPlayerFolder(const fs::path& scenarioFolder, const std::string& programIdUtf8) {
    PlayerFolderInputs in;
    in.scenarioFolder = scenarioFolder;
    in.programId = programIdUtf8;
    in.scenarioWritable = platform::folderWritable(scenarioFolder);
    if (in.scenarioWritable) {
        // Files installed with the program are never written, whoever runs it.
        std::error_code ec;
        fs::path here = fs::canonical(scenarioFolder, ec);
        if (auto data = installedDataFolder(); data && !ec && inside(here, *data)) in.scenarioWritable = false;
    }
    if (const char* x = std::getenv("XDG_DATA_HOME")) in.xdgDataHome = x;
    if (const char* h = std::getenv("HOME")) in.home = h;
    return in;
}

std::string relocatedSavePath(const std::string& savePath, const std::string& playerFolderSjis) {
    if (!savePath.empty() && savePath[0] == '/') return savePath;
    std::string rest = savePath;
    if (isDriveLetterPath(rest)) rest.erase(0, 2);
    while (!rest.empty() && (rest[0] == '\\' || rest[0] == '/')) rest.erase(0, 1);
    std::string folder = playerFolderSjis;
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + rest;
}

fs::path savePathTarget(const std::string& savePath, const fs::path& currentDir, const fs::path& driveRoot) {
    std::string rest = savePath;
    fs::path base = currentDir;
    if (!rest.empty() && rest[0] == '/') {
        base = "/";
    } else if (isDriveLetterPath(rest) || (!rest.empty() && rest[0] == '\\')) {
        if (isDriveLetterPath(rest)) rest.erase(0, 2);
        if (!driveRoot.empty()) base = driveRoot;
    }
    // Separators are single bytes; a trail byte 0x5C inside a double-byte character is not one.
    std::string slashed;
    for (std::size_t i = 0; i < rest.size(); i += sjis::charLength(rest, i)) {
        if (sjis::charLength(rest, i) == 1 && rest[i] == '\\') slashed += '/';
        else slashed.append(rest, i, sjis::charLength(rest, i));
    }
    while (!slashed.empty() && slashed[0] == '/') slashed.erase(0, 1);
    return base / platform::sjisToUtf8(slashed);
}

bool liesInside(const std::vector<fs::path>& paths, const std::vector<fs::path>& folders) {
    auto real = [](const fs::path& p) {
        std::error_code ec;
        fs::path r = fs::weakly_canonical(p, ec);
        return ec ? p.lexically_normal() : r;
    };
    std::vector<fs::path> roots;
    for (const auto& f : folders) roots.push_back(real(f));
    auto allowed = [&](const fs::path& p) {
        // A trailing separator leaves an empty last component; drop it before comparing.
        fs::path q = p;
        if (!q.empty() && q.filename().empty()) q = q.parent_path();
        return std::any_of(roots.begin(), roots.end(), [&](const fs::path& root) { return inside(q, root); });
    };
    return std::all_of(paths.begin(), paths.end(), [&](const fs::path& p) {
        return allowed(real(p)) && allowed(real(p.lexically_normal()));
    });
}

std::optional<RefusedSavePath> refusedScenarioSavePath(
    const std::string& savePath, const std::string& source, const SavePathPlaces& at,
    const std::function<std::optional<fs::path>(const std::string&)>& resolve) {
    // No folder has a longer name: such a value is refused without walking it.
    if (savePath.size() <= PATH_MAX) {
        std::vector<fs::path> leads{savePathTarget(savePath, at.currentDir, at.driveRoot)};
        if (resolve)
            if (auto found = resolve(savePath)) leads.push_back(*found);
        std::vector<fs::path> allowed{at.scenarioFolder};
        if (!at.dataFolder.empty()) allowed.push_back(at.dataFolder);
        if (liesInside(leads, allowed)) return std::nullopt;
    }
    RefusedSavePath r;
    r.folder = at.dataFolder.empty() ? at.scenarioFolder : at.dataFolder;
    const std::string shown = platform::sjisToUtf8(sjis::shownValue(savePath));
    r.notice = "SavePath=" + shown + " in the scenario's " + source +
               " leads outside the scenario folder; saves go to " + r.folder.string();
    r.message = platform::utf8ToSjis(source + " の SavePath（" + shown +
                                     "）はシナリオのフォルダの外を指しているので使いません。\nセーブデータは " +
                                     r.folder.string() + " に保存します。");
    return r;
}

}  // namespace qvl
