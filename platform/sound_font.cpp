// The soundfont lookup, pure file-system work: built into both modules that play
// MIDI, the media module and the mixer module.
#include "platform/sound_decoder.h"

#include <cstdlib>
#include <filesystem>

namespace qvl::platform {

std::string generalMidiSoundFont() {
    std::error_code ec;
    if (const char* own = std::getenv("SDL_SOUNDFONTS"); own && *own) {
        std::string first(own);
        first = first.substr(0, first.find(';'));
        if (std::filesystem::is_regular_file(first, ec)) return first;
    }
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
        if (std::filesystem::is_regular_file(path, ec)) return path;
    return {};
}

}  // namespace qvl::platform
