#include "graphics/jpeg_decoder.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A full-screen background as a scenario would have one: smooth shading with some
// fine texture, encoded here so the benchmark needs no file.
std::string makeJpeg(bool progressive) {
    std::vector<unsigned char> pixels(std::size_t(kWidth) * kHeight * 3);
    uint32_t seed = 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245 + 12345;
            const int grain = int(seed >> 28);
            unsigned char* p = &pixels[(std::size_t(y) * kWidth + x) * 3];
            p[0] = static_cast<unsigned char>((x * 255 / kWidth + grain) & 0xFF);
            p[1] = static_cast<unsigned char>((y * 255 / kHeight + grain) & 0xFF);
            p[2] = static_cast<unsigned char>(((x ^ y) & 0x3F) + 96);
        }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &pixels[std::size_t(info.next_scanline) * kWidth * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string file(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return file;
}

void decode(benchmark::State& state, bool progressive) {
    const std::string file = makeJpeg(progressive);
    for (auto _ : state) {
        qvl::Surface picture = qvl::decodeJpeg(file);
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["file_bytes"] = double(file.size());
}

void BM_DecodeJpeg640x480(benchmark::State& state) {
    decode(state, false);
}
BENCHMARK(BM_DecodeJpeg640x480);

void BM_DecodeJpegProgressive640x480(benchmark::State& state) {
    decode(state, true);
}
BENCHMARK(BM_DecodeJpegProgressive640x480);

}  // namespace
