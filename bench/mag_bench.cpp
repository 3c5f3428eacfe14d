#include "graphics/mag_decoder.h"
#include "graphics/mag_encoder.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;
constexpr int64_t kPictureBytes = int64_t(kWidth) * kHeight * 4;

// A scene-like 256-colour picture: flat sky, banded ground, a noisy patch, so the
// decoder runs both its copy and its literal paths.
const std::string& sceneMag() {
    static const std::string file = [] {
        qvl::Surface s(kWidth, kHeight, 0x6090C0);
        uint32_t seed = 1;
        for (int y = 0; y < kHeight; ++y) {
            uint32_t* row = s.row(y);
            for (int x = 0; x < kWidth; ++x) {
                if (y > 250) row[x] = uint32_t((y / 6 + x / 40) % 64) * 0x030201;
                if (x > 400 && x < 560 && y > 80 && y < 240) {
                    seed = seed * 1664525u + 1013904223u;
                    row[x] = 0x800000 | ((seed >> 20) % 190);
                }
            }
        }
        return qvl::encodeMag(s, 256);
    }();
    return file;
}

// The floor: moving the finished picture's bytes once.
void BM_Memcpy640x400(benchmark::State& state) {
    std::vector<uint32_t> src(kWidth * kHeight, 0x123456), dst(kWidth * kHeight);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), std::size_t(kPictureBytes));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_Memcpy640x400);

void BM_MagToBmp640x400(benchmark::State& state) {
    const std::string& file = sceneMag();
    for (auto _ : state) {
        qvl::MagResult r = qvl::magToBmp(file);
        benchmark::DoNotOptimize(r.bitmap.data());
    }
    state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_MagToBmp640x400);

// What the loader pays: the bitmap and its reading into a 32-bit surface.
void BM_DecodeMag640x400(benchmark::State& state) {
    const std::string& file = sceneMag();
    for (auto _ : state) {
        qvl::Surface picture = qvl::decodeMag(file);
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_DecodeMag640x400);

void BM_MagEncode640x400(benchmark::State& state) {
    const std::string& file = sceneMag();
    // Round-trip through our own reader so the encoder sees a realistic picture.
    const qvl::MagResult r = qvl::magToBmp(file);
    qvl::Surface picture(kWidth, kHeight);
    const std::size_t pixels = 54 + 1024;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto index = uint8_t(r.bitmap[pixels + std::size_t(kHeight - 1 - y) * kWidth + std::size_t(x)]);
            const auto* quad = reinterpret_cast<const uint8_t*>(r.bitmap.data() + 54 + index * 4);
            picture.row(y)[x] = uint32_t(quad[2]) << 16 | uint32_t(quad[1]) << 8 | quad[0];
        }
    for (auto _ : state) {
        std::string out = qvl::encodeMag(picture, 256);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_MagEncode640x400);

}  // namespace
