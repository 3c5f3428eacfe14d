// The scenario checker over a folder of broken scenarios, one kind of fault each,
// and over the demo; the branch explorer over a scenario of nested choices.
#include "authoring/checker.h"
#include "authoring/explorer.h"
#include "authoring/scenario_files.h"
#include "platform/files.h"
#include "script/script_key.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

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
