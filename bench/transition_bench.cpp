// One frame of each pixel transition family on 640 x 480, next to a plain copy of
// the same bytes: a frame's share of its few milliseconds of wait.
#include "graphics/transitions.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

struct Scenes {
    Scenes() : next(640, 480), old(640, 480), work(640, 480) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                next.row(y)[x] = uint32_t(x * 0x010203 + y);
                old.row(y)[x] = uint32_t(y * 0x030201 + x);
            }
    }
    qvl::Surface next, old, work;
};

void BM_FrameMemcpy(benchmark::State& st) {
    Scenes s;
    for (auto _ : st) {
        for (int y = 0; y < 480; ++y) std::memcpy(s.work.row(y), s.next.row(y), 640 * 4);
        benchmark::DoNotOptimize(s.work.row(0));
    }
}
BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMicrosecond);

void BM_FrameTile(benchmark::State& st) {
    Scenes s;
    int f = 0;
    for (auto _ : st) {
        qvl::transitions::tileFrame(int(st.range(0)), f % 8 + 1, s.next, s.work);
        ++f;
        benchmark::DoNotOptimize(s.work.row(0));
    }
    st.SetLabel("TILE/TILEH pattern " + std::to_string(st.range(0)));
}
BENCHMARK(BM_FrameTile)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_FramePat(benchmark::State& st) {
    Scenes s;
    int f = 0;
    const int frames = st.range(0) == 0 ? 8 : 16;
    for (auto _ : st) {
        qvl::transitions::patFrame(int(st.range(0)), f % frames, s.next, s.work);
        ++f;
        benchmark::DoNotOptimize(s.work.row(0));
    }
    st.SetLabel("PAT" + std::to_string(st.range(0)));
}
BENCHMARK(BM_FramePat)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_FrameBlend(benchmark::State& st) {
    Scenes s;
    int i = 0;
    for (auto _ : st) {
        qvl::transitions::blendFrame(i % 17, s.next, s.old, s.work);
        ++i;
        benchmark::DoNotOptimize(s.work.row(0));
    }
    st.SetLabel("BLEND0");
}
BENCHMARK(BM_FrameBlend)->Unit(benchmark::kMicrosecond);

}  // namespace
