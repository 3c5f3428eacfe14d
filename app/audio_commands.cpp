// The sound commands: arguments read here, the channels in audio/.
#include "app/tfmain.h"

#include <algorithm>
#include <climits>

namespace qvl {

void TFmain::registerAudioCommands() {
    Dispatcher& d = dispatcher_;
    auto arg = [this](int slot) -> const std::string& { return state.ProgArgs[std::size_t(slot)]; };
    d.add("_bgmmode", [this] { playback_.bgmMode(argValue(0, 0)); });
    d.add("_bgmplay", [this, arg] { playback_.bgmPlay(arg(0), argValue(1, 0)); });
    d.add("_bgmstop", [this] { playback_.bgmStop(); });
    d.add("_midiplay", [this, arg] { playback_.playMusic(arg(0), argValue(1, 0)); });
    d.add("_midistop", [this] { playback_.stopMusic(); });
    d.add("_cdplay", [this] { playback_.playCdTrack(argValue(0, 0), argValue(1, 0)); });
    d.add("_cdstop", [this] { playback_.stopCd(); });
    d.add("_pcmplay", [this, arg] { playback_.playSound(arg(0), argValue(1, 0)); });
    d.add("_pcmstop", [this] { playback_.stopSound(); });
}

void TFmain::playWaveToEnd(const std::string& name) {
    const uint32_t length = playback_.playWave(name);
    if (length > 0) delayMs(int32_t(std::min<uint32_t>(length, INT32_MAX)));
}

}  // namespace qvl
