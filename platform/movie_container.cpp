#include "platform/movie_container.h"

#include "platform/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

namespace qvl::platform {
namespace movie {
namespace {

constexpr int kIoBufferSize = 32 * 1024;
// The containers scenarios bring their movies in. Anything else is refused before
// its demuxer sees more than the probe.
constexpr const char* kFormats = "avi,mpeg,mpegvideo,mov,asf,matroska";
constexpr int kMaxStreams = 32;
constexpr int kMaxChannels = 8;
constexpr int kMaxSampleRate = 192000;
// Samples in one decoded sound frame; real codecs stay far below.
constexpr int kMaxFrameSamples = 1 << 20;
// A bound on the counting pass, as a bound on any loop that reads a file.
constexpr int64_t kMaxCountedPackets = 8'000'000;

void silenceLibraries() {
    static std::once_flag once;
    // FFmpeg writes its complaints about damaged files to stderr otherwise.
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

class FileSource final : public ByteSource {
public:
    FileSource(std::FILE* file, int64_t size) : file_(file), size_(size) {}
    ~FileSource() override { std::fclose(file_); }
    int read(uint8_t* buf, int size) override {
        const std::size_t n = std::fread(buf, 1, std::size_t(size), file_);
        return n == 0 && std::ferror(file_) ? -1 : int(n);
    }
    int64_t seek(int64_t offset, int whence) override {
        const int64_t base = whence == SEEK_CUR ? ftello(file_) : whence == SEEK_END ? size_ : 0;
        if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || base < 0) return -1;
        if (offset < -base || offset > INT64_MAX - base) return -1;
        const int64_t to = base + offset;
        if (to > size_ || fseeko(file_, off_t(to), SEEK_SET) != 0) return -1;
        return to;
    }
    int64_t size() const override { return size_; }

private:
    std::FILE* file_;
    int64_t size_;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string owned) : owned_(std::move(owned)), bytes_(owned_) {}
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    int read(uint8_t* buf, int size) override {
        const std::size_t n = std::min(std::size_t(size), bytes_.size() - pos_);
        std::copy_n(bytes_.data() + pos_, n, buf);
        pos_ += n;
        return int(n);
    }
    int64_t seek(int64_t offset, int whence) override {
        const int64_t base = whence == SEEK_CUR ? int64_t(pos_) : whence == SEEK_END ? size() : 0;
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
        if (offset < -base || offset > size() - base) return -1;
        pos_ = std::size_t(base + offset);
        return int64_t(pos_);
    }
    int64_t size() const override { return int64_t(bytes_.size()); }

private:
    std::string owned_;
    std::string_view bytes_;
    std::size_t pos_ = 0;
};


uint32_t clampMs(double ms) {
    if (!(ms > 0)) return 0;
    return ms >= double(UINT32_MAX) ? UINT32_MAX : uint32_t(std::llround(ms));
}

uint32_t streamMs(int64_t units, AVRational timeBase) {
    if (units == AV_NOPTS_VALUE || units <= 0 || timeBase.num <= 0 || timeBase.den <= 0) return 0;
    return clampMs(double(units) * timeBase.num / timeBase.den * 1000.0);
}

double frameRateOf(AVFormatContext* format, AVStream* stream) {
    const AVRational rate = av_guess_frame_rate(format, stream, nullptr);
    if (rate.num <= 0 || rate.den <= 0) return 0;
    const double fps = av_q2d(rate);
    return fps > 0 && fps <= 1000 ? fps : 0;
}

CodecPtr openDecoder(const AVStream& stream, std::string* reason) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec) {
        if (reason) *reason = std::string("no decoder for ") + avcodec_get_name(stream.codecpar->codec_id);
        return nullptr;
    }
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        if (reason) *reason = "out of memory";
        return nullptr;
    }
    int r = avcodec_parameters_to_context(context.get(), stream.codecpar);
    if (r >= 0) {
        context->pkt_timebase = stream.time_base;
        // The engine plays on one thread; frame threads would only delay each picture.
        context->thread_count = 1;
        context->max_pixels = int64_t(kMaxMovieSide) * kMaxMovieSide;
        context->max_samples = kMaxFrameSamples;
        r = avcodec_open2(context.get(), codec, nullptr);
    }
    if (r < 0) {
        if (reason) *reason = std::string("cannot open the ") + codec->name + " decoder (" + errorText(r) + ")";
        return nullptr;
    }
    return context;
}

bool fail(std::string* reason, std::string text) {
    if (reason) *reason = std::move(text);
    return false;
}

bool chooseVideo(Container& c, std::string* reason) {
    const int index = av_find_best_stream(c.format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return fail(reason, "no video stream");
    AVStream* stream = c.format->streams[index];
    const AVCodecParameters& par = *stream->codecpar;
    if (par.width <= 0 || par.height <= 0) return fail(reason, "the video has no picture size");
    if (par.width > kMaxMovieSide || par.height > kMaxMovieSide)
        return fail(reason, "pictures of " + std::to_string(par.width) + "x" + std::to_string(par.height) +
                                " are larger than " + std::to_string(kMaxMovieSide) + " a side");
    c.videoDecoder = openDecoder(*stream, reason);
    if (!c.videoDecoder) return false;
    c.video = index;
    return true;
}

// Sound we cannot decode leaves a silent movie, not a failed one.
void chooseAudio(Container& c) {
    const int index = av_find_best_stream(c.format.get(), AVMEDIA_TYPE_AUDIO, -1, c.video, nullptr, 0);
    if (index < 0) return;
    AVStream* stream = c.format->streams[index];
    const AVCodecParameters& par = *stream->codecpar;
    if (par.ch_layout.nb_channels < 1 || par.ch_layout.nb_channels > kMaxChannels || par.sample_rate < 1 ||
        par.sample_rate > kMaxSampleRate)
        return;
    c.audioDecoder = openDecoder(*stream, nullptr);
    if (c.audioDecoder) c.audio = index;
}

void describe(Container& c) {
    AVStream* video = c.videoStream();
    MovieInfo& info = c.info;
    info.width = video->codecpar->width;
    info.height = video->codecpar->height;
    info.frameRate = frameRateOf(c.format.get(), video);
    info.videoCodec = avcodec_get_name(video->codecpar->codec_id);
    if (video->nb_frames > 0) {
        info.frameCount = int(std::min<int64_t>(video->nb_frames, INT_MAX));
        c.frameCountFromHeader = true;
    }
    uint32_t videoMs = streamMs(video->duration, video->time_base);
    if (videoMs == 0 && info.frameRate > 0) videoMs = clampMs(info.frameCount * 1000.0 / info.frameRate);
    uint32_t audioMs = 0;
    if (AVStream* audio = c.audioStream()) {
        info.hasAudio = true;
        info.audioCodec = avcodec_get_name(audio->codecpar->codec_id);
        audioMs = streamMs(audio->duration, audio->time_base);
    }
    info.durationMs = std::max(videoMs, audioMs);
}

}  // namespace

int readSource(void* opaque, uint8_t* buf, int size) {
    const int n = static_cast<ByteSource*>(opaque)->read(buf, size);
    return n == 0 ? AVERROR_EOF : n < 0 ? AVERROR(EIO) : n;
}

int64_t seekSource(void* opaque, int64_t offset, int whence) {
    auto* source = static_cast<ByteSource*>(opaque);
    if (whence & AVSEEK_SIZE) return source->size();
    const int64_t at = source->seek(offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(EINVAL) : at;
}

int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

SwrContext* makeStereoResampler(const AVFrame& f, int outRate) {
    const int channels = f.ch_layout.nb_channels;
    if (channels < 1 || channels > kMaxChannels || f.sample_rate < 1 || f.sample_rate > kMaxSampleRate) return nullptr;
    AVChannelLayout in{};
    if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, channels);
    else if (av_channel_layout_copy(&in, &f.ch_layout) < 0)
        return nullptr;
    AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* made = nullptr;
    const double mono[2] = {1.0, 1.0};
    const bool ok = swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, outRate, &in, AVSampleFormat(f.format),
                                        f.sample_rate, 0, nullptr) >= 0 &&
                    (channels != 1 || swr_set_matrix(made, mono, 1) >= 0) && swr_init(made) >= 0;
    av_channel_layout_uninit(&in);
    if (!ok) swr_free(&made);
    return made;
}

void AvioFreer::operator()(AVIOContext* c) const {
    if (c) av_freep(&c->buffer);
    avio_context_free(&c);
}

std::unique_ptr<ByteSource> openFileSource(const std::string& path, std::string* reason) {
    std::FILE* file = openRegularStream(path, reason);
    if (!file) return nullptr;
    off_t size = -1;
    if (fseeko(file, 0, SEEK_END) == 0) size = ftello(file);
    if (size < 0 || fseeko(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        if (reason) *reason = "cannot read " + path;
        return nullptr;
    }
    return std::make_unique<FileSource>(file, int64_t(size));
}

std::unique_ptr<ByteSource> ownedMemorySource(std::string bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}

std::unique_ptr<ByteSource> borrowedMemorySource(std::string_view bytes) {
    return std::make_unique<MemorySource>(bytes);
}

std::unique_ptr<Container> openContainer(ByteSource& source, std::string* reason) {
    silenceLibraries();
    auto c = std::make_unique<Container>();
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer) c->avio.reset(avio_alloc_context(buffer, kIoBufferSize, 0, &source, readSource, nullptr, seekSource));
    AVFormatContext* format = c->avio ? avformat_alloc_context() : nullptr;
    if (!format) {
        if (!c->avio) av_free(buffer);
        fail(reason, "out of memory");
        return nullptr;
    }
    format->pb = c->avio.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = refuseNestedOpen;
    format->format_whitelist = av_strdup(kFormats);
    format->max_streams = kMaxStreams;
    // On failure this frees the context.
    int r = avformat_open_input(&format, nullptr, nullptr, nullptr);
    if (r < 0) {
        fail(reason, "not a movie we can play (" + errorText(r) + ")");
        return nullptr;
    }
    c->format.reset(format);
    r = avformat_find_stream_info(format, nullptr);
    if (r < 0) {
        fail(reason, "unreadable streams (" + errorText(r) + ")");
        return nullptr;
    }
    if (!chooseVideo(*c, reason)) return nullptr;
    chooseAudio(*c);
    describe(*c);
    return c;
}

void countFrames(Container& c) {
    PacketPtr packet(av_packet_alloc());
    if (!packet) return;
    AVStream* video = c.videoStream();
    AVStream* audio = c.audioStream();
    int64_t frames = 0;
    uint32_t videoEndMs = 0, audioEndMs = 0;
    // Where the packets' times end, from the stream's start.
    auto endMs = [](const AVPacket& p, const AVStream& s) {
        const int64_t at = p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
        if (at == AV_NOPTS_VALUE) return uint32_t(0);
        const int64_t start = s.start_time == AV_NOPTS_VALUE ? 0 : s.start_time;
        const double units = double(at) - double(start) + double(std::max<int64_t>(p.duration, 0));
        return clampMs(units * s.time_base.num / s.time_base.den * 1000.0);
    };
    for (int64_t n = 0; n < kMaxCountedPackets && av_read_frame(c.format.get(), packet.get()) >= 0; ++n) {
        if (packet->stream_index == c.video && packet->size > 0) {
            ++frames;
            videoEndMs = std::max(videoEndMs, endMs(*packet, *video));
        } else if (audio && packet->stream_index == c.audio) {
            audioEndMs = std::max(audioEndMs, endMs(*packet, *audio));
        }
        av_packet_unref(packet.get());
    }
    c.info.frameCount = int(std::min<int64_t>(frames, INT_MAX));
    // A steady rate times the count is exact; the last packet's time is not, as a
    // reordering codec's last packet in decoding order is not the last shown.
    const uint32_t videoMs = c.info.frameRate > 0 ? clampMs(frames * 1000.0 / c.info.frameRate) : videoEndMs;
    c.info.durationMs = std::max(videoMs, audioEndMs);
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace movie

namespace {

std::optional<MovieInfo> probe(std::unique_ptr<movie::ByteSource> source, std::string* reason) {
    if (!source) return std::nullopt;
    const auto container = movie::openContainer(*source, reason);
    if (!container) return std::nullopt;
    if (!container->frameCountFromHeader) movie::countFrames(*container);
    return container->info;
}

}  // namespace

std::optional<MovieInfo> movie::probeMovie(const std::string& path, std::string* reason) {
    return probe(movie::openFileSource(path, reason), reason);
}

std::optional<MovieInfo> movie::probeMovieBytes(std::string_view bytes, std::string* reason) {
    return probe(movie::borrowedMemorySource(bytes), reason);
}

}  // namespace qvl::platform
