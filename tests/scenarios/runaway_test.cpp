// Scenarios no author means but anyone can write: a FIFO where a sound or a movie
// should be, effects asked for billions of frames with no delay. Every run ends, by
// itself or at the run's limits, and the loops still answer the player's keys.
#include "tests/scenarios/scenario_run.h"

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace qvl_test;

// Turns a run stuck opening a FIFO into a failure rather than a hung test suite: if
// the run is still going after a minute, each FIFO is opened for writing and closed
// again, which lets a reader blocked on it go on to an empty file.
class FifoRescue {
public:
    explicit FifoRescue(std::vector<fs::path> fifos) : fifos_(std::move(fifos)) {
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (done_.wait_for(lock, std::chrono::seconds(60), [this] { return finished_; })) return;
            while (!done_.wait_for(lock, std::chrono::milliseconds(100), [this] { return finished_; })) {
                for (const fs::path& fifo : fifos_) {
                    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) rescued_ = true, ::close(fd);
                }
            }
        });
    }
    // True when the run had to be freed.
    bool finish() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
        return rescued_;
    }

private:
    std::vector<fs::path> fifos_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false, rescued_ = false;
    std::thread thread_;
};

TEST(Runaway, AFifoInPlaceOfAMediaFileIsAnUnreadableFile) {
    ScenarioRun run("text_case");
    run.writeScenarioFile("autorun.txt",
                          "_midiplay \"bgm.mid\",1\n_pcmplay \"se.wav\"\n_bgmmode 1\n_bgmplay \"song\"\n"
                          "_cdplay 2\n_aviplay \"movie.avi\"\n後\n");
    std::vector<fs::path> fifos;
    for (const char* name : {"bgm.mid", "se.wav", "song.mp3", "track01.wav", "track02.wav", "movie.avi"}) {
        fifos.push_back(run.dir() / name);
        ASSERT_EQ(::mkfifo(fifos.back().c_str(), 0600), 0);
    }
    run.autoPlay = true;
    FifoRescue rescue(fifos);
    const RunResult r = run.run();
    EXPECT_FALSE(rescue.finish()) << "the run waited on a FIFO";
    // Each one reported as a file that cannot be read, and the story goes on.
    std::size_t errors = 0;
    for (std::size_t at = r.transcript.find("\nerror: "); at != std::string::npos;
         at = r.transcript.find("\nerror: ", at + 1))
        ++errors;
    EXPECT_EQ(errors, 5u) << r.transcript;
    EXPECT_NE(r.transcript.find("\ntext: 後\n"), std::string::npos) << r.transcript;
    EXPECT_EQ(r.exitCode, 0);
}

struct LoopRun {
    LoopRun(const std::string& script, std::optional<uint32_t> maxMs, std::optional<uint64_t> maxSteps,
            const std::string& input = "")
        : run("text_case") {
        run.writeScenarioFile("autorun.txt", script + "後\n");
        fs::copy_file(fs::path(QVL_TEST_SCENARIOS) / "effect_roll_hole" / "girl.mag", run.dir() / "girl.mag");
        run.maxMs = maxMs;
        run.maxSteps = maxSteps;
        run.autoPlay = true;
        result = run.run(nullptr, input);
    }
    bool timedOut() const {
        const std::string end = "timeout\n";
        return result.transcript.size() >= end.size() &&
               result.transcript.compare(result.transcript.size() - end.size(), end.size(), end) == 0 &&
               result.transcript.find("text: 後") == std::string::npos;
    }
    ScenarioRun run;
    RunResult result;
};

TEST(Runaway, LoopsWithNoDelayEndAtTheTimeOrStepLimitAndAnswerEscape) {
    const std::string loops[] = {
        "_shake 16,2147483647,0\n",
        "_movplay nosuch,0,2147483647,0,0\n",
        "_bhole \"girl.mag\",0,0,0,0,10,10,2147483647,0,6,0\n",
        "_scroll 0,#000000,1,0,4\n|2147483647\n_endscroll\n",
    };
    for (const std::string& loop : loops) {
        LoopRun timed(loop, 200, std::nullopt);
        EXPECT_TRUE(timed.timedOut()) << loop << timed.result.transcript;
        EXPECT_EQ(timed.run.platform().elapsed(), 200u) << loop;
        LoopRun counted(loop, std::nullopt, 200);
        EXPECT_TRUE(counted.timedOut()) << loop << counted.result.transcript;
        // Escape during the loop asks to end the program, as anywhere in a story.
        LoopRun escaped(loop, std::nullopt, 10000, "at 50 key Escape\n");
        const std::string quit = "box: 終了 | 終了しますか？ -> ok\nexit: 0\n";
        EXPECT_TRUE(escaped.result.transcript.size() >= quit.size() &&
                    escaped.result.transcript.substr(escaped.result.transcript.size() - quit.size()) == quit)
            << loop << escaped.result.transcript;
    }
}

TEST(Runaway, APieceWithNoLengthRepeatedEndlesslyLetsTheStoryGoOn) {
    // A MIDI file of one empty track: it lasts nothing, and is played for ever or
    // two billion times; the delay after it still ends and the text follows.
    const std::string empty("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xff\x2f\0", 22);
    for (const char* count : {"0", "2147483647"}) {
        ScenarioRun run("text_case");
        qvl_test_files::writeAll(run.dir() / "empty.mid", empty);
        run.writeScenarioFile("autorun.txt", std::string("_midiplay \"empty.mid\",") + count + "\n_delay 1000\n後\n");
        run.maxMs = 5000;
        const RunResult r = run.run();
        EXPECT_NE(r.transcript.find("text: 後\nidle\n"), std::string::npos) << count << r.transcript;
    }
}

}  // namespace
