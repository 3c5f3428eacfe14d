#include "authoring/read_coverage.h"

#include "authoring/checker.h"
#include "platform/encoding.h"
#include "script/interpreter.h"

#include <nlohmann/json.hpp>

#include <map>

namespace qvl::authoring {

namespace {

// Bit id % 8 of byte id / 8, least significant first, as the engine keeps them.
bool marked(const std::string& bytes, int32_t id) {
    if (id < 0 || std::size_t(id / 8) >= bytes.size()) return false;
    return (static_cast<unsigned char>(bytes[std::size_t(id / 8)]) >> (id % 8)) & 1;
}

std::string percent(int read, int total) {
    return total ? std::to_string((read * 100 + total / 2) / total) + "%" : "-";
}

}  // namespace

CoverageReport readCoverage(ScenarioFiles& files, const std::vector<std::string>& markFiles,
                            const std::vector<std::string>& markBytes, const StoryMap* map) {
    CoverageReport report;
    report.marks = markFiles;
    std::map<std::pair<std::string, int32_t>, std::size_t> byPlace;
    for (const ScriptSource& script : reachableScripts(files)) {
        FileCoverage file{platform::sjisToUtf8(script.fileName)};
        std::string blockEnd;  // option and scroll lines are read by their command, not shown
        for (std::size_t i = 0; i < script.lines.size(); ++i) {
            ClassifiedLine c;
            try {
                c = classifyLine(script.lines[i]);
            } catch (const std::exception&) {
                continue;
            }
            const std::string word = c.text.substr(0, c.text.find(' '));
            if (!blockEnd.empty()) {
                if (c.kind == LineKind::Command && word == blockEnd) blockEnd.clear();
                continue;
            }
            if (c.kind == LineKind::Command) {
                if (word == "_selmenu" || word == "_selbutton" || word == "_selcgmode") blockEnd = "_endsel";
                if (word == "_scroll") blockEnd = "_endscroll";
            }
            if (c.kind != LineKind::Text && c.kind != LineKind::Unpaged) continue;
            if (c.textId < 0) {
                ++file.withoutId;
                continue;
            }
            TextLine line{file.file, int32_t(i + 1), c.textId, platform::sjisToUtf8(c.text), false};
            for (const std::string& bytes : markBytes) line.read = line.read || marked(bytes, line.id);
            ++file.total;
            file.read += line.read;
            byPlace[{line.file, line.line}] = report.lines.size();
            report.lines.push_back(std::move(line));
        }
        report.files.push_back(std::move(file));
    }
    if (map)
        for (const MapScene& scene : map->scenes()) {
            ReadShare share;
            for (const auto& place : scene.lines) {
                auto it = byPlace.find(place);
                if (it == byPlace.end()) continue;
                ++share.total;
                share.read += report.lines[it->second].read;
            }
            report.scenes.push_back(share);
        }
    return report;
}

std::string coverageText(const CoverageReport& report, const StoryMap* map) {
    std::string out = "marks:";
    for (const std::string& m : report.marks) out += " " + m;
    out += "\nfiles:\n";
    for (const FileCoverage& f : report.files) {
        out += "  " + f.file + ": " + std::to_string(f.read) + "/" + std::to_string(f.total) + " read (" +
               percent(f.read, f.total) + ")";
        if (f.withoutId) out += ", " + std::to_string(f.withoutId) + " text lines without an identifier";
        out += "\n";
    }
    if (map) {
        out += "branches:\n";
        for (std::size_t s = 0; s < map->scenes().size() && s < report.scenes.size(); ++s) {
            const ReadShare r = report.scenes[s];
            if (!map->scenes()[s].live || r.total == 0) continue;
            out += "  " + map->sceneName(int(s)) + ": " + std::to_string(r.read) + "/" + std::to_string(r.total) +
                   " read (" + percent(r.read, r.total) + ")\n";
        }
    }
    for (const TextLine& l : report.lines)
        if (!l.read) out += l.file + ":" + std::to_string(l.line) + ": unread: " + l.text + "\n";
    return out;
}

std::string coverageJson(const CoverageReport& report, const StoryMap* map) {
    using nlohmann::ordered_json;
    ordered_json files = ordered_json::array();
    for (const FileCoverage& f : report.files)
        files.push_back({{"file", f.file}, {"read", f.read}, {"total", f.total}, {"withoutId", f.withoutId}});
    ordered_json branches = ordered_json::array();
    if (map)
        for (std::size_t s = 0; s < map->scenes().size() && s < report.scenes.size(); ++s) {
            const ReadShare r = report.scenes[s];
            if (!map->scenes()[s].live || r.total == 0) continue;
            branches.push_back({{"name", map->sceneName(int(s))},
                                {"firstLine", map->scenes()[s].firstLine},
                                {"read", r.read},
                                {"total", r.total}});
        }
    ordered_json lines = ordered_json::array();
    for (const TextLine& l : report.lines)
        lines.push_back({{"file", l.file}, {"line", l.line}, {"id", l.id}, {"text", l.text}, {"read", l.read}});
    const ordered_json j = {{"marks", report.marks}, {"files", std::move(files)}, {"branches", std::move(branches)},
                            {"lines", std::move(lines)}};
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace qvl::authoring
