// The branch explorer and its map on a story of ten two-way choices, each
// remembered in a flag, so every one of the 1,024 paths is a different story:
// 1,000 paths played headless, folded into scenes and drawn as SVG by Graphviz.
// Reports the whole time; under a minute is the aim.
#include "authoring/explorer.h"
#include "authoring/map_drawing.h"
#include "authoring/scenario_files.h"
#include "authoring/story_map.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void BM_ExploreAndMap(benchmark::State& st) {
    const fs::path dir = fs::temp_directory_path() / ("qvl-bench-map-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "qvl.cfg", std::ios::binary) << "SavePath=save\\\r\n";
    std::string script;
    for (int i = 1; i <= 10; ++i) {
        const std::string n = std::to_string(i);
        script += "!Chapter " + n + "\r\nScene " + n + " begins.\r\n_selmenu\r\nLeft " + n + ",,_$flg[" + n +
                  "]=1\r\nRight " + n + ",,_$flg[" + n + "]=2\r\n_endsel\r\nScene " + n + " ends.\r\n";
    }
    std::ofstream(dir / "autorun.txt", std::ios::binary) << script << "The end.\r\n";
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    std::size_t paths = 0, bytes = 0;
    for (auto _ : st) {
        qvl::authoring::ExploreOptions options;
        options.maxRuns = 1000;
        const qvl::authoring::ExploreReport report = qvl::authoring::explore(options);
        qvl::authoring::FolderFiles files;
        const qvl::authoring::StoryMap map(report, files);
        std::string svg, reason;
        if (!qvl::authoring::drawGraph(map.dot({}), "svg", svg, reason)) st.SkipWithError(reason.c_str());
        paths = report.paths.size();
        bytes = svg.size();
    }
    fs::current_path(previous);
    fs::remove_all(dir);
    st.counters["paths"] = double(paths);
    st.counters["svg_bytes"] = double(bytes);
}
BENCHMARK(BM_ExploreAndMap)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
