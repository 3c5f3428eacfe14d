#include "platform/headless/headless_speech.h"

#include <algorithm>

namespace qvl::platform {

namespace {

uint64_t characters(std::string_view utf8) {
    // Continuation bytes are not characters of their own.
    return uint64_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

}  // namespace

void HeadlessSpeech::line(std::string_view text) {
    if (!out_) return;
    *out_ << "speech: " << text << '\n';
    out_->flush();
}

void HeadlessSpeech::say(std::string_view utf8, bool interrupt) {
    const uint64_t now = clock_();
    const uint64_t start = interrupt ? now : std::max(end_, now);
    end_ = start + std::max<uint64_t>(1, characters(utf8)) * kMsPerCharacter;
    reported_ = false;
    line(utf8);
}

void HeadlessSpeech::stop() {
    if (!speaking()) return;
    end_ = clock_();
    reported_ = true;
    line("stop");
}

std::optional<uint64_t> HeadlessSpeech::nextEnd() const {
    if (reported_) return std::nullopt;
    return end_;
}

std::optional<Event> HeadlessSpeech::takeEnded(uint64_t now) {
    if (reported_ || end_ > now) return std::nullopt;
    reported_ = true;
    Event e;
    e.type = Event::Type::Speech;
    return e;
}

}  // namespace qvl::platform
