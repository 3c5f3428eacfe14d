#include "platform/movie.h"

#include "platform/movie_container.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace qvl::platform {
namespace {

using namespace movie;

constexpr int kOutRate = 44100;
// Packets read, or decoder steps taken, without a picture coming out before we give
// the stream up: a damaged file must not keep us reading.
constexpr int kMaxStepsPerFrame = 4096;
// How far readAudio may read ahead of the video for sound.
constexpr std::size_t kMaxQueuedPackets = 1024;
constexpr std::size_t kMaxQueuedBytes = 64u << 20;
constexpr std::size_t kMaxBufferedSamples = std::size_t(kOutRate) * 2 * 30;

struct ScalerFreer {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};
struct ResamplerFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};

}  // namespace

struct MovieState {
    ~MovieState() { av_channel_layout_uninit(&inLayout); }

    bool demuxOne();
    PacketPtr nextVideoPacket();
    bool convert(const AVFrame& frame, Surface& target);
    bool scale(std::unique_ptr<SwsContext, ScalerFreer>& context, const uint8_t* const* data, const int* strides,
               int width, int height, AVPixelFormat format, Surface& target);
    uint32_t frameTime(const AVFrame& frame);
    void decodeAudio(const AVPacket* packet);
    bool setUpResampler(const AVFrame& frame);
    void resample(const uint8_t** data, int samples);
    bool stop(std::string why) {
        videoEnded = true;
        error = std::move(why);
        return false;
    }

    // In this order, so that each is freed before what it reads from.
    std::unique_ptr<ByteSource> source;
    std::unique_ptr<Container> container;
    MovieInfo info;
    PacketPtr packet;
    FramePtr frame;
    FramePtr sound;
    std::deque<PacketPtr> videoQueue;
    std::size_t queuedBytes = 0;
    bool demuxEnded = false;
    bool draining = false;
    bool videoEnded = false;
    int steps = 0;  // since the last picture
    int64_t framesOut = 0;
    int64_t maxFrames = 0;
    int64_t startPts = AV_NOPTS_VALUE;
    uint32_t lastMs = 0;
    std::unique_ptr<SwsContext, ScalerFreer> scaler;
    std::unique_ptr<SwsContext, ScalerFreer> expander;
    Surface expanded;  // 15- and 16-bit pictures at full depth, before scaling
    std::unique_ptr<SwrContext, ResamplerFreer> resampler;
    int inRate = 0;
    int inFormat = -1;
    AVChannelLayout inLayout{};
    std::vector<int16_t> audio;  // interleaved; audio[audioRead..] not yet handed out
    std::size_t audioRead = 0;
    std::string error;
};

bool MovieState::demuxOne() {
    if (demuxEnded) return false;
    if (av_read_frame(container->format.get(), packet.get()) < 0) {
        demuxEnded = true;
        decodeAudio(nullptr);
        return false;
    }
    // An empty AVI chunk repeats the previous picture; the next one's time covers it.
    if (packet->stream_index == container->video && packet->size > 0) {
        PacketPtr kept(av_packet_alloc());
        if (kept) {
            av_packet_move_ref(kept.get(), packet.get());
            queuedBytes += std::size_t(kept->size);
            videoQueue.push_back(std::move(kept));
        }
    } else if (packet->stream_index == container->audio) {
        decodeAudio(packet.get());
    }
    av_packet_unref(packet.get());
    return true;
}

PacketPtr MovieState::nextVideoPacket() {
    while (videoQueue.empty() && ++steps < kMaxStepsPerFrame && demuxOne()) {
    }
    if (videoQueue.empty()) return nullptr;
    PacketPtr p = std::move(videoQueue.front());
    videoQueue.pop_front();
    queuedBytes -= std::size_t(p->size);
    return p;
}

bool MovieState::convert(const AVFrame& f, Surface& target) {
    if (target.empty()) return true;
    const auto format = AVPixelFormat(f.format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    const bool shallowRgb =
        desc && (desc->flags & AV_PIX_FMT_FLAG_RGB) && !(desc->flags & AV_PIX_FMT_FLAG_PAL) && desc->comp[0].depth < 8;
    const bool scaled = f.width != target.width() || f.height != target.height();
    if (shallowRgb && scaled) {
        // The scaler widens 5-bit samples by a shift alone, so white would come out
        // as 0xF8; converting at the same size first repeats the top bits.
        if (expanded.width() != f.width || expanded.height() != f.height) expanded = Surface(f.width, f.height);
        if (!scale(expander, f.data, f.linesize, f.width, f.height, format, expanded)) return false;
        const uint8_t* planes[4] = {reinterpret_cast<const uint8_t*>(expanded.data()), nullptr, nullptr, nullptr};
        const int strides[4] = {int(expanded.pitch() * sizeof(uint32_t)), 0, 0, 0};
        if (!scale(scaler, planes, strides, f.width, f.height, AV_PIX_FMT_0RGB32, target)) return false;
    } else if (!scale(scaler, f.data, f.linesize, f.width, f.height, format, target)) {
        return false;
    }
    // The padding byte may come out as 0xFF; in our pixels the top byte is alpha.
    for (int y = 0; y < target.height(); ++y) {
        uint32_t* row = target.row(y);
        for (int x = 0; x < target.width(); ++x) row[x] &= 0x00FFFFFF;
    }
    return true;
}

bool MovieState::scale(std::unique_ptr<SwsContext, ScalerFreer>& context, const uint8_t* const* data,
                                const int* strides, int width, int height, AVPixelFormat format, Surface& target) {
    context.reset(sws_getCachedContext(context.release(), width, height, format, target.width(), target.height(),
                                       AV_PIX_FMT_0RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!context) {
        const char* name = av_get_pix_fmt_name(format);
        return stop(std::string("cannot convert pictures of pixel format ") + (name ? name : "?"));
    }
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(target.data()), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {int(target.pitch() * sizeof(uint32_t)), 0, 0, 0};
    sws_scale(context.get(), data, strides, 0, height, planes, targetStrides);
    return true;
}

uint32_t MovieState::frameTime(const AVFrame& f) {
    const int64_t pts = f.best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) {
        const double step = info.frameRate > 0 ? 1000.0 / info.frameRate : 0;
        return framesOut == 0 ? 0 : uint32_t(std::min<double>(lastMs + step, UINT32_MAX));
    }
    if (startPts == AV_NOPTS_VALUE) startPts = pts;
    const AVRational tb = container->videoStream()->time_base;
    if (tb.num <= 0 || tb.den <= 0) return lastMs;
    const double ms = (double(pts) - double(startPts)) * tb.num / tb.den * 1000.0;
    return ms <= 0 ? 0 : ms >= UINT32_MAX ? UINT32_MAX : uint32_t(ms + 0.5);
}

void MovieState::decodeAudio(const AVPacket* p) {
    AVCodecContext* decoder = container->audioDecoder.get();
    if (!decoder) return;
    // A damaged packet is dropped: a moment of silence, not the end of the sound.
    if (avcodec_send_packet(decoder, p) < 0 && p) return;
    AVFrame* f = sound.get();
    for (int n = 0; n < kMaxStepsPerFrame && avcodec_receive_frame(decoder, f) == 0; ++n) {
        if (setUpResampler(*f)) resample(const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        av_frame_unref(f);
    }
    if (!p && resampler) resample(nullptr, 0);
}

bool MovieState::setUpResampler(const AVFrame& f) {
    if (resampler && f.sample_rate == inRate && f.format == inFormat &&
        av_channel_layout_compare(&f.ch_layout, &inLayout) == 0)
        return true;
    resampler.reset();
    av_channel_layout_uninit(&inLayout);
    if (av_channel_layout_copy(&inLayout, &f.ch_layout) < 0) return false;
    resampler.reset(movie::makeStereoResampler(f, kOutRate));
    if (!resampler) return false;
    inRate = f.sample_rate;
    inFormat = f.format;
    return true;
}

void MovieState::resample(const uint8_t** data, int samples) {
    const int room = swr_get_out_samples(resampler.get(), samples);
    if (room <= 0) return;
    const std::size_t old = audio.size();
    audio.resize(old + std::size_t(room) * 2);
    uint8_t* out = reinterpret_cast<uint8_t*>(audio.data() + old);
    const int made = swr_convert(resampler.get(), &out, room, data, samples);
    audio.resize(old + std::size_t(std::max(made, 0)) * 2);
    if (audio.size() - audioRead > kMaxBufferedSamples) audioRead = audio.size() - kMaxBufferedSamples;
    if (audioRead >= audio.size() / 2 && audioRead >= 1u << 16) {
        audio.erase(audio.begin(), audio.begin() + std::ptrdiff_t(audioRead));
        audioRead = 0;
    }
}

namespace {

std::unique_ptr<MovieState> openState(std::unique_ptr<ByteSource> source, std::string* reason) {
    if (!source) return nullptr;
    auto container = openContainer(*source, reason);
    if (!container) return nullptr;
    if (!container->frameCountFromHeader) {
        // Counting reads the file through; decoding starts over on a fresh container.
        countFrames(*container);
        MovieInfo counted = std::move(container->info);
        container.reset();
        if (source->seek(0, SEEK_SET) != 0) {
            if (reason) *reason = "cannot go back to the start of the file";
            return nullptr;
        }
        container = openContainer(*source, reason);
        if (!container) return nullptr;
        container->info = std::move(counted);
    }
    auto state = std::make_unique<MovieState>();
    state->packet.reset(av_packet_alloc());
    state->frame.reset(av_frame_alloc());
    state->sound.reset(av_frame_alloc());
    if (!state->packet || !state->frame || !state->sound) {
        if (reason) *reason = "out of memory";
        return nullptr;
    }
    state->info = container->info;
    // A little past the count, for headers that count short; never without end.
    state->maxFrames = int64_t(state->info.frameCount) + state->info.frameCount / 8 + 16;
    const int64_t start = container->videoStream()->start_time;
    if (start != AV_NOPTS_VALUE) state->startPts = start;
    state->source = std::move(source);
    state->container = std::move(container);
    return state;
}

}  // namespace

namespace {

// The decoder the module hands out; all of its state is in MovieState.
class FfmpegMovie final : public MovieDecoder {
public:
    explicit FfmpegMovie(std::unique_ptr<MovieState> state) : state_(std::move(state)) {}
    const MovieInfo& info() const override;
    bool nextFrame(Surface& target, uint32_t& timeMs) override;
    std::size_t readAudio(std::span<int16_t> out) override;
    const std::string& error() const override;

private:
    std::unique_ptr<MovieState> state_;
};

}  // namespace

std::unique_ptr<MovieDecoder> movie::openMovie(const std::string& path, std::string* reason) {
    auto state = openState(openFileSource(path, reason), reason);
    return state ? std::make_unique<FfmpegMovie>(std::move(state)) : nullptr;
}

std::unique_ptr<MovieDecoder> movie::openMovieBytes(std::string bytes, std::string* reason) {
    auto state = openState(ownedMemorySource(std::move(bytes)), reason);
    return state ? std::make_unique<FfmpegMovie>(std::move(state)) : nullptr;
}

const MovieInfo& FfmpegMovie::info() const {
    return state_->info;
}

const std::string& FfmpegMovie::error() const {
    return state_->error;
}

bool FfmpegMovie::nextFrame(Surface& target, uint32_t& timeMs) {
    MovieState& s = *state_;
    if (s.videoEnded) return false;
    if (s.framesOut >= s.maxFrames) {
        s.videoEnded = true;
        return false;
    }
    AVCodecContext* decoder = s.container->videoDecoder.get();
    AVFrame* f = s.frame.get();
    for (;;) {
        if (++s.steps > kMaxStepsPerFrame)
            return s.stop("no picture in " + std::to_string(kMaxStepsPerFrame) + " steps");
        const int r = avcodec_receive_frame(decoder, f);
        if (r == 0) {
            if (f->width <= 0 || f->height <= 0 || f->width > kMaxMovieSide || f->height > kMaxMovieSide) {
                av_frame_unref(f);
                continue;
            }
            const bool converted = s.convert(*f, target);
            timeMs = s.frameTime(*f);
            av_frame_unref(f);
            if (!converted) return false;
            s.lastMs = timeMs;
            s.steps = 0;
            ++s.framesOut;
            return true;
        }
        if (r == AVERROR_EOF) {
            s.videoEnded = true;
            return false;
        }
        // Anything but "more input" was a damaged picture, already dropped.
        if (r != AVERROR(EAGAIN) || s.draining) continue;
        PacketPtr p = s.nextVideoPacket();
        if (!p) {
            if (s.steps >= kMaxStepsPerFrame)
                return s.stop("no picture in " + std::to_string(kMaxStepsPerFrame) + " steps");
            s.draining = true;
            avcodec_send_packet(decoder, nullptr);
            continue;
        }
        avcodec_send_packet(decoder, p.get());
    }
}

std::size_t FfmpegMovie::readAudio(std::span<int16_t> out) {
    MovieState& s = *state_;
    if (s.container->audio < 0) return 0;
    const std::size_t wanted = out.size() / 2 * 2;
    while (s.audio.size() - s.audioRead < wanted && s.videoQueue.size() < kMaxQueuedPackets &&
           s.queuedBytes < kMaxQueuedBytes && s.demuxOne()) {
    }
    const std::size_t n = std::min(wanted, s.audio.size() - s.audioRead);
    std::copy_n(s.audio.begin() + std::ptrdiff_t(s.audioRead), n, out.begin());
    s.audioRead += n;
    return n / 2;
}

}  // namespace qvl::platform
