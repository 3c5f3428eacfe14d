#include "platform/sdl/sdl_repeats.h"

#include <array>
#include <atomic>

namespace qvl::platform::repeats {

namespace {

// Shared by the engine's thread and the audio thread. SDL_mixer's hooks carry no
// context, so this lives with them, once per process, as the mixer does.
struct OutputState {
    std::atomic<int> device{0};
    std::atomic<bool> armed{false};        // reports wanted for what plays now
    std::atomic<uint32_t> generation{0};   // counts begin() and end(): tells stale reports
    std::atomic<int64_t> startFrame{-1};   // the mixed frame the first play began at; -1 until seen
    std::atomic<uint64_t> passFrames{0};
    std::atomic<int> plays{1};             // 0: for ever
    std::atomic<int> reported{0};          // plays reported ended
    std::atomic<int> owed{0};              // reports the engine has yet to answer
};

std::array<OutputState, 3> gOutputs;
std::atomic<uint64_t> gMixed{0};
std::atomic<uint32_t> gEventType{0};

void post(Output output) {
    OutputState& s = gOutputs[std::size_t(output)];
    SDL_Event e{};
    e.type = gEventType.load();
    e.user.code = s.device.load();
    e.user.data1 = reinterpret_cast<void*>(uintptr_t(output) | uintptr_t(s.generation.load()) << 2);
    SDL_PushEvent(&e);  // safe from any thread
}

bool morePlays(const OutputState& s) {
    const int plays = s.plays.load();
    return plays == 0 || s.reported.load() < plays;
}

// Reports the end of the next play; all but the last are answered by a play().
void reportPlay(Output output) {
    OutputState& s = gOutputs[std::size_t(output)];
    const int reported = ++s.reported;
    if (s.plays.load() == 0 || reported < s.plays.load()) ++s.owed;
    post(output);
}

}  // namespace

void setEventType(uint32_t type) {
    gEventType = type;
}

void begin(Output output, int device, bool notify, int plays, uint64_t passFrames) {
    OutputState& s = gOutputs[std::size_t(output)];
    s.armed = false;
    ++s.generation;
    s.device = device;
    s.startFrame = -1;
    s.passFrames = passFrames;
    s.plays = plays < 0 ? 1 : plays;
    s.reported = 0;
    s.owed = 0;
    // Armed before the mixer starts, so its first mixed block is counted: the output
    // is halted now, and the hook waits until it plays.
    s.armed = notify;
}

void end(Output output) {
    OutputState& s = gOutputs[std::size_t(output)];
    s.armed = false;
    ++s.generation;
    s.owed = 0;
}

bool takeRepeat(Output output, int device) {
    OutputState& s = gOutputs[std::size_t(output)];
    if (s.device.load() != device) return false;
    int owed = s.owed.load();
    while (owed > 0)
        if (s.owed.compare_exchange_weak(owed, owed - 1)) return true;
    return false;
}

void mixed(std::size_t frames, bool (*playing)(Output)) {
    const uint64_t from = gMixed.load();
    const uint64_t to = from + frames;
    for (int o = 0; o < int(gOutputs.size()); ++o) {
        OutputState& s = gOutputs[std::size_t(o)];
        if (!s.armed.load()) continue;
        if (s.startFrame.load() < 0) {
            // The mixer starts a piece at the top of a block.
            if (!playing(Output(o))) continue;
            s.startFrame = int64_t(from);
        }
        const uint64_t pass = s.passFrames.load();
        if (pass == 0) continue;
        while (morePlays(s) && uint64_t(s.startFrame.load()) + uint64_t(s.reported.load() + 1) * pass <= to)
            reportPlay(Output(o));
    }
    gMixed = to;
}

void finished(Output output) {
    OutputState& s = gOutputs[std::size_t(output)];
    if (!s.armed.exchange(false)) return;
    if (s.plays.load() == 0) {
        // The mixer gave up on a piece it was to repeat for ever.
        post(output);
        return;
    }
    // Plays our clock has not reported yet (the mixer's ran short of our length).
    while (morePlays(s)) reportPlay(output);
}

bool isCurrent(const SDL_Event& e) {
    const auto tag = reinterpret_cast<uintptr_t>(e.user.data1);
    const std::size_t output = tag & 3;
    if (output >= gOutputs.size()) return false;
    return uint32_t(tag >> 2) == gOutputs[output].generation.load();
}

}  // namespace qvl::platform::repeats
