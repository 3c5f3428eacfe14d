// Full pages of text through the text window, headless with HighSpeedText on:
// 11 lines of 26 full-width characters a page. Reports the time per page.
#include "app/tfmain.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

void BM_TextPages(benchmark::State& st) {
    const int pages = int(st.range(0));
    fs::path dir = fs::temp_directory_path() / ("qvl-bench-text-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "qvl.cfg", std::ios::binary) << "SavePath=save\\\r\n";
    std::ofstream(dir / "qvl.ini", std::ios::binary) << "HighSpeedText=1\r\n";
    std::string line;
    for (int i = 0; i < 26; ++i) line += "\x82\xa0";  // あ
    {
        std::ofstream script(dir / "autorun.txt", std::ios::binary);
        for (int p = 0; p < pages; ++p)
            for (int l = 0; l < 11; ++l) script << line << "\r\n";
    }
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    for (auto _ : st) {
        qvl::platform::HeadlessPlatform platform({}, {true, std::nullopt});
        qvl::TFmain app(platform, {});
        app.run();
    }
    fs::current_path(previous);
    fs::remove_all(dir);
    // Pages per second; the time per page is its inverse (start-up included).
    st.counters["pages/s"] = benchmark::Counter(double(st.iterations()) * pages, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TextPages)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
