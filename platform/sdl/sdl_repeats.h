#pragma once
// Repeats without a gap: the mixer loops a piece by itself (SDL_mixer's loop
// counts), and we report the end of each play as if every play had been started
// on its own. The reports are timed by the sample frames the mixer has produced
// (counted in its post-mix hook) against the length of one play: the mixer's own
// finished hook comes late for MIDI, and serves only when the mixer's plays run
// shorter than our length. Reports are SDL events, pushed from the
// audio thread and turned into MediaDone events on the engine's thread; a report
// of a play that was stopped or replaced in the meantime is recognised as stale.
//
// The engine answers each report but the last with a play() of the same piece:
// that play() is the repeat the mixer already made, and takeRepeat() says so.
#include <SDL.h>

#include <cstddef>
#include <cstdint>

namespace qvl::platform::repeats {

// The mixer's three outputs that play pieces.
enum Output : int { kMusicStream = 0, kSoundChannel = 1, kWaveChannel = 2 };

// The SDL event type the reports go out as (user.code: the device).
void setEventType(uint32_t type);

// Before the mixer starts a piece on `output`, the previous one halted: `plays`
// plays in all (0 for ever), each `passFrames` output frames long (0 unknown: only
// the mixer's finished hook reports), with reports when `notify`.
void begin(Output output, int device, bool notify, int plays, uint64_t passFrames);
// Before the output is halted: nothing more is reported for what it played.
void end(Output output);
// True, once per report, when a play() of `device` answers a report of a play
// the mixer has already followed with the next.
bool takeRepeat(Output output, int device);

// The post-mix hook: `frames` output frames were mixed; `playing(output)` says
// whether the mixer is playing something on an output.
void mixed(std::size_t frames, bool (*playing)(Output));
// The mixer's finished hook for an output.
void finished(Output output);

// False for a report of a play that was stopped or replaced since.
bool isCurrent(const SDL_Event& e);

}  // namespace qvl::platform::repeats
