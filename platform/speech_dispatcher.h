#pragma once
// Speech through the desktop's speech service, speech-dispatcher, by its client
// library libspeechd, opened at run time: without the library, the daemon or a
// voice, self-voicing reports that it cannot speak and the program runs on. All
// talk with the service happens on a worker thread, so a missing or stuck daemon
// never holds the window up; `notify` is called (from any thread) whenever an
// utterance ended or the connection failed.
#include "platform/speech.h"

#include <functional>
#include <memory>

namespace qvl::platform {

class SpeechDispatcher final : public Speech {
public:
    explicit SpeechDispatcher(std::function<void()> notify);
    ~SpeechDispatcher() override;
    SpeechDispatcher(const SpeechDispatcher&) = delete;
    SpeechDispatcher& operator=(const SpeechDispatcher&) = delete;

    void open() override;
    SpeechState state() const override;
    std::string failure() const override;
    void say(std::string_view utf8, bool interrupt) override;
    void stop() override;
    bool speaking() const override;

    struct Worker;

private:
    // Shared with the worker thread, which may outlive us when the service hangs.
    std::shared_ptr<Worker> worker_;
};

}  // namespace qvl::platform
