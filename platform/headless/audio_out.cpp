#include "platform/headless/audio_out.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace qvl::platform {

namespace {

constexpr std::size_t kBlockFrames = 4096;
constexpr uint32_t kHeaderBytes = 44;
// A RIFF file counts its bytes in 32 bits.
constexpr uint64_t kMaxDataBytes = std::numeric_limits<uint32_t>::max() - kHeaderBytes;
// How long pieces still sounding at the end of a run may play on (a damaged MIDI
// file can claim to last for days).
constexpr uint64_t kMaxPlayOutMs = 10 * 60 * 1000;

void putLe(std::FILE* f, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(int((v >> (8 * i)) & 0xFF), f);
}

void writeHeader(std::FILE* f, uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, f);
    putLe(f, dataBytes + kHeaderBytes - 8, 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    putLe(f, 16, 4);
    putLe(f, 1, 2);  // PCM
    putLe(f, 2, 2);
    putLe(f, kMixRate, 4);
    putLe(f, kMixRate * 4, 4);
    putLe(f, 4, 2);
    putLe(f, 16, 2);
    std::fwrite("data", 1, 4, f);
    putLe(f, dataBytes, 4);
}

}  // namespace

std::unique_ptr<AudioMixdown> AudioMixdown::create(const std::string& wavPath, std::string* reason) {
    std::FILE* f = std::fopen(wavPath.c_str(), "wb");
    if (!f) {
        if (reason) *reason = "cannot write " + wavPath + ": " + std::strerror(errno);
        return nullptr;
    }
    // Sizes are filled in at the end.
    writeHeader(f, 0);
    return std::unique_ptr<AudioMixdown>(new AudioMixdown(f, wavPath));
}

AudioMixdown::~AudioMixdown() {
    if (file_) std::fclose(file_);
}

void AudioMixdown::start(int voice, const std::string& path, uint64_t atMs, uint32_t lengthMs, int percent) {
    renderTo(msToFrames(atMs));
    voices_.erase(voice);
    std::string reason;
    std::unique_ptr<SoundStream> stream = decoder_.open(path, &reason);
    if (!stream) {
        // The run goes on without it, as a device that cannot decode plays silence.
        if (warned_.insert(path).second) std::fprintf(stderr, "quorvel: audio-out: %s\n", reason.c_str());
        return;
    }
    voices_[voice] = Voice{std::move(stream), msToFrames(atMs + lengthMs), std::clamp(percent, 0, 100) * 256 / 100};
}

void AudioMixdown::stop(int voice, uint64_t atMs) {
    renderTo(msToFrames(atMs));
    voices_.erase(voice);
}

void AudioMixdown::queueMovie(const int16_t* samples, std::size_t frames, uint64_t atMs) {
    renderTo(msToFrames(atMs));
    if (movieRead_ > 0 && movieRead_ >= movie_.size() / 2) {
        movie_.erase(movie_.begin(), movie_.begin() + std::ptrdiff_t(movieRead_));
        movieRead_ = 0;
    }
    movie_.insert(movie_.end(), samples, samples + frames * 2);
}

void AudioMixdown::stopMovie(uint64_t atMs) {
    renderTo(msToFrames(atMs));
    movie_.clear();
    movieRead_ = 0;
}

void AudioMixdown::write(const int16_t* samples, std::size_t count) {
    if (full_ || failed_) return;
    const uint64_t room = (kMaxDataBytes - written_ * 4) / 2;
    if (count > room) {
        count = std::size_t(room);
        full_ = true;
    }
    // Little-endian, as WAV keeps its samples.
    if (std::fwrite(samples, sizeof(int16_t), count, file_) != count) failed_ = true;
}

void AudioMixdown::renderTo(uint64_t frame) {
    mix_.resize(kBlockFrames * 2);
    block_.resize(kBlockFrames * 2);
    while (written_ < frame && !full_ && !failed_) {
        const std::size_t n = std::size_t(std::min<uint64_t>(kBlockFrames, frame - written_));
        std::fill_n(mix_.begin(), n * 2, 0);
        for (auto it = voices_.begin(); it != voices_.end();) {
            Voice& v = it->second;
            std::size_t want = v.end > written_ ? std::size_t(std::min<uint64_t>(n, v.end - written_)) : 0;
            std::size_t at = 0;
            while (at < want) {
                const std::size_t got = v.stream->read(std::span<int16_t>(block_.data(), (want - at) * 2));
                if (got == 0) break;
                for (std::size_t i = 0; i < got * 2; ++i) mix_[at * 2 + i] += block_[i] * v.level / 256;
                at += got;
            }
            // Over when it reached its length or its decoder ran out.
            if (at < n) it = voices_.erase(it);
            else ++it;
        }
        const std::size_t movieFrames = std::min(n, (movie_.size() - movieRead_) / 2);
        for (std::size_t i = 0; i < movieFrames * 2; ++i) mix_[i] += movie_[movieRead_ + i];
        movieRead_ += movieFrames * 2;
        for (std::size_t i = 0; i < n * 2; ++i)
            block_[i] = int16_t(std::clamp<int32_t>(mix_[i], std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
        write(block_.data(), n * 2);
        written_ += n;
    }
}

bool AudioMixdown::finish(uint64_t endMs, std::string* reason) {
    renderTo(msToFrames(endMs));
    // What still sounds plays to the end of its current play.
    uint64_t last = written_ + (movie_.size() - movieRead_) / 2;
    for (const auto& [voice, v] : voices_) last = std::max(last, v.end);
    renderTo(std::min(last, msToFrames(endMs + kMaxPlayOutMs)));
    voices_.clear();
    const uint64_t dataBytes = std::min<uint64_t>(written_ * 4, kMaxDataBytes / 4 * 4);
    if (std::fseek(file_, 0, SEEK_SET) == 0)
        writeHeader(file_, uint32_t(dataBytes));
    else
        failed_ = true;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed) {
        if (reason) *reason = "cannot write " + path_;
        return false;
    }
    if (full_) {
        if (reason) *reason = path_ + " holds only the first " + std::to_string(written_ / kMixRate) + " s: a WAV file can hold no more";
        return false;
    }
    return true;
}

}  // namespace qvl::platform
