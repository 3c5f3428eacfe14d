// Sound on the virtual clock: pieces play for their real length, so counts,
// repeats, switches and waits fall at exact virtual times.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;

// second.wav plays for exactly one second.
struct AudioRun {
    AudioRun(const std::string& script, const std::string& input = "") : run("audio_case") {
        run.writeScenarioFile("autorun.txt", script);
        result = run.run(&app, input);
    }
    const qvl::PlaybackChannel& music() const { return app->channels[qvl::PlaybackChannels::kMusic]; }
    const qvl::PlaybackChannel& sound() const { return app->channels[qvl::PlaybackChannels::kSound]; }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

TEST(Audio, ACountOfThreeEndsAfterThreePlaysWithTheChannelStillPlaying) {
    AudioRun r("_midiplay second.wav,3\n_delay 10000\n_mouseclick\n");
    EXPECT_EQ(r.music().playCount, 3);
    EXPECT_TRUE(r.music().playing);
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nmusic: play second.wav x3\nidle\n");
}

TEST(Audio, ACountOfZeroRepeatsOnTheVirtualClockUntilStopped) {
    AudioRun r("_midiplay second.wav\n_delay 3500\n_midistop\n_delay 5000\n_mouseclick\n");
    EXPECT_EQ(r.music().playCount, 0) << "stopped";
    AudioRun counted("_midiplay second.wav,0\n_delay 3500\n_mouseclick\n");
    EXPECT_EQ(counted.music().playCount, 4) << "plays started at 0, 1, 2 and 3 s";
}

TEST(Audio, SwitchingMusicOffCutsItAndOnResumesIt) {
    AudioRun off("_midiplay second.wav,0\n_delay 2500\n_mouseclick\n", "at 1500 menu 音楽再生\n");
    EXPECT_FALSE(off.music().playing);
    EXPECT_TRUE(off.music().resumePending);
    EXPECT_FALSE(off.app->settings.EnableMusic);
    AudioRun back("_midiplay second.wav,0\n_delay 2500\n_mouseclick\n",
                  "at 1000 menu 音楽再生\nat 2000 menu 音楽再生\n");
    EXPECT_TRUE(back.music().playing);
    EXPECT_TRUE(back.app->settings.EnableMusic);
}

TEST(Audio, BgmPlayIsIgnoredUntilAModeIsChosen) {
    AudioRun r("_bgmplay second,1\n_mouseclick\n");
    EXPECT_FALSE(r.music().playing);
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nidle\n");
    AudioRun wav("_bgmmode 3\n_bgmplay second,2\n_delay 5000\n_mouseclick\n");
    EXPECT_EQ(wav.music().fileName, "second.wav");
    EXPECT_EQ(wav.music().playCount, 2);
}

TEST(Audio, SoundEffectsCountTheirPlaysToo) {
    AudioRun r("_pcmplay second.wav,2\n_delay 5000\n_mouseclick\n");
    EXPECT_EQ(r.sound().playCount, 2);
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nsound: play second.wav\nidle\n");
}

TEST(Audio, AWaveCodeWaitsForItsLength) {
    AudioRun r("前<Vsecond.wav>後\n_mouseclick\n", "click\n");
    EXPECT_GE(r.run.platform().elapsed(), 1000u);
    AudioRun async("前<Osecond.wav>後\n_mouseclick\n", "click\n");
    EXPECT_LT(async.run.platform().elapsed(), 1000u);
}

TEST(Audio, SwitchingTheDisplayStartsEndlessMusicAgain) {
    AudioRun r("_midiplay second.wav,0\n_delay 1500\n_mouseclick\n", "at 700 key F11\n");
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\nmusic: play second.wav x0\nmusic: stop\nmusic: play second.wav x0\nidle\n");
    EXPECT_EQ(r.music().playCount, 1) << "the new play started at 0.7 s and has not ended by 1.5 s";
}

TEST(Audio, AChoiceReturnsAfterItsClickSoundHasPlayed) {
    ScenarioRun run("audio_case");
    run.writeScenarioFile("qvl.cfg", "SavePath=save\\\nMenuClickSound=second.wav\n");
    run.writeScenarioFile("autorun.txt", "_selmenu 100,100\nabc\n_endsel\n_mouseclick\n");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, "choose 0\n");
    EXPECT_EQ(r.transcript, "chapter: Quorvel\nwave: play second.wav\nchoice: abc -> 0\nidle\n");
    EXPECT_GE(run.platform().elapsed(), 1000u);
}

TEST(Audio, ACdTrackStartsWhereTheRippedTracksBeforeItEnd) {
    ScenarioRun run("audio_case");
    // Track 1 is the disc's data track and was not ripped.
    fs::create_directories(run.dir() / "cdaudio");
    fs::copy(run.dir() / "second.wav", run.dir() / "cdaudio" / "track02.wav");
    fs::copy(run.dir() / "second.wav", run.dir() / "cdaudio" / "03.wav");
    fs::copy(fs::path(QVL_TEST_DATA) / "audio" / "flac_16k_mono.flac", run.dir() / "cdaudio" / "Track 04.flac");
    run.writeScenarioFile("autorun.txt", "_cdplay 4,1\n_mouseclick\n");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, "");
    EXPECT_EQ(r.transcript, "chapter: Quorvel\ncd: play 4 x1\nidle\n");
    const qvl::PlaybackChannel& cd = app->channels[qvl::PlaybackChannels::kCd];
    EXPECT_EQ(cd.trackStart, 2000);
    EXPECT_EQ(cd.trackLength, 500);
}

TEST(Audio, AMissingPieceIsReportedAndTheStoryGoesOn) {
    AudioRun r("_midiplay nothing.mid,1\n後\n", "answer ok\nanswer no\nclick\n");
    EXPECT_NE(r.result.transcript.find("error: File:autorun.txt Line:1/cannot open"), std::string::npos)
        << r.result.transcript;
    EXPECT_NE(r.result.transcript.find("text: 後"), std::string::npos);
    EXPECT_FALSE(r.music().deviceOpen);
}

}  // namespace

namespace {

using namespace qvl_test;

TEST(Movie, AviPlayWaitsForTheMovieAndAClickEndsItEarly) {
    ScenarioRun full("audio_case");
    full.writeScenarioFile("autorun.txt", "_aviplay cinepak.avi,100,100,320,240\n後\n");
    RunResult r = full.run(nullptr, "");
    EXPECT_EQ(r.transcript, "chapter: Quorvel\nmovie: cinepak.avi 160x120\ntext: 後\nidle\n");
    const uint64_t length = full.platform().elapsed();
    EXPECT_GE(length, 900u) << "the script waited for the movie";

    ScenarioRun cut("audio_case");
    cut.writeScenarioFile("autorun.txt", "_aviplay cinepak.avi\n後\n");
    cut.run(nullptr, "at 300 click\n");
    EXPECT_LT(cut.platform().elapsed(), 400u) << "a click ends the movie";

    ScenarioRun missing("audio_case");
    missing.writeScenarioFile("autorun.txt", "_aviplay none.avi\n後\n");
    RunResult m = missing.run(nullptr, "answer ok\nanswer no\nclick\n");
    EXPECT_NE(m.transcript.find("text: 後"), std::string::npos) << m.transcript;
}

}  // namespace
