#include "platform/movie.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

// Movies made here with the ffmpeg tool from its test card, so no large file needs
// to be kept; without the tool the benchmarks report themselves skipped.
class Movies {
public:
    Movies() : dir_(fs::temp_directory_path() / ("qvl-movie-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
    }
    ~Movies() { fs::remove_all(dir_); }

    // The path of a movie of `size` ("640x480") in `codec`, made on first use;
    // empty when it cannot be made.
    std::string get(const std::string& codec, const std::string& size) {
        const fs::path path = dir_ / (codec + "_" + size + ".avi");
        if (!fs::exists(path)) {
            const std::string command = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" + size +
                                        ":rate=15:duration=2 -c:v " + codec + " " + path.string() + " </dev/null";
            if (std::system(command.c_str()) != 0) return {};
        }
        return path.string();
    }

private:
    fs::path dir_;
};

Movies& movies() {
    static Movies instance;
    return instance;
}

// One frame a step into a 640x480 scene, starting the movie over at its end.
void decode(benchmark::State& state, const std::string& codec, const std::string& size) {
    const std::string path = movies().get(codec, size);
    if (path.empty()) {
        state.SkipWithError("ffmpeg could not make the movie (is it installed?)");
        return;
    }
    std::string reason;
    std::unique_ptr<qvl::platform::MovieDecoder> movie;
    qvl::Surface scene(640, 480);
    uint32_t ms = 0;
    for (auto _ : state) {
        if (!movie || !movie->nextFrame(scene, ms)) {
            state.PauseTiming();
            movie = qvl::platform::MovieDecoder::open(path, &reason);
            state.ResumeTiming();
            if (!movie || !movie->nextFrame(scene, ms)) {
                state.SkipWithError(reason.c_str());
                return;
            }
        }
        benchmark::DoNotOptimize(scene.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MovieFrameMpeg4_640x480(benchmark::State& state) {
    decode(state, "mpeg4", "640x480");
}
BENCHMARK(BM_MovieFrameMpeg4_640x480)->Unit(benchmark::kMillisecond);

void BM_MovieFrameCinepak_640x480(benchmark::State& state) {
    decode(state, "cinepak", "640x480");
}
BENCHMARK(BM_MovieFrameCinepak_640x480)->Unit(benchmark::kMillisecond);

// The usual size of the period's movies, filling the scene.
void BM_MovieFrameCinepak_320x240_ScaledUp(benchmark::State& state) {
    decode(state, "cinepak", "320x240");
}
BENCHMARK(BM_MovieFrameCinepak_320x240_ScaledUp)->Unit(benchmark::kMillisecond);

}  // namespace
