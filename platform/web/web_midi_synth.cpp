#include "platform/web/web_midi_synth.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "platform/web/web_page.h"

// clang-format off
#include <timidity/SDL.h>
#include <timidity/timidity.h>
// clang-format on

namespace qvl::platform {

namespace {
// Where the page serves the patches (the build copies them beside it), as the
// engine's file system names them.
constexpr const char* kPatchFolder = "/midi/";
constexpr const char* kConfig = "/midi/freepats.cfg";
// A piece is held whole in memory: longer ones are cut here.
constexpr uint32_t kMaxMs = 10 * 60 * 1000;
// The level SDL_mixer gives TiMidity at full music volume.
constexpr int kVolume = 128;

// TiMidity tries several names for each patch; a name the page has not got is
// asked for once.
void fetchBeside(const char* path) {
    static std::set<std::string> missing;
    const std::string name(path);
    struct stat st {};
    if (name.rfind(kPatchFolder, 0) != 0 || stat(path, &st) == 0 || missing.count(name)) return;
    if (!qvl_web_fetch_beside(path)) missing.insert(name);
}
}  // namespace

bool WebMidiSynth::ready(std::string* reason) {
    if (state_ == State::kUntried) {
        qvl_timidity_before_open = fetchBeside;
        const bool ok = Timidity_Init(kConfig) == 0;
        state_ = ok ? State::kReady : State::kFailed;
        if (!ok) failure_ = "no General MIDI patches beside the page";
    }
    if (state_ == State::kFailed && reason) *reason = failure_;
    return state_ == State::kReady;
}

std::vector<int16_t> WebMidiSynth::render(std::string_view smf, uint32_t lengthMs, std::string* reason) {
    std::vector<int16_t> pcm;
    if (lengthMs == 0) {
        if (reason) *reason = "no notes to play";
        return pcm;
    }
    if (!ready(reason)) return pcm;
    SDL_RWops* rw = SDL_RWFromConstMem(smf.data(), int(smf.size()));
    SDL_AudioSpec format{kRate, AUDIO_S16SYS, 2, 0, 4096};
    MidiSong* song = rw ? Timidity_LoadSong(rw, &format) : nullptr;
    if (rw) SDL_RWclose(rw);
    if (!song) {
        if (reason) *reason = "unreadable MIDI file";
        return pcm;
    }
    Timidity_SetVolume(song, kVolume);
    Timidity_Start(song);
    // It ends where our probe times it, at its last event, as on the desktop, so
    // a wait for its end takes as long.
    const uint64_t frames = uint64_t(std::min(lengthMs, kMaxMs)) * kRate / 1000;
    pcm.assign(frames * 2, 0);
    uint64_t done = 0;
    while (done < frames && Timidity_IsActive(song)) {
        const uint64_t n = std::min<uint64_t>(format.samples, frames - done);
        Timidity_PlaySome(song, pcm.data() + done * 2, Sint32(n * 4));
        done += n;
    }
    Timidity_FreeSong(song);
    return pcm;
}

}  // namespace qvl::platform
