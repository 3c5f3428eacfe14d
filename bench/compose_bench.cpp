#include "graphics/composition.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int64_t kFrameBytes = int64_t(qvl::kSceneWidth) * qvl::kSceneHeight * 4;

struct SilentReporter : qvl::ScriptErrorReporter {
    void scriptError(const std::string&) override {}
};

// Busy pixels with a magenta border, so the masks have both kinds of pixel.
qvl::Surface picture(int w, int h, uint32_t seed) {
    qvl::Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool edge = x < 16 || x >= w - 16 || y < 16;
            s.row(y)[x] = edge ? 0xFF00FF : (uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u) ^ seed) & 0xFFFFFF;
        }
    return s;
}

int32_t evaluate(std::string_view) {
    return 0;
}

// The floor a full-frame composition is measured against.
void BM_Memcpy640x480(benchmark::State& state) {
    std::vector<uint32_t> src(std::size_t(kFrameBytes / 4), 0x123456), dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), std::size_t(kFrameBytes));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_Memcpy640x480);

// Background, a keyed full-screen #BLEND effect after the persons, three keyed
// persons of 320 x 480 side by side and overlapping, darkening on.
void BM_ComposeFullScene(benchmark::State& state) {
    SilentReporter reporter;
    qvl::SurfaceBank bank(reporter, qvl::SceneTexts{});
    bank.loadBackground(picture(640, 480, 1), "bg.bmp");
    for (int slot = 0; slot < qvl::kPersonSlots; ++slot) {
        bank.loadPerson(slot, picture(320, 480, uint32_t(slot + 2)), "p.bmp", "#TOP_LEFT", std::nullopt);
        const std::string x = std::to_string(slot * 160);
        bank.placePerson(slot, 1, x, "#BOTTOM", evaluate);
    }
    bank.loadEffect(picture(640, 480, 9), "ef.bmp", "#TOP_LEFT", 0, std::nullopt);
    bank.setEffect(1, "#BLEND", 0, 0, 1);
    const qvl::Darkness darkness{true, false, 64};
    for (auto _ : state) {
        qvl::composeScene(bank, darkness);
        benchmark::DoNotOptimize(bank[qvl::SurfaceId::VirtualVram].data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_ComposeFullScene);

}  // namespace
