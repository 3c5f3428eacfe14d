#include "graphics/composition.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int64_t kFrameBytes = int64_t(qvl::kSceneWidth) * qvl::kSceneHeight * 4;

struct SilentReporter : qvl::ScriptErrorReporter {
    void scriptError(const std::string&) override {}
};

// Busy pixels with a magenta border, so the masks have both kinds of pixel; a round
// picture is magenta outside an ellipse, as a person's outline changes every row.
qvl::Surface picture(int w, int h, uint32_t seed, bool round = false) {
    qvl::Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0) / (w / 2.0 - 16), dy = (y - h / 2.0) / (h / 2.0 - 16);
            const bool edge = round ? dx * dx + dy * dy > 1 : x < 16 || x >= w - 16 || y < 16;
            s.row(y)[x] = edge ? 0xFF00FF : (uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u) ^ seed) & 0xFFFFFF;
        }
    return s;
}

// Positions are plain numbers here.
int32_t evaluate(std::string_view text) {
    int32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
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

// The memcpy floor in nanoseconds: the median of many copies of a frame, warm.
double memcpyFrameNs() {
    std::vector<uint32_t> src(std::size_t(kFrameBytes / 4), 0x123456), dst(src.size());
    std::vector<double> times;
    for (int i = 0; i < 400; ++i) {
        const auto start = std::chrono::steady_clock::now();
        std::memcpy(dst.data(), src.data(), std::size_t(kFrameBytes));
        benchmark::ClobberMemory();
        times.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

// Background, a keyed full-screen #BLEND effect after the persons, three keyed
// persons of 320 x 480 side by side and overlapping, darkening on.
struct FullScene {
    SilentReporter reporter;
    qvl::SurfaceBank bank{reporter, qvl::SceneTexts{}};
    qvl::Darkness darkness{true, false, 64};

    explicit FullScene(bool round = false) {
        bank.loadBackground(picture(640, 480, 1), "bg.bmp");
        for (int slot = 0; slot < qvl::kPersonSlots; ++slot) {
            bank.loadPerson(slot, picture(320, 480, uint32_t(slot + 2), round), "p.bmp", "#TOP_LEFT", std::nullopt);
            bank.placePerson(slot, 1, std::to_string(slot * 160), "#BOTTOM", evaluate);
        }
        bank.loadEffect(picture(640, 480, 9), "ef.bmp", "#TOP_LEFT", 0, std::nullopt);
        bank.setEffect(1, "#BLEND", 0, 0, 1);
        qvl::composeScene(bank, darkness);
    }
};

// Times each composition after change(bank, iteration), and reports the median as a
// multiple of the memcpy floor (x_memcpy: the figure held to 3).
template <typename Change>
void composeAgainst(benchmark::State& state, Change change, bool round = false) {
    FullScene scene(round);
    const double floorNs = memcpyFrameNs();
    std::vector<double> times;
    int64_t n = 0;
    for (auto _ : state) {
        change(scene.bank, n++);
        const auto start = std::chrono::steady_clock::now();
        qvl::composeScene(scene.bank, scene.darkness);
        benchmark::DoNotOptimize(std::as_const(scene.bank)[qvl::SurfaceId::VirtualVram].data());
        benchmark::ClobberMemory();
        times.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    state.counters["x_memcpy"] = times.empty() ? 0 : times[times.size() / 2] / floorNs;
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

// Every layer composed again, as after a new background: handing the background out
// for change is enough to make it count as changed.
void BM_ComposeFullScene(benchmark::State& state) {
    composeAgainst(state, [](qvl::SurfaceBank& bank, int64_t) { (void)bank[qvl::SurfaceId::Background]; });
}
BENCHMARK(BM_ComposeFullScene);

// The same with round persons, whose outlines change from row to row.
void BM_ComposeFullSceneRoundPersons(benchmark::State& state) {
    composeAgainst(
        state, [](qvl::SurfaceBank& bank, int64_t) { (void)bank[qvl::SurfaceId::Background]; }, true);
}
BENCHMARK(BM_ComposeFullSceneRoundPersons);

// The typical frame: the next line of text over a scene nothing changed in.
void BM_ComposeUnchangedScene(benchmark::State& state) {
    composeAgainst(state, [](qvl::SurfaceBank&, int64_t) {});
}
BENCHMARK(BM_ComposeUnchangedScene);

// A scene nothing changed in after VirtualVram was handed out for drawing (a
// transition's text, a movie frame): the kept scene is copied back. The copy aside
// made as it is handed out falls outside the timing.
void BM_ComposeAfterDrawnOn(benchmark::State& state) {
    composeAgainst(state, [](qvl::SurfaceBank& bank, int64_t) { (void)bank[qvl::SurfaceId::VirtualVram]; });
}
BENCHMARK(BM_ComposeAfterDrawnOn);

// The middle person swapped for one 120 rows high that moves 8 rows each frame.
void BM_ComposeMovedPerson(benchmark::State& state) {
    composeAgainst(state, [](qvl::SurfaceBank& bank, int64_t n) {
        if (n == 0) bank.loadPerson(1, picture(160, 120, 7), "p.bmp", "#TOP_LEFT", std::nullopt);
        bank.placePerson(1, 1, "240", std::to_string(40 + n % 2 * 8), evaluate);
    });
}
BENCHMARK(BM_ComposeMovedPerson);

}  // namespace
