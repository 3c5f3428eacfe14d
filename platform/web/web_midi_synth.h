#pragma once
// MIDI in the browser: a piece is rendered whole, at open, by TiMidity (from
// SDL_mixer's source) with General MIDI patches that lie beside the page. The
// patches are fetched only when a piece first needs them, so they never weigh on
// the page's first load.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvl::platform {

class WebMidiSynth {
public:
    static constexpr int kRate = 32000;  // frames a second; two channels

    // The piece as interleaved stereo 16-bit samples, lengthMs long (our probe's
    // time, to its last event). Empty, with reason, when it cannot be played.
    std::vector<int16_t> render(std::string_view smf, uint32_t lengthMs, std::string* reason);

private:
    bool ready(std::string* reason);

    enum class State { kUntried, kReady, kFailed } state_ = State::kUntried;
    std::string failure_;
};

}  // namespace qvl::platform
