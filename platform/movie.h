#pragma once
// Movies, decoded frame by frame: the video scaled into a surface, the sound as
// 44100 Hz stereo samples for the mixer. AVI is what scenarios bring (Cinepak,
// Video 1, Indeo, raw frames, MPEG-4); MPEG program streams, QuickTime, ASF and
// Matroska open too. Files come from scenario discs and are not trusted: a cut or
// damaged file fails to open or ends early, and nothing it says can make us read
// without end or allocate without bound.
#include "graphics/surface.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qvl::platform {

// Pictures larger than this either way are refused.
inline constexpr int kMaxMovieSide = 4096;

struct MovieInfo {
    int width = 0, height = 0;
    uint32_t durationMs = 0;  // the longer of the video and the sound
    // Frames the video stream holds: its header's count where it keeps one (AVI and
    // QuickTime do), otherwise counted through the file without decoding.
    int frameCount = 0;
    double frameRate = 0;    // frames a second; 0 when the file does not say
    bool hasAudio = false;   // a sound stream we can decode
    std::string videoCodec;  // the decoder's short name: "cinepak", "msvideo1", "mpeg4", ...
    std::string audioCodec;  // empty without sound
};

class MovieDecoder {
public:
    // Opens a movie file (a UTF-8 path). Nothing, and the reason in UTF-8, when it
    // cannot be opened, has no video we can decode, or its pictures are too large.
    // The first call loads the media module (FFmpeg).
    static std::unique_ptr<MovieDecoder> open(const std::string& path, std::string* reason);
    // The same for a whole file held in memory.
    static std::unique_ptr<MovieDecoder> openBytes(std::string bytes, std::string* reason);
    virtual ~MovieDecoder() = default;

    virtual const MovieInfo& info() const = 0;

    // The next video frame scaled to fill `target` (any size; an empty surface takes
    // the frame without converting it, for dropping frames cheaply) and its
    // presentation time in ms from the movie's start. Damaged frames are skipped.
    // False at the end, after frameCount frames and a small margin, or when the
    // stream cannot go on; error() then says why (empty at a clean end).
    virtual bool nextFrame(Surface& target, uint32_t& timeMs) = 0;

    // Sound as 44100 Hz stereo signed 16-bit samples, interleaved left, right. Fills
    // `out` with up to out.size() / 2 sample frames and returns how many it wrote.
    // Sound decoded along with the frames so far comes first; for more it reads on
    // in the file, keeping the video it meets for nextFrame. Fewer than asked means
    // the sound has ended, or lies further ahead of the video than we keep. Not
    // thread-safe: pull on the engine's thread and hand the samples to the mixer.
    // A caller that never pulls keeps at most the last 30 s.
    virtual std::size_t readAudio(std::span<int16_t> out) = 0;

    virtual const std::string& error() const = 0;
};

// A movie's size and length without decoding its frames, for headless runs to keep
// time by. Nothing, and the reason, when MovieDecoder::open would fail.
std::optional<MovieInfo> probeMovie(const std::string& path, std::string* reason);
std::optional<MovieInfo> probeMovieBytes(std::string_view bytes, std::string* reason);

}  // namespace qvl::platform
