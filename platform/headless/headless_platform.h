#pragma once
// The headless backend: a virtual clock, a scripted input queue and the last
// presented frame. Waiting with an empty queue moves the clock to the deadline,
// so a long scenario runs in milliseconds and the same input always gives the
// same frames.
#include "platform/fonts.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_speech.h"
#include "platform/headless/input_script.h"
#include "platform/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace qvl::platform {

struct HeadlessOptions {
    // When the input is used up and the engine blocks for input, act as a patient
    // reader (click at text waits, answer questions with the box's suggestion)
    // instead of ending the run.
    bool autoPlay = false;
    // Virtual milliseconds after which the run stops.
    std::optional<uint32_t> maxMs;
    // When set, every presented frame is written there as NNNNNN-TTTTTTTT.png (the
    // frame's number from 0 and the virtual time in ms), the overlay laid over it.
    std::string framesDir = {};
    // Called with every presented frame (its number from 0, the virtual time in ms
    // and the picture with the overlay laid over it), for tests that look at frames.
    std::function<void(int, uint64_t, const Surface&)> onFrame = {};
    // Where the speech of self-voicing writes its "speech:" lines (the transcript).
    std::ostream* speechOut = nullptr;
};

class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform(std::vector<ScriptedInput> input, HeadlessOptions options);

    // The clock runs from kTickOrigin like the real one; clock_ counts from the start.
    uint32_t ticks() override { return uint32_t(kTickOrigin + clock_); }
    std::optional<Event> waitEvent(std::optional<uint32_t> deadline, const WaitHint& hint) override;
    void startTimer(int id, uint32_t intervalMs) override;
    void stopTimer(int id) override { timers_.erase(id); }

    void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) override;
    void setCaption(std::string_view utf8) override { caption_ = utf8; }
    void setBorder(bool on) override { border_ = on; }
    bool setFullScreen(bool on) override {
        fullScreen_ = on;
        return true;
    }
    void setCursor(Cursor cursor) override { cursor_ = cursor; }
    int colourDepth() override { return 32; }
    void setTextInput(bool on, Rect) override { textInput_ = on; }
    void beep() override {}
    FontEngine& fonts() override { return fonts_; }
    AudioOutput& audio() override { return audio_; }
    // Virtual runs start at 2000-01-01 00:00:00 UTC and follow the virtual clock.
    std::time_t now() override { return std::time_t(946684800) + std::time_t(clock_ / 1000); }
    std::tm localTime() override {
        std::time_t t = now();
        std::tm out{};
        gmtime_r(&t, &out);
        return out;
    }
    // Runs of one process may overlap (tests in parallel): no lock.
    bool acquireInstanceLock() override { return true; }
    // Off-screen windows, numbered from 1 in the order they are opened.
    std::unique_ptr<SecondaryWindow> openWindow(std::string_view utf8Caption, int width, int height) override;
    Speech* speech() override { return &speech_; }

    // What a test or the runner looks at.
    const Surface& lastFrame() const { return lastFrame_; }
    int presentCount() const { return presentCount_; }
    const std::string& caption() const { return caption_; }
    bool border() const { return border_; }
    bool fullScreen() const { return fullScreen_; }
    Cursor cursor() const { return cursor_; }
    bool inputLeft() const { return !queue_.empty() || !timed_.empty(); }
    // Virtual milliseconds since the start of the run.
    uint64_t elapsed() const { return clock_; }
    // --audio-out: the run's sound mixed into a WAV file on the virtual clock, from
    // now until finishAudioOut() at the run's end. False, and why, on failure.
    bool recordAudio(const std::string& wavPath, std::string* reason) { return audio_.recordTo(wavPath, reason); }
    bool finishAudioOut(std::string* reason) { return audio_.finishRecording(reason); }

private:
    struct Timer {
        uint32_t interval;
        uint64_t next;
    };
    // Moves the clock to `to`, stopping at the time limit.
    void advanceTo(uint64_t to);
    std::optional<uint64_t> nextTimerDue() const;
    std::optional<Event> fireDueTimer();
    Event deliver(ScriptedInput in);

    uint64_t clock_ = 0;
    std::deque<ScriptedInput> queue_;
    std::deque<ScriptedInput> timed_;    // `at` events, by time
    std::optional<uint64_t> waitUntil_;  // the end of a `wait` at the queue's front
    std::map<int, Timer> timers_;
    HeadlessOptions options_;
    int lastX_ = 0, lastY_ = 0;

    Surface lastFrame_;
    int presentCount_ = 0;
    int windowsOpened_ = 0;
    void writeFrame();
    void composeFrame(const Surface& frame, const Surface* overlay, std::optional<Rect> changed);
    bool frameWriteFailed_ = false;
    std::string caption_;
    bool border_ = true, fullScreen_ = false, textInput_ = false;
    Cursor cursor_ = Cursor::Pen;
    FontEngine fonts_;
    HeadlessAudio audio_{[this] { return clock_; }};
    HeadlessSpeech speech_{[this] { return clock_; }, options_.speechOut};
};

}  // namespace qvl::platform
