#pragma once
// Runs a scenario folder of tests/scenarios headless, in-process, in a scratch
// copy of the folder (runs write qvl.ini and saves).
#include "app/tfmain.h"
#include "graphics/png_io.h"
#include "tests/common/file_bytes.h"
#include "platform/encoding.h"
#include "platform/headless/headless_platform.h"
#include "script/script_key.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace qvl_test {
namespace fs = std::filesystem;
}  // namespace qvl_test

namespace qvl_test {

using qvl_test_files::readAll;
using qvl_test_files::writeAll;

// UTF-8 text with LF lines as the Shift-JIS, CR LF file a scenario ships.
inline std::string toScenarioBytes(const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
        if (c == '\n') crlf += "\r\n";
        else crlf += c;
    }
    return qvl::platform::utf8ToSjis(crlf);
}

struct RunResult {
    std::string transcript;
    int exitCode = -1;
    fs::path dir;
};

class ScenarioRun {
public:
    explicit ScenarioRun(const std::string& name) : source_(fs::path(QVL_TEST_SCENARIOS) / name) {
        // A folder holding "fixed-folder" runs where its path is the same every time
        // (for frames that show the current folder).
        const bool fixed = fs::exists(source_ / "fixed-folder");
        dir_ = fs::temp_directory_path() /
               ("qvl-scenario-" + name + (fixed ? std::string() : "-" + std::to_string(::getpid())));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const auto& entry : fs::directory_iterator(source_)) {
            std::string file = entry.path().filename().string();
            if (file == "input" || file == "options" || file == "expected" || file == "golden" ||
                file == "fixed-folder" ||
                file.rfind("expected-", 0) == 0 ||
                file.rfind("absent-", 0) == 0)
                continue;
            if (entry.path().extension() == ".utf8") {
                std::string bytes = toScenarioBytes(readAll(entry.path()));
                fs::path target = dir_ / entry.path().stem();
                if (target.extension() == ".txd") scramble(bytes);
                writeAll(target, bytes);
            } else {
                fs::copy(entry.path(), dir_ / file, fs::copy_options::recursive);
            }
        }
    }
    ~ScenarioRun() {
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }

    // inputText replaces the folder's input file when given.
    RunResult run(qvl::TFmain** inspect = nullptr, std::optional<std::string> inputText = std::nullopt) {
        std::vector<qvl::platform::ScriptedInput> input;
        if (inputText) input = qvl::platform::parseInputScript(*inputText);
        else if (fs::exists(source_ / "input")) input = qvl::platform::parseInputScript(readAll(source_ / "input"));
        qvl::platform::HeadlessOptions options;
        qvl::TFmainOptions engine;
        engine.transcript = &out_;
        engine.maxSteps = 10'000'000;
        if (fs::exists(source_ / "options")) {
            std::istringstream words(readAll(source_ / "options"));
            for (std::string w; words >> w;) {
                if (w == "auto") options.autoPlay = true;
                if (w == "max-ms") {
                    uint32_t ms = 0;
                    words >> ms;
                    options.maxMs = ms;
                }
                if (w == "max-steps") {
                    uint64_t steps = 0;
                    words >> steps;
                    engine.maxSteps = steps;
                }
            }
        }
        if (maxSteps) engine.maxSteps = maxSteps;
        if (maxMs) options.maxMs = maxMs;
        if (autoPlay) options.autoPlay = true;
        engine.selfVoicing = selfVoicing;
        options.speechOut = &out_;
        options.onFrame = onFrame;
        fs::current_path(dir_);
        platform_ = std::make_unique<qvl::platform::HeadlessPlatform>(std::move(input), options);
        app_ = std::make_unique<qvl::TFmain>(*platform_, engine);
        RunResult r;
        if (!audioOut.empty()) {
            EXPECT_TRUE(platform_->recordAudio(audioOut.string(), nullptr));
        }
        r.exitCode = app_->run();
        if (!audioOut.empty()) {
            EXPECT_TRUE(platform_->finishAudioOut(nullptr));
        }
        r.transcript = out_.str();
        r.dir = dir_;
        if (inspect) *inspect = app_.get();
        fs::current_path(previous_);
        return r;
    }

    void checkExpectations(const RunResult& r) {
        EXPECT_EQ(r.transcript, readAll(source_ / "expected")) << "scenario " << source_.filename();
        checkGolden();
        for (const auto& entry : fs::directory_iterator(source_)) {
            std::string file = entry.path().filename().string();
            if (file.rfind("expected-", 0) == 0) {
                fs::path produced = dir_ / file.substr(9);
                ASSERT_TRUE(fs::exists(produced)) << produced;
                EXPECT_EQ(readAll(produced), toScenarioBytes(readAll(entry.path()))) << file;
            } else if (file.rfind("absent-", 0) == 0) {
                EXPECT_FALSE(fs::exists(dir_ / file.substr(7))) << file;
            }
        }
    }

    qvl::platform::HeadlessPlatform& platform() { return *platform_; }
    // The run's scratch copy of the folder.
    const fs::path& dir() const { return dir_; }
    // Overrides the folder's options for the next run.
    std::optional<uint64_t> maxSteps;
    std::optional<uint32_t> maxMs;
    bool autoPlay = false;
    bool selfVoicing = false;  // as --self-voicing
    std::function<void(int, uint64_t, const qvl::Surface&)> onFrame;
    // When set, the run's sound is mixed into this WAV file.
    fs::path audioOut;

    // Replaces a file of the run's copy, written as a scenario ships it.
    void writeScenarioFile(const std::string& name, const std::string& utf8) {
        writeAll(dir_ / name, toScenarioBytes(utf8));
    }

    // For folders holding a file named "golden": the last frame against
    // tests/golden/NAME.png. A mismatch leaves NAME.actual.png beside it to look
    // at; QVL_UPDATE_GOLDENS=1 (make update-goldens) writes the golden instead.
    void checkGolden() {
        if (!fs::exists(source_ / "golden")) return;
        const fs::path golden = fs::path(QVL_TEST_GOLDEN) / (source_.filename().string() + ".png");
        const fs::path actual = fs::path(QVL_TEST_GOLDEN) / (source_.filename().string() + ".actual.png");
        const qvl::Surface& frame = platform_->lastFrame();
        if (const char* update = std::getenv("QVL_UPDATE_GOLDENS"); update && std::string(update) == "1") {
            qvl::writePngFile(golden.string(), frame);
            return;
        }
        ASSERT_TRUE(fs::exists(golden)) << golden << " is missing: make update-goldens";
        auto expected = qvl::readPngFile(golden.string());
        ASSERT_TRUE(expected) << golden;
        if (*expected == frame) {
            fs::remove(actual);
            return;
        }
        qvl::writePngFile(actual.string(), frame);
        ADD_FAILURE() << "the frame differs from " << golden << "; see " << actual;
    }

private:
    void scramble(std::string& bytes) {
        int32_t key = qvl::kDefaultScriptKey;
        if (fs::exists(dir_ / "decode.key"))
            key = qvl::scriptKeyFromFile(readAll(dir_ / "decode.key")).value_or(key);
        qvl::scrambleFile(bytes, key);
    }

    fs::path source_, dir_;
    fs::path previous_ = fs::current_path();
    std::ostringstream out_;
    std::unique_ptr<qvl::platform::HeadlessPlatform> platform_;
    std::unique_ptr<qvl::TFmain> app_;
};

}  // namespace qvl_test
