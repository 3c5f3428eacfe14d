#pragma once
// Speech on the virtual clock: each utterance is a transcript line "speech: TEXT"
// and lasts kMsPerCharacter virtual milliseconds a character, so waits that follow
// speech (auto-advance) and clicks that cut it short behave as with a real voice,
// and repeat exactly. Cutting one short writes "speech: stop".
#include "platform/events.h"
#include "platform/speech.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>

namespace qvl::platform {

class HeadlessSpeech final : public Speech {
public:
    static constexpr uint64_t kMsPerCharacter = 100;

    // clock: the virtual milliseconds since the start; out: where the lines go.
    HeadlessSpeech(std::function<uint64_t()> clock, std::ostream* out) : clock_(std::move(clock)), out_(out) {}

    void open() override {}
    SpeechState state() const override { return SpeechState::Ready; }
    std::string failure() const override { return {}; }
    void say(std::string_view utf8, bool interrupt) override;
    void stop() override;
    bool speaking() const override { return end_ > clock_(); }

    // When the last utterance ends, while that is still to come and unreported.
    std::optional<uint64_t> nextEnd() const;
    // The report of an utterance that has ended by now, once.
    std::optional<Event> takeEnded(uint64_t now);

private:
    void line(std::string_view text);

    std::function<uint64_t()> clock_;
    std::ostream* out_;
    uint64_t end_ = 0;
    bool reported_ = true;
};

}  // namespace qvl::platform
