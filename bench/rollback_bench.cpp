// Going back 50 pages in a full scene (a background, three persons, the effect
// layer and sprites, a page of text each): how long the rollback takes, and how
// much memory the history of 51 pages holds.
#include "app/tfmain.h"
#include "graphics/bmp_encoder.h"
#include "platform/headless/headless_platform.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

qvl::Surface gradient(int w, int h, uint32_t tint) {
    qvl::Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.row(y)[x] = (uint32_t((x * 255) / w) << 16 | uint32_t((y * 255) / h) << 8) ^ tint;
    return s;
}

void BM_RollbackFiftyPages(benchmark::State& st) {
    fs::path dir = fs::temp_directory_path() / ("qvl-bench-rollback-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "qvl.cfg", std::ios::binary) << "SavePath=save\\\r\n";
    std::ofstream(dir / "bg.bmp", std::ios::binary) << qvl::encodeBmp(gradient(640, 480, 0x203040));
    for (int i = 0; i < 3; ++i)
        std::ofstream(dir / ("p" + std::to_string(i) + ".bmp"), std::ios::binary)
            << qvl::encodeBmp(gradient(200, 400, 0x102030 * uint32_t(i + 1)));
    std::ofstream(dir / "ef.bmp", std::ios::binary) << qvl::encodeBmp(gradient(320, 240, 0x405060));
    std::ofstream(dir / "spr.bmp", std::ios::binary) << qvl::encodeBmp(gradient(128, 32, 0x000000));
    std::ostringstream script;
    script << "_bgload \"bg.bmp\"\r\n_objput 0,p0.bmp,\"#TOP_LEFT\",#LEFT,#BOTTOM\r\n"
              "_objput 1,p1.bmp,\"#TOP_LEFT\",#CENTER,#BOTTOM\r\n_objput 2,p2.bmp,\"#TOP_LEFT\",#RIGHT,#BOTTOM\r\n"
              "_efload ef.bmp,#NONE,0\r\n_efset 1,#BLEND,160,40,1\r\n_sprload spr.bmp,32,32,\"#TOP_LEFT\"\r\n"
              "_sprset 3,1,0\r\n_sprput 3,100,200\r\n_textwait 0\r\n";
    for (int page = 0; page < 51; ++page) {
        script << "_$flg[" << page << "]=" << page << "\r\n_textclear\r\n";
        for (int line = 0; line < 4; ++line)
            script << "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8 page " << page << " line " << line << "&\r\n";
        script << "\x82\xa8\x82\xed\x82\xe8\r\n";
    }
    std::ofstream(dir / "autorun.txt", std::ios::binary) << script.str();
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    {
        std::string clicks;
        for (int i = 0; i < 51; ++i) clicks += "click\n";
        qvl::platform::HeadlessPlatform platform(qvl::platform::parseInputScript(clicks), {});
        std::ostringstream transcript;
        qvl::TFmainOptions options;
        options.transcript = &transcript;
        qvl::TFmain app(platform, options);
        app.run();  // waits at the last page
        const qvl::Rollback full = app.saveLink.rollback();
        if (full.available() < 50) st.SkipWithError("fewer than 51 pages were kept");
        for (auto _ : st) {
            st.PauseTiming();
            app.saveLink.rollback() = full;
            st.ResumeTiming();
            app.saveLink.requestRollback(50);
            app.saveLink.restore();
        }
        st.counters["history MB"] = double(full.memoryBytes()) / (1 << 20);
    }
    fs::current_path(previous);
    fs::remove_all(dir);
}
BENCHMARK(BM_RollbackFiftyPages)->Unit(benchmark::kMillisecond);

}  // namespace
