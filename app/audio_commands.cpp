#include "app/audio_commands.h"

#include "app/tfmain.h"

namespace qvl {

AudioCommands::AudioCommands(TFmain& main, Dispatcher& d) : args_(main.state, main.evaluator) {
    Playback& playback = main.playback;
    auto arg = [this](int slot) -> const std::string& { return args_.text(slot); };
    auto value = [this](int slot) { return args_.value(slot, 0); };
    d.add("_bgmmode", [&playback, value] { playback.bgmMode(value(0)); });
    d.add("_bgmplay", [&playback, arg, value] { playback.bgmPlay(arg(0), value(1)); });
    d.add("_bgmstop", [&playback] { playback.bgmStop(); });
    d.add("_midiplay", [&playback, arg, value] { playback.playMusic(arg(0), value(1)); });
    d.add("_midistop", [&playback] { playback.stopMusic(); });
    d.add("_cdplay", [&playback, value] { playback.playCdTrack(value(0), value(1)); });
    d.add("_cdstop", [&playback] { playback.stopCd(); });
    d.add("_pcmplay", [&playback, arg, value] { playback.playSound(arg(0), value(1)); });
    d.add("_pcmstop", [&playback] { playback.stopSound(); });
}

}  // namespace qvl
