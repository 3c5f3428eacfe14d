// Scenario tests: each folder here is a small scenario run headless in-process.
//   *.utf8         written into the run's folder as Shift-JIS with CR LF lines,
//                  under the name without ".utf8"; "x.txd.utf8" is also scrambled
//   input          the input events (optional)
//   options        "auto" and/or "max-ms N" (optional)
//   expected       the transcript the run must print
//   expected-FILE  a file the run must leave behind, byte for byte (UTF-8 source,
//                  compared after the same conversion); "absent-FILE" must not exist
// Other files are copied as they are.
#include "tests/scenarios/scenario_run.h"

#include <algorithm>

namespace {

using namespace qvl_test;
namespace fs = std::filesystem;

std::vector<std::string> scenarioNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(QVL_TEST_SCENARIOS))
        if (entry.is_directory() && fs::exists(entry.path() / "expected")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, TranscriptAndFilesMatch) {
    ScenarioRun run(GetParam());
    run.checkExpectations(run.run());
}

INSTANTIATE_TEST_SUITE_P(Folders, Scenario, ::testing::ValuesIn(scenarioNames()),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
