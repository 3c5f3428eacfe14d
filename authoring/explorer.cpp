#include "authoring/explorer.h"

#include "app/tfmain.h"
#include "authoring/checker.h"
#include "authoring/explorer_platform.h"
#include "authoring/scenario_files.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "script/interpreter.h"

#include <nlohmann/json.hpp>

#include <deque>
#include <filesystem>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qvl::authoring {

namespace {

// A private copy of the scenario folder for one run: folders made anew, files
// linked. What a run writes (settings, global flags, read marks) replaces a link
// in the copy and never reaches the author's folder, so every run starts alike.
class ShadowFolder {
public:
    explicit ShadowFolder(const fs::path& source) {
        static int counter = 0;
        root_ = fs::temp_directory_path() /
                ("quorvel-explore-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(root_);
        std::error_code ec;
        for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path target = root_ / fs::relative(it->path(), source);
            if (it->is_directory(ec))
                fs::create_directories(target, ec);
            else
                fs::create_symlink(fs::absolute(it->path()), target, ec);
        }
        fs::current_path(root_);
    }
    ~ShadowFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    ShadowFolder(const ShadowFolder&) = delete;
    ShadowFolder& operator=(const ShadowFolder&) = delete;

private:
    fs::path root_;
};

using Reached = std::set<std::pair<std::string, int32_t>>;  // script name as the run gave it, 0-based line

// The transcript as it is written, a line at a time, to a listener that files it
// under the scene being played; the whole text is kept too.
class TranscriptTap final : public std::streambuf {
public:
    explicit TranscriptTap(std::function<void(const std::string&)> onLine) : onLine_(std::move(onLine)) {}
    const std::string& text() const { return text_; }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return 0;
        text_ += char(c);
        if (c == '\n') {
            onLine_(text_.substr(lineStart_, text_.size() - 1 - lineStart_));
            lineStart_ = text_.size();
        }
        return c;
    }

private:
    std::function<void(const std::string&)> onLine_;
    std::string text_;
    std::size_t lineStart_ = 0;
};

struct RunOutcome {
    PathRun path;
    std::vector<ChoiceMet> met;
};

RunOutcome runPath(const std::vector<int>& prefix, const ExploreOptions& options, const fs::path& folder,
                   Reached& reached) {
    RunOutcome out;
    std::vector<SceneRun>& scenes = out.path.scenes;
    std::vector<std::pair<std::string, int32_t>> firstLine{{"autorun.txt", 0}};
    {
        ShadowFolder shadow(folder);
        ExplorerPlatform platform(prefix, options.maxChoices);
        // The scene being played: one more than the choices taken so far.
        auto scene = [&]() -> SceneRun& {
            const std::size_t depth = platform.choicesMet().size();
            while (scenes.size() <= depth) {
                scenes.emplace_back();
                if (scenes.size() > 1) scenes.back().chapter = scenes[scenes.size() - 2].chapter;
            }
            return scenes[depth];
        };
        scene().lines = firstLine;
        TranscriptTap tap([&](const std::string& line) {
            SceneRun& here = scene();
            if (line.starts_with("chapter: ") && here.firstText.empty()) here.chapter = line.substr(9);
            if (line.starts_with("text: ") && here.firstText.empty()) here.firstText = line.substr(6);
            if (line.starts_with("error: ")) here.errors.push_back(line.substr(7));
        });
        std::ostream transcript(&tap);
        TFmainOptions o;
        o.transcript = &transcript;
        o.maxSteps = options.maxSteps;
        o.lineObserver = [&](const std::string& name, int32_t line) {
            reached.insert({name, line});
            scene().lines.emplace_back(name, line);
        };
        TFmain app(platform, o);
        platform.watch(&app.choices(), [&app] {
            const InterpreterState& s = app.state;
            std::string key = s.ProgFileName + '\n' + std::to_string(s.ProgExecLine) + '\n' +
                              std::to_string(s.ProgIfResult) + '\n' + std::to_string(s.ProgRetStack);
            for (int i = 0; i <= s.ProgRetStack && i < kReturnStackSize; ++i)
                key += ' ' + std::to_string(s.ProgRetAddr[std::size_t(i)]);
            for (int i = 0; i < kFlagCount; ++i) key += '\n' + app.flags.text(i);
            return key;
        });
        app.run();
        out.met = platform.choicesMet();
        out.path.loopKey = platform.loopKey();

        const InterpreterState& s = app.state;
        const bool inside = s.ProgExecLine >= 0 && std::size_t(s.ProgExecLine) < app.program.Lines.size();
        std::string lastEvent, lastError;
        bool exited = false, limit = platform.choiceLimitReached();
        std::istringstream lines(tap.text());
        for (std::string line; std::getline(lines, line);) {
            auto after = [&](std::string_view prefix) { return line.substr(prefix.size()); };
            if (line.starts_with("chapter: ")) out.path.chapter = after("chapter: ");
            if (line.starts_with("text: ")) out.path.lastText = after("text: ");
            if (line.starts_with("error: ")) out.path.errors.push_back(lastError = after("error: "));
            if (line.starts_with("exit: ")) exited = true;
            if (line == "timeout") limit = true;
            if (!line.starts_with("box: ") && line != "idle" && line != "timeout") lastEvent = line;
        }
        // A fault ends the script at the line that reported it.
        const std::string here = "File:" + platform::sjisToUtf8(s.ProgFileName) +
                                 " Line:" + std::to_string(int64_t(s.ProgExecLine) + 1) + "/";
        if (exited)
            out.path.end = RunEnd::Exited;
        else if (platform.loopFound())
            out.path.end = RunEnd::Loop;
        else if (limit)
            out.path.end = RunEnd::Limit;
        else if (!inside)
            out.path.end = RunEnd::Finished;
        else if (lastEvent.starts_with("error: ") && lastError.starts_with(here))
            out.path.end = RunEnd::Error;
        else
            out.path.end = RunEnd::Waiting;
        // The start script's first line runs before any line reports the next.
        reached.insert({"autorun.txt", 0});
    }
    fs::current_path(folder);
    for (const ChoiceMet& c : out.met) {
        out.path.choiceKeys.push_back(c.stateKey);
        out.path.choiceLabels.push_back(c.labels);
        out.path.choices.push_back(c.taken);
        out.path.labels.push_back(std::size_t(c.taken) < c.labels.size() ? c.labels[std::size_t(c.taken)] : "");
    }
    return out;
}

// The lines a run can stand on: commands (block markers aside), chapter titles
// and text. Option lines and scroll lines are read by the command above them.
std::vector<bool> executableLines(const std::vector<std::string>& lines) {
    std::vector<bool> out(lines.size(), false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ClassifiedLine c;
        try {
            c = classifyLine(lines[i]);
        } catch (const std::exception&) {
            out[i] = true;
            continue;
        }
        if (c.kind == LineKind::Blank || c.kind == LineKind::Label || c.kind == LineKind::Comment) continue;
        const std::string word = c.text.substr(0, c.text.find(' '));
        if (c.kind == LineKind::Command && word.starts_with("_end")) continue;
        out[i] = true;
        std::string marker;
        if (word == "_selmenu" || word == "_selbutton" || word == "_selcgmode") marker = "_endsel";
        if (word == "_scroll") marker = "_endscroll";
        if (marker.empty()) continue;
        while (i + 1 < lines.size() && sjis::trim(lines[i + 1]) != marker) ++i;
    }
    return out;
}

std::string rangeText(const LineRange& r) {
    return r.first == r.last ? std::to_string(r.first) : std::to_string(r.first) + "-" + std::to_string(r.last);
}

}  // namespace

ExploreReport explore(const ExploreOptions& options) {
    const fs::path folder = fs::current_path();
    ExploreReport report;
    Reached reached;
    // The file the loader reads for each name a run gave (lower case, Shift-JIS).
    FolderFiles files;
    std::map<std::string, std::string> fileOfName;
    std::map<std::string, std::string> shownName;  // lower-case file -> UTF-8 as read
    auto fileOf = [&](const std::string& name) -> const std::string& {
        auto it = fileOfName.find(name);
        if (it == fileOfName.end()) {
            auto source = files.readScript(name);
            it = fileOfName.emplace(name, source ? sjis::toLower(source->fileName) : std::string()).first;
            if (source) shownName.emplace(it->second, platform::sjisToUtf8(source->fileName));
        }
        return it->second;
    };
    std::deque<std::vector<int>> queue{{}};
    // Choices whose other items are already queued: a state met again has nothing new.
    std::set<std::string> expanded;
    while (!queue.empty()) {
        if (int(report.paths.size()) >= options.maxRuns) {
            report.truncated = true;
            break;
        }
        const std::vector<int> prefix = std::move(queue.front());
        queue.pop_front();
        RunOutcome run = runPath(prefix, options, folder, reached);
        // Every other item of every choice past the prefix is a path still to take.
        for (std::size_t d = prefix.size(); d < run.met.size(); ++d) {
            if (!expanded.insert(run.met[d].stateKey).second) continue;
            for (std::size_t i = 0; i < run.met[d].selectable.size(); ++i) {
                if (!run.met[d].selectable[i] || int(i) == run.met[d].taken) continue;
                std::vector<int> next(run.path.choices.begin(), run.path.choices.begin() + std::ptrdiff_t(d));
                next.push_back(int(i));
                queue.push_back(std::move(next));
            }
        }
        for (SceneRun& scene : run.path.scenes)
            for (auto& [name, line] : scene.lines) {
                auto shown = shownName.find(fileOf(name));
                name = shown == shownName.end() ? platform::sjisToUtf8(name) : shown->second;
                ++line;
            }
        report.paths.push_back(std::move(run.path));
        if (options.progress) options.progress(int(report.paths.size()), queue.size());
    }

    // Lines reached, by the file the loader reads for each name a run gave.
    std::map<std::string, std::set<int32_t>> byFile;
    for (const auto& [name, line] : reached) byFile[fileOf(name)].insert(line);
    for (const ScriptSource& script : reachableScripts(files)) {
        const std::set<int32_t>& hit = byFile[sjis::toLower(script.fileName)];
        const std::vector<bool> exec = executableLines(script.lines);
        std::vector<LineRange> ranges;
        bool open = false;
        for (std::size_t i = 0; i < exec.size(); ++i) {
            if (!exec[i]) continue;
            const int32_t n = int32_t(i + 1);
            if (hit.count(int32_t(i))) {
                open = false;
            } else if (open) {
                ranges.back().last = n;
            } else {
                ranges.push_back({n, n});
                open = true;
            }
        }
        if (!ranges.empty()) report.unreached.emplace_back(platform::sjisToUtf8(script.fileName), std::move(ranges));
    }
    return report;
}

const char* endName(RunEnd end) {
    switch (end) {
        case RunEnd::Finished: return "end";
        case RunEnd::Exited: return "exit";
        case RunEnd::Error: return "error";
        case RunEnd::Waiting: return "waiting";
        case RunEnd::Limit: return "limit";
        case RunEnd::Loop: return "loop";
    }
    return "";
}

std::string pathText(const std::vector<int>& choices) {
    std::string out = "[";
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i) out += ',';
        out += std::to_string(choices[i]);
    }
    return out + "]";
}

std::string exploreText(const ExploreReport& report) {
    std::string out = "paths: " + std::to_string(report.paths.size()) +
                      (report.truncated ? " (stopped at the run limit; more paths remain)" : "") + "\n";
    for (const PathRun& p : report.paths) {
        out += "  " + pathText(p.choices) + " " + endName(p.end);
        std::string labels;
        for (const std::string& l : p.labels) {
            if (!labels.empty()) labels += " > ";
            labels += l;
        }
        if (!labels.empty()) out += ": " + labels;
        out += "\n";
    }
    out += "errors:\n";
    for (const PathRun& p : report.paths)
        for (std::size_t i = 0; i < p.errors.size(); ++i) {
            const bool ending = p.end == RunEnd::Error && i + 1 == p.errors.size();
            out += "  " + pathText(p.choices) + (ending ? " ends: " : " ") + p.errors[i] + "\n";
        }
    out += "endings:\n";
    std::vector<std::pair<std::string, std::vector<std::string>>> endings;
    for (const PathRun& p : report.paths) {
        const std::string key = std::string(endName(p.end)) + " | " + p.chapter + " | " + p.lastText;
        auto it = std::find_if(endings.begin(), endings.end(), [&](const auto& e) { return e.first == key; });
        if (it == endings.end()) it = endings.insert(endings.end(), {key, {}});
        it->second.push_back(pathText(p.choices));
    }
    for (const auto& [key, paths] : endings) {
        out += "  " + key + " <-";
        for (const std::string& p : paths) out += " " + p;
        out += "\n";
    }
    out += "never reached:\n";
    for (const auto& [file, ranges] : report.unreached) {
        out += "  " + file + ":";
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            out += i ? ", " : " ";
            out += rangeText(ranges[i]);
        }
        out += "\n";
    }
    return out;
}

std::string exploreJson(const ExploreReport& report) {
    using nlohmann::ordered_json;
    ordered_json paths = ordered_json::array();
    for (const PathRun& p : report.paths) {
        ordered_json choices = ordered_json::array();
        for (int c : p.choices) choices.push_back(int64_t(c));
        paths.push_back({
            {"choices", std::move(choices)},
            {"labels", p.labels},
            {"end", endName(p.end)},
            {"chapter", p.chapter},
            {"lastText", p.lastText},
            {"errors", p.errors},
        });
    }
    ordered_json unreached = ordered_json::object();
    for (const auto& [file, ranges] : report.unreached) {
        ordered_json list = ordered_json::array();
        for (const LineRange& r : ranges) list.push_back({int64_t(r.first), int64_t(r.last)});
        unreached[file] = std::move(list);
    }
    const ordered_json j = {{"truncated", report.truncated}, {"paths", std::move(paths)}, {"unreached", std::move(unreached)}};
    // A blank line after the report, as it always ended.
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n\n";
}

}  // namespace qvl::authoring
