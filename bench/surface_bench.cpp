#include "graphics/surface.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int64_t kFrameBytes = int64_t(kWidth) * kHeight * 4;

qvl::Surface frame(uint32_t seed) {
    qvl::Surface s(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) s.row(y)[x] = (uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u) ^ seed) & 0xFFFFFF;
    return s;
}

// The floor every full-frame operation is measured against.
void BM_Memcpy640x480(benchmark::State& state) {
    std::vector<uint32_t> src(kWidth * kHeight, 0x123456), dst(kWidth * kHeight);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), std::size_t(kFrameBytes));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_Memcpy640x480);

void BM_BlitCopy640x480(benchmark::State& state) {
    const qvl::Surface src = frame(1);
    qvl::Surface dst(kWidth, kHeight);
    for (auto _ : state) {
        dst.blit(src, 0, 0);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_BlitCopy640x480);

// A sprite drawn the old way: AND the mask, then OR the picture. Two frame passes.
void BM_BlitMaskPair640x480(benchmark::State& state) {
    const qvl::Surface mask = frame(2), sprite = frame(3);
    qvl::Surface dst = frame(4);
    for (auto _ : state) {
        dst.blit(mask, 0, 0, qvl::Rop::And);
        dst.blit(sprite, 0, 0, qvl::Rop::Or);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes * 2);
}
BENCHMARK(BM_BlitMaskPair640x480);

// Placed off the top-left corner, so a quarter of the frame survives clipping.
void BM_BlitCopyClipped(benchmark::State& state) {
    const qvl::Surface src = frame(5);
    qvl::Surface dst(kWidth, kHeight);
    for (auto _ : state) {
        dst.blit(src, -kWidth / 2, -kHeight / 2, qvl::Rop::Copy);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes / 4);
}
BENCHMARK(BM_BlitCopyClipped);

void BM_FillRect640x480(benchmark::State& state) {
    qvl::Surface dst(kWidth, kHeight);
    uint32_t colour = 0;
    for (auto _ : state) {
        dst.fillRect(dst.bounds(), ++colour & 0xFFFFFF);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_FillRect640x480);

void BM_FillRectXor640x480(benchmark::State& state) {
    qvl::Surface dst(kWidth, kHeight);
    for (auto _ : state) {
        dst.fillRect(dst.bounds(), 0x00FFFFFF, qvl::Rop::Xor);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_FillRectXor640x480);

void BM_Stretch320x240To640x480(benchmark::State& state) {
    qvl::Surface src(kWidth / 2, kHeight / 2, 0x445566);
    qvl::Surface dst(kWidth, kHeight);
    for (auto _ : state) {
        dst.stretch(src, src.bounds(), dst.bounds());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}
BENCHMARK(BM_Stretch320x240To640x480);

}  // namespace
