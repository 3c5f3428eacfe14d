#pragma once
// What the probe and the decoder of movies share: reading a file or bytes through
// our own I/O, opening the container and the decoders with our limits, and
// describing what is inside. Only platform/ includes this header.
#include "platform/movie.h"
#include "platform/sound_decoder.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace qvl::platform::movie {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvioFreer {
    void operator()(AVIOContext* c) const;
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using AvioPtr = std::unique_ptr<AVIOContext, AvioFreer>;

// The bytes of a movie: a file read as needed, or a whole file in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Bytes copied to buf, 0 at the end, negative on a read error.
    virtual int read(uint8_t* buf, int size) = 0;
    // The new position, or negative when it would lie outside the bytes.
    virtual int64_t seek(int64_t offset, int whence) = 0;
    virtual int64_t size() const = 0;
};
std::unique_ptr<ByteSource> openFileSource(const std::string& path, std::string* reason);
std::unique_ptr<ByteSource> ownedMemorySource(std::string bytes);
// The bytes must outlive the source.
std::unique_ptr<ByteSource> borrowedMemorySource(std::string_view bytes);

// A container opened on a source from its current position, with the streams we
// play chosen and their decoders open. The source must outlive it; members are
// freed in reverse order, decoders first.
struct Container {
    AvioPtr avio;
    FormatPtr format;
    int video = -1;
    int audio = -1;  // -1 without a sound stream we can decode
    MovieInfo info;  // without frameCount when the header has no count
    bool frameCountFromHeader = false;
    // Decoders for the chosen streams, opened with our limits.
    CodecPtr videoDecoder;
    CodecPtr audioDecoder;

    AVStream* videoStream() const { return format->streams[video]; }
    AVStream* audioStream() const { return audio < 0 ? nullptr : format->streams[audio]; }
};
std::unique_ptr<Container> openContainer(ByteSource& source, std::string* reason);

// Reads through the rest of the container, counting the video packets and timing
// them, to fill in frameCount and the video's length where the header had no count.
void countFrames(Container& container);

// What the module's table leads to: MovieDecoder::open and openBytes, probeMovie
// and probeMovieBytes of movie.h.
std::unique_ptr<MovieDecoder> openMovie(const std::string& path, std::string* reason);
std::unique_ptr<MovieDecoder> openMovieBytes(std::string bytes, std::string* reason);
std::optional<MovieInfo> probeMovie(const std::string& path, std::string* reason);
std::optional<MovieInfo> probeMovieBytes(std::string_view bytes, std::string* reason);
// And SoundDecoder's backend.
std::unique_ptr<SoundDecoder::Backend> makeSoundDecoder(std::string soundFont);

// A clear message for an FFmpeg error code.
std::string errorText(int code);

// The callbacks of an AVIOContext reading a ByteSource (the opaque pointer).
int readSource(void* opaque, uint8_t* buf, int size);
int64_t seekSource(void* opaque, int64_t offset, int whence);
// An io_open that refuses: playlists and references to other files would reach
// outside the one file we were given.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**);

// A resampler from a decoded frame's sound to interleaved 16-bit stereo at outRate,
// mono going to both speakers at full level (as Windows plays a mono sound, not
// panned to the centre at -3 dB); nullptr for a layout or a rate beyond our limits.
SwrContext* makeStereoResampler(const AVFrame& frame, int outRate);

}  // namespace qvl::platform::movie
