#pragma once
// Sound files decoded to what the mixer plays: 44100 Hz stereo signed 16-bit,
// pulled a block at a time so a long piece is never held whole. MIDI is rendered
// by FluidSynth with the General MIDI soundfont; WAV (PCM, MS and IMA ADPCM, ...),
// MP3, OGG and FLAC are decoded by FFmpeg. Files come from scenario discs and are
// not trusted: a damaged file fails to open or ends early, never more.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace qvl::platform {

inline constexpr int kMixRate = 44100;

class SoundStream {
public:
    virtual ~SoundStream() = default;
    // Fills `out` with up to out.size() / 2 sample frames (left, right) and returns
    // how many it wrote; 0 once the piece has ended.
    virtual std::size_t read(std::span<int16_t> out) = 0;
};

// The soundfont MIDI is played with: SDL_SOUNDFONTS when set (its first entry),
// otherwise the General MIDI soundfont Debian installs. Empty when there is none.
std::string generalMidiSoundFont();

// Opens pieces for decoding. The decoders live in the media module, loaded at the
// first piece opened; it keeps the MIDI synthesisers it made, with their soundfont
// loaded, for the next pieces: loading a soundfont costs far more than rendering a
// short piece.
class SoundDecoder {
public:
    // soundFont: the soundfont for MIDI; empty for generalMidiSoundFont().
    explicit SoundDecoder(std::string soundFont = {});
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // A file by its path. Nothing, and the reason (UTF-8), when it cannot be decoded.
    std::unique_ptr<SoundStream> open(const std::string& path, std::string* reason);
    // A whole file held in memory.
    std::unique_ptr<SoundStream> openBytes(std::string bytes, std::string* reason);

    // What the media module makes to do the decoding.
    class Backend {
    public:
        virtual ~Backend() = default;
        virtual std::unique_ptr<SoundStream> open(const std::string& path, std::string* reason) = 0;
        virtual std::unique_ptr<SoundStream> openBytes(std::string bytes, std::string* reason) = 0;
    };

private:
    Backend* backend(std::string* reason);

    std::string soundFont_;
    std::unique_ptr<Backend> backend_;
};

}  // namespace qvl::platform
