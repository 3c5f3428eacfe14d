// The interpreter on a tight scripted loop, run headless: a flag assignment with
// an expression, a conditional jump and a label per round. Reports script lines
// executed per second.
#include "app/tfmain.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

void BM_ScriptLoop(benchmark::State& st) {
    const int rounds = int(st.range(0));
    fs::path dir = fs::temp_directory_path() / ("qvl-bench-loop-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "qvl.cfg", std::ios::binary) << "SavePath=save\\\r\n";
    // Three lines per round: the label, the increment and the conditional jump.
    std::ofstream(dir / "autorun.txt", std::ios::binary)
        << "_$flg[1]=0\r\n:loop\r\n_$flg[1]=$flg[1]+1\r\n_($flg[1]<" << rounds << "),_goto :loop\r\n";
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    for (auto _ : st) {
        qvl::platform::HeadlessPlatform platform({}, {});
        qvl::TFmain app(platform, {});
        app.run();  // ends "idle" when the loop is done
        if (app.flags.Flags[1] != std::to_string(rounds)) st.SkipWithError("the loop did not finish");
    }
    fs::current_path(previous);
    fs::remove_all(dir);
    st.counters["lines/s"] = benchmark::Counter(double(st.iterations()) * (3.0 * rounds + 1),
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScriptLoop)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
