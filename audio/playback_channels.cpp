#include "audio/playback_channels.h"

namespace qvl {

void PlaybackChannels::reset() {
    channels_ = {};
    BgmMode = -1;
    movieWaiting = 0;
}

}  // namespace qvl
