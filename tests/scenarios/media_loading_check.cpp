// What a run loads: a scenario that never plays sound or a movie never maps the
// media libraries (FFmpeg, FluidSynth, SDL_mixer) nor our modules that use them;
// the first movie brings them. A program of its own, so that nothing run before
// in the same process has loaded them already.
#include "tests/scenarios/scenario_run.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace qvl_test;

const std::vector<std::string> kMediaLibraries = {"libavcodec",     "libavformat",   "libswresample", "libfluidsynth",
                                                  "libSDL2_mixer",  "quorvel-media", "quorvel-mixer"};

// The media libraries mapped into this process now.
std::vector<std::string> mappedMediaLibraries() {
    const std::string maps = readAll("/proc/self/maps");
    std::vector<std::string> found;
    for (const std::string& name : kMediaLibraries)
        if (maps.find("/" + name) != std::string::npos) found.push_back(name);
    return found;
}

TEST(MediaLoading, OnlyTheFirstMovieLoadsTheMediaLibraries) {
    EXPECT_EQ(mappedMediaLibraries(), std::vector<std::string>{}) << "linked into the program";

    ScenarioRun quiet("audio_case");
    quiet.writeScenarioFile("autorun.txt", "一行だけ\n");
    EXPECT_EQ(quiet.run(nullptr, "").transcript, "chapter: Quorvel\ntext: 一行だけ\nidle\n");
    EXPECT_EQ(mappedMediaLibraries(), std::vector<std::string>{}) << "loaded by a run without sound or movies";

    ScenarioRun movie("audio_case");
    movie.writeScenarioFile("autorun.txt", "_aviplay cinepak.avi,100,100,320,240\n");
    EXPECT_EQ(movie.run(nullptr, "").transcript, "chapter: Quorvel\nmovie: cinepak.avi 160x120\nidle\n");
    const std::vector<std::string> loaded = mappedMediaLibraries();
    for (const char* name : {"quorvel-media", "libavcodec"})
        EXPECT_NE(std::find(loaded.begin(), loaded.end(), name), loaded.end()) << name << " not loaded by a movie";
}

}  // namespace
