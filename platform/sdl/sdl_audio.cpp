#include "platform/sdl/sdl_audio.h"

#include "formats/media_probe.h"
#include "platform/regular_file.h"
#include "platform/sdl/sdl_repeats.h"
#include "platform/sound_decoder.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace qvl::platform {

namespace {

constexpr int kNoOutput = 0;  // plays silently: no sound card is no reason to stop a story
constexpr int kCannotOpen = 275;
constexpr int kNotOpen = 263;

// The device the music stream plays for (music, MP3 or CD).
std::atomic<int> gMusicDevice{0};
// MIDI files are small; larger files are not read just to time them.
constexpr std::size_t kMaxTimedBytes = std::size_t(16) << 20;

// The kind of music a file's extension names, as the mixer guesses it when it opens
// the file itself; the data decides for other names.
Mix_MusicType musicTypeOf(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return MUS_NONE;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "wav") return MUS_WAV;
    if (ext == "mid" || ext == "midi" || ext == "kar") return MUS_MID;
    if (ext == "ogg") return MUS_OGG;
    if (ext == "opus") return MUS_OPUS;
    if (ext == "flac") return MUS_FLAC;
    if (ext == "mp3" || ext == "mpg" || ext == "mpeg" || ext == "mad") return MUS_MP3;
    return MUS_NONE;
}

// End reports: the mixer's hooks, after the last of a piece's plays.
void musicFinished() {
    repeats::finished(repeats::kMusicStream);
}

void channelFinished(int channel) {
    if (channel == 0 || channel == 1) repeats::finished(channel == 0 ? repeats::kSoundChannel : repeats::kWaveChannel);
}

bool outputPlaying(repeats::Output output) {
    return output == repeats::kMusicStream ? Mix_PlayingMusic() != 0 : Mix_Playing(int(output) - 1) != 0;
}

repeats::Output outputOf(MediaDevice device) {
    return device == MediaDevice::Sound  ? repeats::kSoundChannel
           : device == MediaDevice::Wave ? repeats::kWaveChannel
                                         : repeats::kMusicStream;
}

// The General MIDI soundfont Debian installs; SDL_SOUNDFONTS still wins when set.
void chooseSoundFont() {
    if (const char* own = std::getenv("SDL_SOUNDFONTS"); own && *own) {
        Mix_SetSoundFonts(own);
        return;
    }
    if (const std::string font = generalMidiSoundFont(); !font.empty()) Mix_SetSoundFonts(font.c_str());
}

}  // namespace

SdlAudio::SdlAudio() {
    eventType_ = SDL_RegisterEvents(1);
    repeats::setEventType(eventType_);
}

SdlAudio::~SdlAudio() {
    if (movieDevice_ != 0) SDL_CloseAudioDevice(movieDevice_);
    for (int d = 1; d < int(slots_.size()); ++d) close(MediaDevice(d));
    if (ready_) {
        Mix_HookMusicFinished(nullptr);
        Mix_ChannelFinished(nullptr);
        Mix_SetPostMix(nullptr, nullptr);
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
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    bytesPerFrame_ = std::max(1, channels * int(SDL_AUDIO_BITSIZE(format) / 8));
    frequency_ = frequency;
    s16Stereo_ = format == AUDIO_S16SYS && channels == 2;
    // Counts what the mixer sends out, the clock the plays of a repeated piece end by.
    Mix_SetPostMix(postMix, this);
    ready_ = true;
    return true;
}

void SdlAudio::postMix(void* self, uint8_t* stream, int bytes) {
    auto* audio = static_cast<SdlAudio*>(self);
    const std::size_t frames = std::size_t(std::max(bytes, 0)) / std::size_t(audio->bytesPerFrame_);
    repeats::mixed(frames, outputPlaying);
    if (audio->tap_ && audio->s16Stereo_) audio->tap_(reinterpret_cast<const int16_t*>(stream), frames);
}

uint32_t SdlAudio::measureLength(const std::string& path) {
    // The mixer does not time MIDI; our probe does, as the headless runs do.
    const std::optional<std::string> bytes = readRegularFile(path, kMaxTimedBytes);
    const std::optional<MediaInfo> info =
        bytes && bytes->size() <= kMaxTimedBytes ? probeMedia(*bytes) : std::nullopt;
    return info ? info->durationMs : 0;
}

bool SdlAudio::usesMusicStream(MediaDevice device) {
    return device == MediaDevice::Music || device == MediaDevice::Mp3 || device == MediaDevice::Cd;
}

int SdlAudio::channelOf(MediaDevice device) {
    return device == MediaDevice::Sound ? 0 : 1;
}

int SdlAudio::open(MediaDevice device, const std::string& path) {
    close(device);
    // The mixer reads through a stream we opened, so it never opens anything but a
    // regular file itself.
    std::FILE* file = openRegularStream(path);
    if (!file) {
        error_ = "cannot open " + path;
        return kCannotOpen;
    }
    if (!startMixer()) {
        std::fclose(file);
        return kNoOutput;
    }
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (!stream) {
        std::fclose(file);
        error_ = "cannot open " + path + ": " + SDL_GetError();
        return kCannotOpen;
    }
    Slot& s = slot(device);
    if (usesMusicStream(device)) {
        s.music = Mix_LoadMUSType_RW(stream, musicTypeOf(path), 1);
        if (!s.music) {
            error_ = "cannot play " + path + ": " + Mix_GetError();
            return kCannotOpen;
        }
        const double seconds = Mix_MusicDuration(s.music);
        s.lengthMs = seconds > 0 ? uint32_t(seconds * 1000.0 + 0.5) : measureLength(path);
    } else {
        s.chunk = Mix_LoadWAV_RW(stream, 1);
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
    } else if (!s.chunk) {
        return kNotOpen;
    }
    const repeats::Output output = outputOf(device);
    // The answer to a report of a play the mixer has already followed with the next.
    if (repeats::takeRepeat(output, int(device))) return 0;
    const int32_t plays = std::exchange(plays_[std::size_t(device)], 1);
    // SDL_mixer counts plays for music and repeats after the first for channels.
    const int loops = plays <= 0 ? -1 : plays;
    repeats::end(output);
    if (usesMusicStream(device)) {
        Mix_HaltMusic();
        gMusicDevice = int(device);
        applyVolume(device);
        repeats::begin(output, int(device), notify, plays, uint64_t(s.lengthMs) * uint64_t(frequency_) / 1000);
        if (Mix_PlayMusic(s.music, loops) != 0) {
            repeats::end(output);
            return kNotOpen;
        }
        return 0;
    }
    const int channel = channelOf(device);
    Mix_HaltChannel(channel);
    applyVolume(device);
    repeats::begin(output, int(device), notify, plays, uint64_t(s.chunk->alen) / uint64_t(bytesPerFrame_));
    if (Mix_PlayChannel(channel, s.chunk, loops < 0 ? -1 : loops - 1) < 0) {
        repeats::end(output);
        return kNotOpen;
    }
    return 0;
}

void SdlAudio::setPlays(MediaDevice device, int32_t plays) {
    const std::size_t i = std::size_t(device);
    if (i < plays_.size()) plays_[i] = plays < 0 ? 1 : plays;
}

bool SdlAudio::isCurrentReport(const SDL_Event& e) {
    return repeats::isCurrent(e);
}

void SdlAudio::applyVolume(MediaDevice device) {
    const int volume = volumes_[std::size_t(device)] * MIX_MAX_VOLUME / 100;
    if (usesMusicStream(device))
        Mix_VolumeMusic(volume);
    else
        Mix_Volume(channelOf(device), volume);
}

void SdlAudio::setVolume(MediaDevice device, int percent) {
    const std::size_t i = std::size_t(device);
    if (i >= volumes_.size()) return;
    volumes_[i] = std::clamp(percent, 0, 100);
    // Music, MP3 and CD share one stream: only its present owner changes it now.
    if (ready_ && (!usesMusicStream(device) || gMusicDevice.load() == int(device))) applyVolume(device);
}

int SdlAudio::stop(MediaDevice device) {
    if (!ready_) return 0;
    Slot& s = slot(device);
    if (usesMusicStream(device)) {
        if (s.music && gMusicDevice.load() == int(device)) {
            repeats::end(repeats::kMusicStream);
            Mix_HaltMusic();
        }
        return 0;
    }
    const int channel = channelOf(device);
    repeats::end(outputOf(device));
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

namespace {

std::unique_ptr<AudioOutput> createSdlAudio() {
    return std::make_unique<SdlAudio>();
}

uint32_t eventTypeOf(const AudioOutput& audio) {
    return static_cast<const SdlAudio&>(audio).eventType();
}

const MixerModule kMixerTable{createSdlAudio, eventTypeOf, SdlAudio::isCurrentReport};

}  // namespace

}  // namespace qvl::platform

extern "C" __attribute__((visibility("default"))) const qvl::platform::MixerModule* qvl_mixer_module() {
    return &qvl::platform::kMixerTable;
}
