// The 36 transitions frame by frame: how many frames each presents, the last one
// the new scene, the pixel families' middle frames by their rules, the name rule,
// text and sprites.
#include "tests/scenarios/scenario_run.h"

#include <map>

namespace {

using namespace qvl_test;

constexpr int kPatterns[4][4][4] = {
    {{1, 5, 2, 6}, {7, 3, 8, 4}, {2, 6, 1, 5}, {8, 4, 7, 3}},
    {{1, 6, 5, 4}, {2, 7, 8, 3}, {3, 8, 7, 2}, {4, 5, 6, 1}},
    {{5, 1, 4, 8}, {6, 2, 3, 7}, {7, 3, 2, 6}, {8, 4, 1, 5}},
    {{1, 2, 2, 1}, {3, 4, 4, 3}, {5, 6, 6, 5}, {7, 8, 8, 7}},
};

// The room is shown at start; the sky is loaded, then the transition runs.
struct TransitionRun {
    explicit TransitionRun(const std::string& fade, const std::string& before = "", bool keepAll = false,
                           const std::string& input = "")
        : run("transition_case") {
        run.onFrame = [this, keepAll](int, uint64_t, const qvl::Surface& f) {
            if (keepAll || frames.empty())
                frames.push_back(f.clone());
            else
                last = f.clone();
            ++count;
        };
        run.writeScenarioFile("autorun.txt", before + "_bgload \"bg_sky.jpg\"\n_fade " + fade + "\n_mouseclick\n");
        result = run.run(&app, input);
        if (!keepAll && count > 1) frames.push_back(std::move(last));
    }
    // Frames of the transition itself (the first presented frame is the start).
    int transitionFrames() const { return count - 1; }
    const qvl::Surface& old() const { return frames.front(); }
    const qvl::Surface& final() const { return frames.back(); }
    const qvl::Surface& newScene() const { return app->bank()[qvl::SurfaceId::VirtualVram]; }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
    std::vector<qvl::Surface> frames;
    qvl::Surface last;
    int count = 0;
};

bool same(const qvl::Surface& a, const qvl::Surface& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

// Frames until the moving families are done: distance 0 to the limit, the speed
// growing by one up to the middle and falling to at least 1 after it.
int movingFrames(int middle, int limit, int factor) {
    int b = 0, v = 0, frames = 0;
    for (;;) {
        if (b <= middle)
            ++v;
        else if (v > 1)
            --v;
        ++frames;
        if (b >= limit) return frames;
        b = std::min(b + factor * v, limit);
    }
}

TEST(Transition, EveryNameShowsItsFramesAndEndsOnTheNewScene) {
    std::map<std::string, int> frames{{"TILE0", 8},  {"TILE1", 8},  {"TILE2", 8},   {"TILE3", 8},   {"TILEH0", 8},
                                      {"TILEH1", 8}, {"TILEH2", 8}, {"TILEH3", 8},  {"PAT0", 8},    {"PAT1", 16},
                                      {"PAT2", 16},  {"PAT3", 8},   {"PAT4", 8},    {"WIPE0", 36},  {"WIPE1", 36},
                                      {"WIPE2", 32}, {"WIPE3", 32}, {"LINE0", 240}, {"LINE1", 110}, {"BLEND0", 17}};
    for (const char* n : {"SCROLL0", "SCROLL1", "TSCROLL0", "TSCROLL1"}) frames[n] = movingFrames(325, 640, 1);
    for (const char* n : {"SCROLL2", "SCROLL3", "TSCROLL2", "TSCROLL3", "SLIDE2", "SLIDE3", "TSLIDE2", "TSLIDE3"})
        frames[n] = movingFrames(240, 480, 1);
    for (const char* n : {"SLIDE0", "SLIDE1", "TSLIDE0", "TSLIDE1"}) frames[n] = movingFrames(325, 640, 2);
    ASSERT_EQ(frames.size(), 36u);
    for (const auto& [name, count] : frames) {
        TransitionRun r("#" + name);
        EXPECT_EQ(r.transitionFrames(), count) << name;
        EXPECT_TRUE(same(r.final(), r.newScene())) << name << " does not end on the new scene";
        EXPECT_FALSE(same(r.old(), r.newScene()));
    }
}

TEST(Transition, TheFirstCharacterIsDroppedAndTheRestComparedExactly) {
    TransitionRun hash("#TILE0", "", true), x("XTILE0", "", true), bare("TILE0"), lower("#tile0");
    ASSERT_EQ(hash.frames.size(), x.frames.size());
    for (std::size_t i = 0; i < hash.frames.size(); ++i) EXPECT_TRUE(same(hash.frames[i], x.frames[i])) << i;
    EXPECT_EQ(bare.transitionFrames(), 0) << "\"TILE0\" names ILE0";
    EXPECT_EQ(lower.transitionFrames(), 0) << "names are compared with their case";
    // Nothing is shown after an unknown name, but the scene is composed.
    EXPECT_TRUE(same(bare.newScene(), hash.newScene()));
}

// Checks every frame of a pixel family against the rule: pixel (x, y) shows the new
// scene once its opening frame (from 1) is reached.
void expectOpenings(const TransitionRun& r, int frames, const std::function<int(int, int)>& opening) {
    ASSERT_EQ(int(r.frames.size()), frames + 1);
    const qvl::Surface& old = r.frames[0];
    const qvl::Surface& next = r.newScene();
    for (int f = 1; f <= frames; f += frames / 4) {
        int wrong = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const uint32_t want = opening(x, y) <= f ? next.pixel(x, y) : old.pixel(x, y);
                wrong += r.frames[std::size_t(f)].pixel(x, y) != want;
            }
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
}

int mod(int v, int m) {
    return ((v % m) + m) % m;
}

TEST(Transition, ThePixelFamiliesOpenEachPixelInItsFrame) {
    for (int n = 0; n < 4; ++n) {
        TransitionRun tile("#TILE" + std::to_string(n), "", true);
        expectOpenings(tile, 8, [n](int x, int y) { return kPatterns[n][y % 4][x % 4]; });
        TransitionRun tileh("#TILEH" + std::to_string(n), "", true);
        expectOpenings(tileh, 8, [n](int x, int y) { return kPatterns[n][y % 4][x % 4]; });
    }
    TransitionRun pat0("#PAT0", "", true);
    expectOpenings(pat0, 8, [](int x, int y) { return mod(-(x + y), 8) + 1; });
    TransitionRun pat1("#PAT1", "", true);
    expectOpenings(pat1, 16, [](int x, int y) {
        const int i = mod(-(x + y), 8);
        return i >= x % 8 ? i + 1 : 8 + (7 - i) + 1;
    });
    TransitionRun pat2("#PAT2", "", true);
    expectOpenings(pat2, 16, [](int x, int y) {
        if (y % 2 == 0) return mod(x + y, 16) + 1;
        const int even = 479 - y;
        return mod(-(x + even), 16) + 1;
    });
}

TEST(Transition, Tile3OpensEveryPixelExactlyOnce) {
    TransitionRun r("#TILE3", "", true);
    const qvl::Surface& old = r.frames[0];
    int changes = 0, differing = 0;
    for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 640; x += 3) {
            if (old.pixel(x, y) == r.newScene().pixel(x, y)) continue;
            ++differing;
            for (std::size_t f = 1; f < r.frames.size(); ++f)
                changes += r.frames[f].pixel(x, y) != r.frames[f - 1].pixel(x, y);
        }
    EXPECT_GT(differing, 1000);
    EXPECT_EQ(changes, differing);
}

TEST(Transition, BlendMixesSixteenthsOfEachScene) {
    TransitionRun r("#BLEND0", "", true);
    ASSERT_EQ(r.frames.size(), 18u);
    for (int i : {0, 5, 16}) {
        const qvl::Surface& f = r.frames[std::size_t(i) + 1];
        int wrong = 0;
        for (int y = 0; y < 480; y += 7)
            for (int x = 0; x < 640; x += 7) {
                const uint32_t n = r.newScene().pixel(x, y), o = r.frames[0].pixel(x, y);
                uint32_t want = 0;
                for (int s = 0; s < 24; s += 8)
                    want |= ((((n >> s) & 0xFF) * uint32_t(i) + ((o >> s) & 0xFF) * uint32_t(16 - i)) >> 4) << s;
                wrong += f.pixel(x, y) != want;
            }
        EXPECT_EQ(wrong, 0) << "step " << i;
    }
}

TEST(Transition, Scroll0StartsOnTheOldSceneAndEndsAt640) {
    TransitionRun r("#SCROLL0", "", true);
    EXPECT_TRUE(same(r.frames[1], r.frames[0])) << "distance 0 is the old scene";
    EXPECT_TRUE(same(r.frames.back(), r.newScene()));
    // The second frame moved by one pixel: the old scene's column 1 is at 0.
    EXPECT_EQ(r.frames[2].pixel(0, 200), r.frames[0].pixel(1, 200));
}

TEST(Transition, Slide0LeavesSpritesOnTheUncoveredPartAndDoesNotBringThemBack) {
    const std::string sprite = "_sprload stars.bmp,32,32,\"#TOP_LEFT\"\n_sprput 0,20,200\n";
    TransitionRun r("#SLIDE0", sprite, true);
    const qvl::Surface& start = r.frames[1];
    const qvl::Surface& middle = r.frames[r.frames.size() / 2];
    int spriteLeft = 0;
    for (int y = 200; y < 232; ++y)
        for (int x = 20; x < 52; ++x) spriteLeft += middle.pixel(x, y) == start.pixel(x, y);
    EXPECT_EQ(spriteLeft, 32 * 32) << "the left edge is not covered yet halfway";
    EXPECT_TRUE(same(r.frames.back(), r.newScene())) << "no sprite at the end";
}

TEST(Transition, NoFrameShowsTextWhileTheTextIsHidden) {
    TransitionRun shown("#TILE0", "文字を書く\n", true, "click\n");
    // The text is written while the layer is hidden: it never reaches the screen.
    TransitionRun hidden("#TILE0", "<P0>文字を書く\n", true, "click\n");
    // With text: the last frame is the new scene with the text burned in.
    ASSERT_EQ(shown.result.transcript, "chapter: Quorvel\ntext: 文字を書く\nidle\n");
    EXPECT_FALSE(same(shown.frames.back(), shown.newScene()));
    ASSERT_GE(hidden.frames.size(), 9u);
    for (std::size_t f = 1; f < hidden.frames.size(); ++f) {
        int foreign = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; ++x) {
                const uint32_t p = hidden.frames[f].pixel(x, y);
                foreign += p != hidden.newScene().pixel(x, y) && p != hidden.frames.front().pixel(x, y);
            }
        EXPECT_EQ(foreign, 0) << "frame " << f;
    }
}

}  // namespace
