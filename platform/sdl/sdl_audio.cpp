#include "platform/sdl/sdl_audio.h"

#include <SDL_mixer.h>

#include <cstdlib>
#include <filesystem>

namespace qvl::platform {

namespace {

constexpr int kNoOutput = 0;  // plays silently: no sound card is no reason to stop a story
constexpr int kCannotOpen = 275;
constexpr int kNotOpen = 263;

// The end reports the audio thread may post: armed by a play that asked for one,
// disarmed by a stop, so a stop never reports.
std::atomic<int> gMusicDevice{0};
std::atomic<bool> gMusicArmed{false};
std::array<std::atomic<bool>, 2> gChannelArmed{};
std::atomic<uint32_t> gEventType{0};

void post(int device) {
    SDL_Event e{};
    e.type = gEventType.load();
    e.user.code = device;
    SDL_PushEvent(&e);  // safe from any thread
}

void musicFinished() {
    if (gMusicArmed.exchange(false)) post(gMusicDevice.load());
}

void channelFinished(int channel) {
    if (channel < 0 || channel > 1) return;
    if (gChannelArmed[std::size_t(channel)].exchange(false))
        post(channel == 0 ? int(MediaDevice::Sound) : int(MediaDevice::Wave));
}

// The General MIDI soundfont Debian installs; SDL_SOUNDFONTS still wins when set.
void chooseSoundFont() {
    if (const char* own = std::getenv("SDL_SOUNDFONTS"); own && *own) {
        Mix_SetSoundFonts(own);
        return;
    }
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            Mix_SetSoundFonts(path);
            return;
        }
    }
}

}  // namespace

SdlAudio::SdlAudio() {
    eventType_ = SDL_RegisterEvents(1);
    gEventType = eventType_;
}

SdlAudio::~SdlAudio() {
    if (movieDevice_ != 0) SDL_CloseAudioDevice(movieDevice_);
    for (int d = 1; d < int(slots_.size()); ++d) close(MediaDevice(d));
    if (ready_) {
        Mix_HookMusicFinished(nullptr);
        Mix_ChannelFinished(nullptr);
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlAudio::startMixer() {
    if (tried_) return ready_;
    tried_ = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Mix_Init(MIX_INIT_MID | MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(2);
    chooseSoundFont();
    Mix_HookMusicFinished(musicFinished);
    Mix_ChannelFinished(channelFinished);
    ready_ = true;
    return true;
}

bool SdlAudio::usesMusicStream(MediaDevice device) {
    return device == MediaDevice::Music || device == MediaDevice::Mp3 || device == MediaDevice::Cd;
}

int SdlAudio::channelOf(MediaDevice device) {
    return device == MediaDevice::Sound ? 0 : 1;
}

int SdlAudio::open(MediaDevice device, const std::string& path) {
    close(device);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error_ = "cannot open " + path;
        return kCannotOpen;
    }
    if (!startMixer()) return kNoOutput;
    Slot& s = slot(device);
    if (usesMusicStream(device)) {
        s.music = Mix_LoadMUS(path.c_str());
        if (!s.music) {
            error_ = "cannot play " + path + ": " + Mix_GetError();
            return kCannotOpen;
        }
        const double seconds = Mix_MusicDuration(s.music);
        s.lengthMs = seconds > 0 ? uint32_t(seconds * 1000.0 + 0.5) : 0;
    } else {
        s.chunk = Mix_LoadWAV(path.c_str());
        if (!s.chunk) {
            error_ = "cannot play " + path + ": " + Mix_GetError();
            return kCannotOpen;
        }
        int frequency = 0, channels = 0;
        Uint16 format = 0;
        Mix_QuerySpec(&frequency, &format, &channels);
        const uint64_t bytesPerMs = uint64_t(frequency) * uint64_t(channels) * (SDL_AUDIO_BITSIZE(format) / 8) / 1000;
        s.lengthMs = bytesPerMs ? uint32_t(s.chunk->alen / bytesPerMs) : 0;
    }
    return 0;
}

int SdlAudio::play(MediaDevice device, bool notify) {
    if (!ready_) return kNoOutput;
    Slot& s = slot(device);
    if (usesMusicStream(device)) {
        if (!s.music) return kNotOpen;
        gMusicArmed = false;
        gMusicDevice = int(device);
        if (Mix_PlayMusic(s.music, 1) != 0) return kNotOpen;
        gMusicArmed = notify;
        return 0;
    }
    if (!s.chunk) return kNotOpen;
    const int channel = channelOf(device);
    gChannelArmed[std::size_t(channel)] = false;
    if (Mix_PlayChannel(channel, s.chunk, 0) < 0) return kNotOpen;
    gChannelArmed[std::size_t(channel)] = notify;
    return 0;
}

int SdlAudio::stop(MediaDevice device) {
    if (!ready_) return 0;
    Slot& s = slot(device);
    if (usesMusicStream(device)) {
        if (s.music && gMusicDevice.load() == int(device)) {
            gMusicArmed = false;
            Mix_HaltMusic();
        }
        return 0;
    }
    const int channel = channelOf(device);
    gChannelArmed[std::size_t(channel)] = false;
    if (s.chunk) Mix_HaltChannel(channel);
    return 0;
}

int SdlAudio::close(MediaDevice device) {
    Slot& s = slot(device);
    if (s.music || s.chunk) stop(device);
    if (s.music) Mix_FreeMusic(s.music);
    if (s.chunk) Mix_FreeChunk(s.chunk);
    s = Slot{};
    return 0;
}

bool SdlAudio::isOpen(MediaDevice device) const {
    const Slot& s = slot(device);
    return s.music || s.chunk;
}

uint32_t SdlAudio::length(MediaDevice device) const {
    return slot(device).lengthMs;
}

void SdlAudio::queueMovieSound(const int16_t* samples, std::size_t frames) {
    if (!movieTried_) {
        movieTried_ = true;
        if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 2048;
        // Queued, not pulled: the engine hands the samples over as it decodes them.
        movieDevice_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (movieDevice_ != 0) SDL_PauseAudioDevice(movieDevice_, 0);
    }
    if (movieDevice_ != 0 && frames > 0) SDL_QueueAudio(movieDevice_, samples, Uint32(frames * 2 * sizeof(int16_t)));
}

void SdlAudio::stopMovieSound() {
    if (movieDevice_ != 0) SDL_ClearQueuedAudio(movieDevice_);
}

}  // namespace qvl::platform
