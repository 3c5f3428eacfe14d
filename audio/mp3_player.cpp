#include "audio/mp3_player.h"

namespace qvl {

using platform::MediaDevice;

void Mp3Player::record(std::string call) {
    // The newest calls; a piece repeated for ever must not grow the record.
    if (calls_.size() == 64) calls_.erase(calls_.begin());
    calls_.push_back(std::move(call));
}

void Mp3Player::init() {
    record("init");
}

void Mp3Player::setOption(const std::array<int32_t, 4>& options) {
    options_ = options;
    record("setOption " + std::to_string(options[0]) + "," + std::to_string(options[1]) + "," +
           std::to_string(options[2]) + "," + std::to_string(options[3]));
}

int32_t Mp3Player::open(const std::string& path) {
    record("open");
    return out_.open(MediaDevice::Mp3, path) == 0 ? 1 : 0;
}

void Mp3Player::callback(std::function<void(int32_t, int32_t)> done) {
    record("callback");
    done_ = std::move(done);
}

void Mp3Player::play() {
    record("play");
    out_.play(MediaDevice::Mp3, true);
}

void Mp3Player::stop() {
    record("stop");
    out_.stop(MediaDevice::Mp3);
}

void Mp3Player::close() {
    record("close");
    out_.close(MediaDevice::Mp3);
}

void Mp3Player::free() {
    record("free");
}

void Mp3Player::onCompletion(platform::MediaStatus status) {
    // The player's own status: 4 when the file played to its end.
    if (done_) done_(status == platform::MediaStatus::Successful ? 4 : 0, 0);
}

}  // namespace qvl
