#include "authoring/story_map.h"

#include "platform/encoding.h"
#include "script/interpreter.h"

#include <algorithm>

namespace qvl::authoring {

namespace {

// Long lines would make boxes as wide as the page: a label keeps its first characters.
std::string shortened(const std::string& utf8, std::size_t characters = 28) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
        if (count++ == characters) return utf8.substr(0, i) + "…";
    }
    return utf8;
}

// A DOT string: quotes and backslashes escaped; "\n" between the lines given.
std::string label(const std::vector<std::string>& lines, const char* separator = "\\n") {
    std::string out = "\"";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += separator;
        for (char c : lines[i]) {
            if (c == '"' || c == '\\') out += '\\';
            if (c == '\n' || c == '\r') c = ' ';
            out += c;
        }
    }
    return out + "\"";
}

std::string endingKey(const PathRun& p) {
    std::string key = std::string(endName(p.end)) + '\n' + p.chapter + '\n' + p.lastText;
    if (p.end == RunEnd::Error && !p.errors.empty()) key += '\n' + p.errors.back();
    return key;
}

const char* endWords(RunEnd end) {
    switch (end) {
        case RunEnd::Finished: return "end";
        case RunEnd::Exited: return "exit";
        case RunEnd::Error: return "error";
        case RunEnd::Waiting: return "waits for ever";
        case RunEnd::Limit: return "stopped: step or choice limit";
        case RunEnd::Loop: return "loop";
    }
    return "";
}

// The text of a line as an author wrote it, without its identifier prefix.
std::string lineText(const std::vector<std::string>& lines, int32_t line) {
    if (line < 1 || std::size_t(line) > lines.size()) return "";
    std::string text = lines[std::size_t(line - 1)];
    try {
        text = classifyLine(text).text;
    } catch (const std::exception&) {
    }
    return platform::sjisToUtf8(text);
}

std::set<int> targetsOf(const MapChoice& c) {
    std::set<int> out;
    for (const auto& [item, target] : c.next) out.insert(target);
    return out;
}

}  // namespace

StoryMap::StoryMap(const ExploreReport& report, ScenarioFiles& files)
    : truncated_(report.truncated), paths_(report.paths.size()) {
    for (const PathRun& p : report.paths) {
        int previous = -1;
        for (std::size_t k = 0; k < p.scenes.size(); ++k) {
            const SceneRun& run = p.scenes[k];
            const std::string first = run.lines.empty() ? std::string("autorun.txt:1")
                                                        : run.lines.front().first + ":" +
                                                              std::to_string(run.lines.front().second);
            const std::string start = k == 0 ? std::string("start") : first;
            // A scene is where it starts and where it leads: the same pair is the same
            // scene on every path, and a loop meets its own scene again.
            std::string end;
            if (k < p.choiceKeys.size())
                end = "choice\n" + p.choiceKeys[k];
            else if (p.end == RunEnd::Loop && !p.loopKey.empty())
                end = "choice\n" + p.loopKey;
            else
                end = "ending\n" + endingKey(p);
            const int s = sceneFor(start + '\x1f' + end);
            MapScene& scene = scenes_[std::size_t(s)];
            scene.depth = std::min(scene.depth, int(k));
            if (scene.firstLine.empty()) {
                scene.firstLine = first;
                scene.chapter = run.chapter;
                scene.firstText = run.firstText;
            }
            scene.lines.insert(run.lines.begin(), run.lines.end());
            const bool lastOfError = p.end == RunEnd::Error && k + 1 == p.scenes.size();
            for (std::size_t e = 0; e < run.errors.size(); ++e) {
                if (lastOfError && e + 1 == run.errors.size()) continue;
                if (std::find(scene.errors.begin(), scene.errors.end(), run.errors[e]) == scene.errors.end())
                    scene.errors.push_back(run.errors[e]);
            }
            if (end.starts_with("choice\n")) {
                auto [it, added] = choiceKeys_.emplace(end, int(choices_.size()));
                if (added) choices_.emplace_back();
                MapChoice& choice = choices_[std::size_t(it->second)];
                if (k < p.choiceLabels.size() && choice.labels.empty()) choice.labels = p.choiceLabels[k];
                choice.from.insert(s);
                scene.choice = it->second;
            } else {
                auto [it, added] = endingKeys_.emplace(end, int(endings_.size()));
                if (added) endings_.push_back({p.end, p.chapter, p.lastText,
                                               p.end == RunEnd::Error && !p.errors.empty() ? p.errors.back() : ""});
                scene.ending = it->second;
            }
            if (previous >= 0) {
                const MapScene& before = scenes_[std::size_t(previous)];
                if (before.choice >= 0) choices_[std::size_t(before.choice)].next.emplace(p.choices[k - 1], s);
            }
            previous = s;
        }
    }
    foldStraightRuns();

    for (const auto& [file, ranges] : report.unreached) {
        auto source = files.readScript(platform::utf8ToSjis(file));
        std::vector<std::pair<LineRange, std::string>> shown;
        for (const LineRange& r : ranges) shown.emplace_back(r, source ? lineText(source->lines, r.first) : "");
        unreached_.emplace_back(file, std::move(shown));
    }
}

int StoryMap::sceneFor(const std::string& key) {
    auto [it, added] = sceneKeys_.emplace(key, int(scenes_.size()));
    if (added) {
        scenes_.emplace_back();
        scenes_.back().depth = 1 << 30;
    }
    return it->second;
}

void StoryMap::foldStraightRuns() {
    // A choice with one way on, from one scene, into a scene nothing else leads to:
    // the two scenes are one stretch of the story.
    for (bool changed = true; changed;) {
        changed = false;
        std::map<int, int> incoming;
        for (const MapChoice& c : choices_)
            if (c.live)
                for (const int target : targetsOf(c)) ++incoming[target];
        for (MapChoice& c : choices_) {
            if (!c.live || c.next.empty() || c.from.size() != 1) continue;
            const int s = *c.from.begin(), t = c.next.begin()->second;
            if (std::any_of(c.next.begin(), c.next.end(), [t](const auto& n) { return n.second != t; })) continue;
            if (s == t || incoming[t] != 1) continue;
            MapScene& into = scenes_[std::size_t(s)];
            MapScene& gone = scenes_[std::size_t(t)];
            into.lines.insert(gone.lines.begin(), gone.lines.end());
            for (const std::string& e : gone.errors) into.errors.push_back(e);
            if (into.firstText.empty()) {
                into.firstText = gone.firstText;
                into.chapter = gone.chapter;
            }
            into.folded += 1 + gone.folded;
            into.choice = gone.choice;
            into.ending = gone.ending;
            if (gone.choice >= 0) {
                choices_[std::size_t(gone.choice)].from.erase(t);
                choices_[std::size_t(gone.choice)].from.insert(s);
            }
            gone.live = false;
            c.live = false;
            changed = true;
            break;
        }
    }
}

std::string StoryMap::sceneName(int scene) const {
    const MapScene& s = scenes_[std::size_t(scene)];
    if (s.chapter.empty() && s.firstText.empty()) return s.firstLine;
    if (s.chapter.empty()) return shortened(s.firstText, 40);
    if (s.firstText.empty()) return shortened(s.chapter, 40);
    return shortened(s.chapter, 40) + " / " + shortened(s.firstText, 40);
}

std::string StoryMap::dot(const MapStyle& style) const {
    auto visible = [&](int s) {
        const MapScene& scene = scenes_[std::size_t(s)];
        return scene.live && (style.maxDepth < 0 || scene.depth <= style.maxDepth);
    };
    std::string out =
        "digraph story {\n"
        "  graph [rankdir=TB, fontname=\"IPAGothic\", fontsize=12, labelloc=t, nodesep=0.3, ranksep=0.45];\n"
        "  node [shape=box, style=\"rounded,filled\", fillcolor=white, fontname=\"IPAGothic\", fontsize=10];\n"
        "  edge [fontname=\"IPAGothic\", fontsize=9];\n";
    std::string title = std::to_string(paths_) + (paths_ == 1 ? " path" : " paths");
    if (truncated_) title += " (stopped at the run limit; more paths remain)";
    if (style.maxDepth >= 0) title += ", cut after " + std::to_string(style.maxDepth) + " choices";
    out += "  label=" + label({title}) + ";\n";

    std::set<int> endingsShown;
    std::set<int> choiceNodes, stubs;
    for (int s = 0; s < int(scenes_.size()); ++s) {
        if (!visible(s)) continue;
        const MapScene& scene = scenes_[std::size_t(s)];
        std::vector<std::string> text;
        if (!scene.chapter.empty()) text.push_back(shortened(scene.chapter));
        // A scene that shows no text is known by where it starts.
        text.push_back(scene.firstText.empty() ? scene.firstLine : shortened(scene.firstText));
        if (scene.folded) text.push_back("(+" + std::to_string(scene.folded) + (scene.folded == 1 ? " scene)" : " scenes)"));
        std::string attributes;
        if (style.reading && std::size_t(s) < style.reading->size()) {
            const ReadShare r = (*style.reading)[std::size_t(s)];
            if (r.total > 0) {
                text.push_back("read " + std::to_string(r.read) + "/" + std::to_string(r.total));
                attributes += r.read == r.total ? ", fillcolor=\"#b8e6a0\""
                              : r.read > 0      ? ", fillcolor=\"#ffd27a\""
                                                : ", fillcolor=\"#d4d4d4\"";
            }
        }
        for (const std::string& e : scene.errors) text.push_back("error: " + shortened(e, 48));
        if (!scene.errors.empty()) attributes += ", color=red, fontcolor=red";
        out += "  s" + std::to_string(s) + " [label=" + label(text) + attributes + "];\n";

        if (scene.ending >= 0) {
            const MapEnding& e = endings_[std::size_t(scene.ending)];
            const std::string id = "e" + std::to_string(scene.ending);
            if (endingsShown.insert(scene.ending).second) {
                std::vector<std::string> words{endWords(e.end)};
                if (e.end == RunEnd::Error) {
                    words.push_back(shortened(e.error, 60));
                    out += "  " + id + " [shape=octagon, style=filled, fillcolor=\"#ffe0e0\", color=red, fontcolor=red, label=" +
                           label(words) + "];\n";
                } else {
                    if (!e.chapter.empty()) words.push_back(shortened(e.chapter));
                    if (!e.lastText.empty()) words.push_back(shortened(e.lastText));
                    out += "  " + id + " [shape=doubleoctagon, style=filled, fillcolor=\"#eeeeff\", label=" + label(words) +
                           "];\n";
                }
            }
            out += "  s" + std::to_string(s) + " -> " + id + (e.end == RunEnd::Error ? " [color=red]" : "") + ";\n";
        }
        if (scene.choice < 0) continue;
        const MapChoice& c = choices_[std::size_t(scene.choice)];
        // A choice several scenes lead to (paths that meet, loops) is drawn once, as
        // a point its options leave from.
        std::string from = "s" + std::to_string(s);
        if (c.from.size() > 1) {
            from = "c" + std::to_string(scene.choice);
            out += "  s" + std::to_string(s) + " -> " + from + ";\n";
            if (!choiceNodes.insert(scene.choice).second) continue;
            out += "  " + from + " [shape=diamond, style=filled, fillcolor=\"#fff6cc\", label=\"\", width=0.3, height=0.3];\n";
        }
        // Items that lead to the same scene share one arrow.
        std::map<int, std::vector<std::string>> byTarget;
        for (const auto& [item, target] : c.next)
            byTarget[visible(target) ? target : -1].push_back(
                std::size_t(item) < c.labels.size() ? shortened(c.labels[std::size_t(item)], 24) : std::to_string(item));
        for (const auto& [target, options] : byTarget) {
            std::string to = "s" + std::to_string(target);
            if (target < 0) {
                to = "more" + std::to_string(scene.choice);
                if (stubs.insert(scene.choice).second) out += "  " + to + " [shape=plaintext, style=\"\", label=\"…\"];\n";
            }
            std::string joined;
            for (const std::string& o : options) joined += (joined.empty() ? "" : " / ") + o;
            out += "  " + from + " -> " + to + " [label=" + label({joined}) + "];\n";
        }
    }
    if (!unreached_.empty()) {
        out += "  subgraph cluster_unreached {\n    label=\"never reached\"; style=dashed; color=gray;\n";
        for (std::size_t f = 0; f < unreached_.size(); ++f) {
            std::vector<std::string> lines{unreached_[f].first};
            const auto& ranges = unreached_[f].second;
            for (std::size_t i = 0; i < ranges.size() && i < 12; ++i) {
                const LineRange& r = ranges[i].first;
                std::string where = std::to_string(r.first);
                if (r.last != r.first) where += "-" + std::to_string(r.last);
                lines.push_back(where + ": " + shortened(ranges[i].second, 32));
            }
            if (ranges.size() > 12) lines.push_back("… " + std::to_string(ranges.size() - 12) + " more");
            lines.emplace_back();  // "\l" ends the last line too, left-aligned
            out += "    u" + std::to_string(f) + " [shape=note, style=filled, fillcolor=\"#f4f4f4\", label=" +
                   label(lines, "\\l") + "];\n";
        }
        out += "  }\n";
    }
    return out + "}\n";
}

}  // namespace qvl::authoring
