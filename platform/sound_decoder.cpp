#include "platform/sound_decoder.h"

#include "formats/media_probe.h"
#include "platform/movie_container.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>

#include <fluidsynth.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

namespace qvl::platform {

namespace {

using movie::ByteSource;
using movie::readSource;
using movie::refuseNestedOpen;
using movie::seekSource;

constexpr int kIoBufferSize = 32 * 1024;
// The containers sound comes in; anything else is refused after the probe.
constexpr const char* kFormats = "wav,mp3,ogg,flac";
constexpr int kMaxChannels = 8;
constexpr int kMaxSampleRate = 192000;
// MIDI files are small; anything larger is not one we play.
constexpr std::size_t kMaxMidiBytes = std::size_t(16) << 20;
// Packets read in one go without a decoded sample: a file that makes no sound for
// this long is taken as ended rather than read on without bound.
constexpr int kMaxFruitlessPackets = 4096;
// Synthesisers kept for later pieces.
constexpr std::size_t kMaxIdleSynths = 4;

void silenceLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) fluid_set_log_function(level, nullptr, nullptr);
    });
}

void fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
}

struct SwrFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};

// A Standard MIDI File: the bytes themselves, or the data chunk of a RIFF RMID file.
std::optional<std::string_view> midiContent(std::string_view bytes) {
    if (bytes.substr(0, 4) == "MThd") return bytes;
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "RMID") return std::nullopt;
    std::size_t at = 12;
    while (bytes.size() - at >= 8) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        const std::size_t size = std::size_t(p[4]) | std::size_t(p[5]) << 8 | std::size_t(p[6]) << 16 |
                                 std::size_t(p[7]) << 24;
        const std::size_t left = bytes.size() - at - 8;
        if (bytes.substr(at, 4) == "data") return bytes.substr(at + 8, std::min(size, left));
        if (size > left) break;
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

bool looksLikeMidi(std::string_view head) {
    return head.substr(0, 4) == "MThd" || (head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "RMID");
}

// FFmpeg's decoders behind the stream interface.
class FfmpegStream final : public SoundStream {
public:
    bool open(std::unique_ptr<ByteSource> source, std::string* reason);
    std::size_t read(std::span<int16_t> out) override;

private:
    bool decodeMore();
    bool convert(const AVFrame& f);
    bool makeResampler(const AVFrame& f);

    std::unique_ptr<ByteSource> source_;
    movie::AvioPtr avio_;
    movie::FormatPtr format_;
    movie::CodecPtr codec_;
    movie::PacketPtr packet_;
    movie::FramePtr frame_;
    std::unique_ptr<SwrContext, SwrFreer> swr_;
    int inRate_ = 0, inFormat_ = -1, inChannels_ = 0;
    int stream_ = -1;
    bool flushed_ = false, ended_ = false;
    std::vector<int16_t> pending_;
    std::size_t pendingRead_ = 0;
};

bool FfmpegStream::open(std::unique_ptr<ByteSource> source, std::string* reason) {
    source_ = std::move(source);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer) avio_.reset(avio_alloc_context(buffer, kIoBufferSize, 0, source_.get(), readSource, nullptr, seekSource));
    AVFormatContext* format = avio_ ? avformat_alloc_context() : nullptr;
    if (!format) {
        if (!avio_) av_free(buffer);
        fail(reason, "out of memory");
        return false;
    }
    format->pb = avio_.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = refuseNestedOpen;
    format->format_whitelist = av_strdup(kFormats);
    format->max_streams = 8;
    int r = avformat_open_input(&format, nullptr, nullptr, nullptr);  // frees the context on failure
    if (r < 0) {
        fail(reason, "not a sound file we can play (" + movie::errorText(r) + ")");
        return false;
    }
    format_.reset(format);
    r = avformat_find_stream_info(format, nullptr);
    if (r < 0) {
        fail(reason, "unreadable sound (" + movie::errorText(r) + ")");
        return false;
    }
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) {
        fail(reason, "no sound we can decode");
        return false;
    }
    const AVCodecParameters* par = format->streams[stream_]->codecpar;
    if (par->ch_layout.nb_channels < 1 || par->ch_layout.nb_channels > kMaxChannels || par->sample_rate < 1 ||
        par->sample_rate > kMaxSampleRate) {
        fail(reason, "a sound format we do not play");
        return false;
    }
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_ || avcodec_parameters_to_context(codec_.get(), par) < 0) {
        fail(reason, "out of memory");
        return false;
    }
    codec_->thread_count = 1;
    if ((r = avcodec_open2(codec_.get(), decoder, nullptr)) < 0) {
        fail(reason, "cannot decode the sound (" + movie::errorText(r) + ")");
        return false;
    }
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_) {
        fail(reason, "out of memory");
        return false;
    }
    return true;
}

bool FfmpegStream::makeResampler(const AVFrame& f) {
    const int channels = f.ch_layout.nb_channels;
    if (swr_ && f.sample_rate == inRate_ && f.format == inFormat_ && channels == inChannels_) return true;
    swr_.reset(movie::makeStereoResampler(f, kMixRate));
    if (!swr_) return false;
    inRate_ = f.sample_rate;
    inFormat_ = f.format;
    inChannels_ = channels;
    return true;
}

bool FfmpegStream::convert(const AVFrame& f) {
    if (f.nb_samples <= 0 || !makeResampler(f)) return false;
    const int room = swr_get_out_samples(swr_.get(), f.nb_samples);
    if (room <= 0) return false;
    pending_.resize(std::size_t(room) * 2);
    pendingRead_ = 0;
    auto* out = reinterpret_cast<uint8_t*>(pending_.data());
    const int made = swr_convert(swr_.get(), &out, room, const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
    pending_.resize(std::size_t(std::max(made, 0)) * 2);
    return made > 0;
}

bool FfmpegStream::decodeMore() {
    for (int fruitless = 0; fruitless < kMaxFruitlessPackets;) {
        const int got = avcodec_receive_frame(codec_.get(), frame_.get());
        if (got == 0) {
            const bool made = convert(*frame_);
            av_frame_unref(frame_.get());
            if (made) return true;
            ++fruitless;
            continue;
        }
        if (got != AVERROR(EAGAIN) || flushed_) break;
        if (av_read_frame(format_.get(), packet_.get()) < 0) {
            // The end of the file: what the decoder still holds comes out next.
            flushed_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        if (packet_->stream_index == stream_) {
            // A damaged packet is skipped; the next may decode.
            if (avcodec_send_packet(codec_.get(), packet_.get()) < 0) ++fruitless;
        }
        av_packet_unref(packet_.get());
        ++fruitless;
    }
    // What the resampler holds back belongs to the end.
    if (swr_) {
        const int room = swr_get_out_samples(swr_.get(), 0);
        if (room > 0) {
            pending_.resize(std::size_t(room) * 2);
            pendingRead_ = 0;
            auto* out = reinterpret_cast<uint8_t*>(pending_.data());
            const int made = swr_convert(swr_.get(), &out, room, nullptr, 0);
            pending_.resize(std::size_t(std::max(made, 0)) * 2);
            swr_.reset();
            if (made > 0) return true;
        }
    }
    ended_ = true;
    return false;
}

std::size_t FfmpegStream::read(std::span<int16_t> out) {
    std::size_t written = 0;
    const std::size_t want = out.size() / 2 * 2;
    while (written < want) {
        if (pendingRead_ >= pending_.size()) {
            if (ended_ || !decodeMore()) break;
            continue;
        }
        const std::size_t n = std::min(want - written, pending_.size() - pendingRead_);
        std::copy_n(pending_.data() + pendingRead_, n, out.data() + written);
        pendingRead_ += n;
        written += n;
    }
    return written / 2;
}

// One FluidSynth synthesiser with the soundfont loaded.
struct Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~Synth() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

struct Pool {
    std::string soundFont;
    std::vector<std::unique_ptr<Synth>> idle;

    std::unique_ptr<Synth> take(std::string* reason) {
        if (!idle.empty()) {
            std::unique_ptr<Synth> s = std::move(idle.back());
            idle.pop_back();
            return s;
        }
        if (soundFont.empty()) {
            fail(reason, "no General MIDI soundfont to play MIDI with");
            return nullptr;
        }
        auto s = std::make_unique<Synth>();
        s->settings = new_fluid_settings();
        if (!s->settings) {
            fail(reason, "out of memory");
            return nullptr;
        }
        fluid_settings_setnum(s->settings, "synth.sample-rate", double(kMixRate));
        // The player follows the samples rendered, not the wall clock: offline,
        // as fast as we can render.
        fluid_settings_setstr(s->settings, "player.timing-source", "sample");
        fluid_settings_setint(s->settings, "synth.lock-memory", 0);
        fluid_settings_setint(s->settings, "synth.threadsafe-api", 0);
        // The level SDL_mixer gives FluidSynth at full music volume.
        fluid_settings_setnum(s->settings, "synth.gain", 1.0);
        s->synth = new_fluid_synth(s->settings);
        if (!s->synth || fluid_synth_sfload(s->synth, soundFont.c_str(), 1) == FLUID_FAILED) {
            fail(reason, "cannot load the soundfont " + soundFont);
            return nullptr;
        }
        return s;
    }
};

class MidiStream final : public SoundStream {
public:
    MidiStream(std::weak_ptr<Pool> home, std::unique_ptr<Synth> synth,
               fluid_player_t* player, uint64_t frames)
        : home_(std::move(home)), synth_(std::move(synth)), player_(player), left_(frames) {}
    ~MidiStream() override {
        delete_fluid_player(player_);
        fluid_synth_system_reset(synth_->synth);
        if (auto pool = home_.lock(); pool && pool->idle.size() < kMaxIdleSynths) pool->idle.push_back(std::move(synth_));
    }
    std::size_t read(std::span<int16_t> out) override {
        // The piece lasts as our probe times it, to its last event: FluidSynth's
        // player may run on past it, and a damaged file may never end for it.
        const std::size_t frames = std::size_t(std::min<uint64_t>({out.size() / 2, 1 << 16, left_}));
        // A player that ended sooner leaves the notes' release.
        if (frames == 0 || fluid_synth_write_s16(synth_->synth, int(frames), out.data(), 0, 2, out.data(), 1, 2) != FLUID_OK)
            return 0;
        left_ -= frames;
        return frames;
    }

private:
    std::weak_ptr<Pool> home_;
    std::unique_ptr<Synth> synth_;
    fluid_player_t* player_;
    uint64_t left_;
};

// What SoundDecoder hands its pieces to, in the media module.
class FfmpegSoundDecoder final : public SoundDecoder::Backend {
public:
    explicit FfmpegSoundDecoder(std::string soundFont);
    std::unique_ptr<SoundStream> open(const std::string& path, std::string* reason) override;
    std::unique_ptr<SoundStream> openBytes(std::string bytes, std::string* reason) override;

private:
    std::unique_ptr<SoundStream> openMidi(const std::string& bytes, std::string* reason);

    // Shared with the MIDI streams, which hand their synthesiser back when they end.
    std::shared_ptr<Pool> pool_;
};

}  // namespace

std::unique_ptr<SoundDecoder::Backend> movie::makeSoundDecoder(std::string soundFont) {
    return std::make_unique<FfmpegSoundDecoder>(std::move(soundFont));
}

FfmpegSoundDecoder::FfmpegSoundDecoder(std::string soundFont) : pool_(std::make_shared<Pool>()) {
    pool_->soundFont = soundFont.empty() ? generalMidiSoundFont() : std::move(soundFont);
}

std::unique_ptr<SoundStream> FfmpegSoundDecoder::openMidi(const std::string& bytes, std::string* reason) {
    const std::optional<std::string_view> smf = midiContent(bytes);
    const std::optional<MediaInfo> info = probeMidi(bytes);
    if (!smf || smf->size() < 14 || !info) {
        fail(reason, "not a MIDI file we can play");
        return nullptr;
    }
    std::unique_ptr<Synth> synth = pool_->take(reason);
    if (!synth) return nullptr;
    fluid_player_t* player = new_fluid_player(synth->synth);
    if (!player) {
        fail(reason, "out of memory");
        return nullptr;
    }
    // The stream owns the player and the synthesiser from here, also on failure.
    const uint64_t frames = (uint64_t(info->durationMs) * kMixRate + 500) / 1000;
    auto stream = std::make_unique<MidiStream>(pool_, std::move(synth), player, frames);
    if (fluid_player_add_mem(player, smf->data(), smf->size()) != FLUID_OK || fluid_player_play(player) != FLUID_OK) {
        fail(reason, "unreadable MIDI file");
        return nullptr;
    }
    return stream;
}

std::unique_ptr<SoundStream> FfmpegSoundDecoder::openBytes(std::string bytes, std::string* reason) {
    silenceLibraries();
    if (looksLikeMidi(bytes)) return openMidi(bytes, reason);
    auto stream = std::make_unique<FfmpegStream>();
    if (!stream->open(movie::ownedMemorySource(std::move(bytes)), reason)) return nullptr;
    return stream;
}

std::unique_ptr<SoundStream> FfmpegSoundDecoder::open(const std::string& path, std::string* reason) {
    silenceLibraries();
    std::string why;
    const std::optional<std::string> head = readRegularFile(path, 11, &why);
    if (!head) {
        fail(reason, why);
        return nullptr;
    }
    if (looksLikeMidi(*head)) {
        const std::optional<std::string> bytes = readRegularFile(path, kMaxMidiBytes, &why);
        if (!bytes) {
            fail(reason, why);
            return nullptr;
        }
        if (bytes->size() > kMaxMidiBytes) {
            fail(reason, "MIDI file too large: " + path);
            return nullptr;
        }
        return openMidi(*bytes, reason);
    }
    auto source = movie::openFileSource(path, reason);
    if (!source) return nullptr;
    auto stream = std::make_unique<FfmpegStream>();
    if (!stream->open(std::move(source), reason)) return nullptr;
    return stream;
}

}  // namespace qvl::platform
