// The scenario checker over a folder of broken scenarios, one kind of fault each,
// and over the demo; the branch explorer over a scenario of nested choices; the
// branch map and read coverage over a scenario with a loop, an error and lines
// no path reaches.
#include "app/tfmain.h"
#include "authoring/checker.h"
#include "authoring/explorer.h"
#include "authoring/explorer_platform.h"
#include "authoring/read_coverage.h"
#include "authoring/scenario_files.h"
#include "authoring/story_map.h"
#include "platform/files.h"
#include "script/script_key.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using namespace qvl::authoring;

namespace {

const fs::path kHere = fs::path(QVL_TEST_SCENARIOS) / ".." / "authoring";

// Runs the body inside folder and comes back, also when an assertion fails.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : before_(fs::current_path()) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(before_); }

private:
    fs::path before_;
};

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string checkFolder(const fs::path& folder) {
    InFolder in(folder);
    FolderFiles files;
    return findingsText(checkScenario(files));
}

}  // namespace

TEST(Checker, ReportsExactlyThePlantedFaults) {
    const bool update = std::getenv("QVL_UPDATE_GOLDENS") != nullptr;
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(kHere / "broken")) {
        if (!entry.is_directory()) continue;
        ++cases;
        const std::string actual = checkFolder(entry.path());
        const fs::path expected = entry.path() / "expected.txt";
        if (update) std::ofstream(expected, std::ios::binary) << actual;
        EXPECT_FALSE(actual.empty()) << entry.path().filename();
        EXPECT_EQ(readText(expected), actual) << entry.path().filename();
    }
    EXPECT_GE(cases, 15);
}

TEST(Checker, DemoIsClean) {
    EXPECT_EQ("", checkFolder(kHere / ".." / ".." / "demo"));
}

TEST(Checker, FollowsJumpsIntoOtherScriptsAndScrambledOnes) {
    // A second file reached only from an option's command, a third only as .txd.
    MemoryFiles files;
    files.add("autorun.txt", "_selmenu\r\nGo,,_goto :in,\"two.txt\"\r\n_endsel\r\n");
    files.add("two.txt", ":in\r\n_goto :deep,three.txt\r\n");
    std::string three = ":deep\r\n_fadeaway\r\n";
    qvl::scrambleFile(three, qvl::kDefaultScriptKey);
    files.add("three.txd", three);
    std::vector<Finding> f = checkScenario(files);
    ASSERT_EQ(1u, f.size());
    EXPECT_EQ("three.txd", f[0].file);
    EXPECT_EQ(2, f[0].line);
    EXPECT_EQ("unknown-command", f[0].kind);
    EXPECT_EQ(3u, reachableScripts(files).size());
}

TEST(Checker, JsonCarriesEveryField) {
    std::vector<Finding> f{{"a.txt", 3, "missing-label", "no label \"x\""}};
    const nlohmann::json json = nlohmann::json::parse(findingsJson(f));
    EXPECT_EQ(json, nlohmann::json::parse(R"([{"file": "a.txt", "line": 3, "kind": "missing-label",
                                             "message": "no label \"x\""}])"));
}

TEST(Explorer, TakesEveryPathOfNestedChoices) {
    InFolder in(kHere / "nested_choices");
    ExploreReport r = explore(ExploreOptions{});
    ASSERT_EQ(9u, r.paths.size());
    EXPECT_FALSE(r.truncated);

    std::set<std::vector<int>> seen;
    for (const PathRun& p : r.paths) {
        seen.insert(p.choices);
        ASSERT_EQ(2u, p.choices.size());
        if (p.choices == std::vector<int>{1, 0}) {
            EXPECT_EQ(RunEnd::Error, p.end);
            ASSERT_FALSE(p.errors.empty());
            EXPECT_NE(std::string::npos, p.errors.back().find("Line:25/")) << p.errors.back();
            EXPECT_NE(std::string::npos, p.errors.back().find("nothere.bmp")) << p.errors.back();
        } else {
            EXPECT_EQ(RunEnd::Finished, p.end) << pathText(p.choices);
            EXPECT_TRUE(p.errors.empty()) << pathText(p.choices);
            const char* ending[] = {"Xの終わり", "Yの終わり", "Zの終わり"};
            EXPECT_EQ(ending[p.choices[1]], p.lastText);
        }
    }
    EXPECT_EQ(9u, seen.size());

    // Only the branch whose condition no path meets.
    ASSERT_EQ(1u, r.unreached.size());
    EXPECT_EQ("autorun.txt", r.unreached[0].first);
    ASSERT_EQ(1u, r.unreached[0].second.size());
    EXPECT_EQ(36, r.unreached[0].second[0].first);
    EXPECT_EQ(36, r.unreached[0].second[0].last);

    const std::string text = exploreText(r);
    EXPECT_NE(std::string::npos, text.find("[1,0] ends: File:autorun.txt Line:25/")) << text;
    EXPECT_NE(std::string::npos, text.find("autorun.txt: 36")) << text;
}

TEST(Explorer, StopsAtTheRunLimit) {
    InFolder in(kHere / "nested_choices");
    ExploreOptions o;
    o.maxRuns = 4;
    ExploreReport r = explore(o);
    EXPECT_EQ(4u, r.paths.size());
    EXPECT_TRUE(r.truncated);
}

TEST(Checker, SurvivesHostileBytes) {
    // Script-like pieces and raw bytes in random order: findings, never a crash.
    const char* pieces[] = {"_goto ", ":a", ",", "\"", "_then", "_endthen", "_selmenu", "_endsel", "_scroll 1,#0,4,0,4",
                            "@", "|", "<S", "<X-99999999>", "<J2147483647>", "(", "[", "]", "/", "~", "\x81", "\xff",
                            "\r\n", "\n", "_(", "),", "_$flg[", "=", "_movplay a.bmp,0,99999", "%", "_end"};
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int count = int(next() % 200);
        for (int i = 0; i < count; ++i)
            bytes += next() % 4 == 0 ? std::string(1, char(next() >> 16)) : pieces[(next() >> 8) % std::size(pieces)];
        MemoryFiles files;
        files.add("autorun.txt", bytes);
        files.add("a", bytes.substr(bytes.size() / 2));
        checkScenario(files);
    }
}

namespace {

// One DOT statement a line: the lines holding all the pieces given.
int countLines(const std::string& dot, std::initializer_list<std::string> pieces) {
    int n = 0;
    std::istringstream lines(dot);
    for (std::string line; std::getline(lines, line);)
        n += std::all_of(pieces.begin(), pieces.end(), [&](const std::string& p) { return line.find(p) != std::string::npos; });
    return n;
}

// A play-tester's run: the path's choices taken, every text clicked, then the
// window closed (the read marks are written); the texts it showed come back.
std::set<std::string> playTesterRun(const fs::path& scenario, const fs::path& work, std::vector<int> path,
                                    std::string& marks) {
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy(scenario, work, fs::copy_options::recursive);
    InFolder in(work);
    std::ostringstream transcript;
    ExplorerPlatform platform(std::move(path), 64);
    qvl::TFmainOptions o;
    o.transcript = &transcript;
    qvl::TFmain app(platform, o);
    platform.watch(&app.choices(), {});
    app.run();
    app.saveLink.saveGlobalsAndMarks();
    marks = readText(work / "save" / "textid.dat");
    std::set<std::string> shown;
    std::istringstream lines(transcript.str());
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("text: ")) shown.insert(line.substr(6));
    return shown;
}

}  // namespace

TEST(StoryMap, DrawsScenesOptionsEndingsTheErrorAndTheUnreachedLines) {
    InFolder in(kHere / "story_map");
    const ExploreReport report = explore(ExploreOptions{});
    ASSERT_EQ(3u, report.paths.size());
    FolderFiles files;
    const StoryMap map(report, files);
    const std::string dot = map.dot(MapStyle{});

    // Scenes by chapter and first text; the forest's one-way choice folded into its scene.
    EXPECT_EQ(1, countLines(dot, {"[label=\"入口\\nはじめの行です。\"]"})) << dot;
    EXPECT_EQ(1, countLines(dot, {"[label=\"森\\n森に入りました。\\n(+1 scene)\"]"})) << dot;
    EXPECT_EQ(0, countLines(dot, {"進む"})) << dot;
    // The first choice is met again from the way back: drawn once, its three options
    // leave from one point and the way back returns to it.
    EXPECT_EQ(1, countLines(dot, {"shape=diamond"})) << dot;
    for (const char* option : {"森へ", "川へ", "戻る"}) EXPECT_EQ(1, countLines(dot, {"c0 -> s", option})) << dot;
    EXPECT_EQ(2, countLines(dot, {" -> c0;"})) << dot;
    // One ending shared by both ways through the forest; the error path in red.
    EXPECT_EQ(1, countLines(dot, {"doubleoctagon", "end\\n終わり\\nおしまい。"})) << dot;
    EXPECT_EQ(1, countLines(dot, {"color=red", "Line:22/", "nothere.bmp"})) << dot;
    EXPECT_EQ(1, countLines(dot, {" -> e", "[color=red]"})) << dot;
    EXPECT_EQ(1, countLines(dot, {"shape=note", "autorun.txt\\l18: 決して読まれない行\\l23: 見えない行\\l"})) << dot;

    // Cut after no choice: the start scene and a stub for what lies beyond.
    const std::string cut = map.dot(MapStyle{0, nullptr});
    EXPECT_EQ(0, countLines(cut, {"森に入りました"})) << cut;
    EXPECT_EQ(1, countLines(cut, {"-> more0", "森へ / 川へ / 戻る"})) << cut;
}

TEST(Coverage, MarksOfThreeRunsGiveTheUnionOfTheLinesTheyShowed) {
    const fs::path scenario = kHere / "story_map";
    const fs::path work = fs::temp_directory_path() / ("quorvel-coverage-" + std::to_string(::getpid()));
    std::vector<std::string> marks(3);
    std::set<std::string> shown;
    const std::vector<std::vector<int>> paths{{1}, {2, 0, 0}, {0, 0}};
    for (std::size_t i = 0; i < paths.size(); ++i)
        for (const std::string& t : playTesterRun(scenario, work, paths[i], marks[i])) shown.insert(t);
    fs::remove_all(work);
    EXPECT_EQ(6u, shown.size());

    InFolder in(scenario);
    FolderFiles files;
    const ExploreReport report = explore(ExploreOptions{});
    const StoryMap map(report, files);
    const CoverageReport c = readCoverage(files, {"a", "b", "c"}, marks, &map);
    std::set<std::string> read;
    for (const TextLine& l : c.lines)
        if (l.read) read.insert(l.text);
    EXPECT_EQ(shown, read);
    ASSERT_EQ(1u, c.files.size());
    EXPECT_EQ(6, c.files[0].read);
    EXPECT_EQ(8, c.files[0].total);

    // One run alone reads less: the river's branch is read, the forest's is not;
    // a tester who stopped in the forest read part of it.
    const CoverageReport one = readCoverage(files, {"a"}, {marks[0]}, &map);
    const std::string text = coverageText(one, &map);
    EXPECT_NE(std::string::npos, text.find("  森 / 森に入りました。: 0/3 read (0%)\n")) << text;
    EXPECT_NE(std::string::npos, text.find("  川 / 川に着きました。: 1/1 read (100%)\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\nautorun.txt:11: unread: 森に入りました。\n")) << text;
    const std::string colours = map.dot(MapStyle{-1, &one.scenes});
    EXPECT_EQ(1, countLines(colours, {"森に入りました。", "read 0/3", "#d4d4d4"})) << colours;
    EXPECT_EQ(1, countLines(colours, {"川に着きました。", "read 1/1", "#b8e6a0"})) << colours;
    const CoverageReport part = readCoverage(files, {"a"}, {std::string(1, char(1 << 2))}, &map);
    EXPECT_EQ(1, countLines(map.dot(MapStyle{-1, &part.scenes}), {"森に入りました。", "read 1/3", "#ffd27a"}));

    // The JSON lists every line with whether it was read.
    const nlohmann::json json = nlohmann::json::parse(coverageJson(c, &map));
    std::set<std::string> listed;
    for (const auto& line : json["lines"])
        if (line["read"].get<bool>()) listed.insert(line["text"].get<std::string>());
    EXPECT_EQ(shown, listed);
    EXPECT_EQ(8u, json["lines"].size());
    EXPECT_EQ(json["lines"][0], nlohmann::json::parse(R"({"file": "autorun.txt", "line": 2, "id": 1,
                                                           "text": "はじめの行です。", "read": true})"));
}
