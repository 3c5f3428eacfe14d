// Sound files as --audio-out decodes them: any bytes must open and play to an end
// or fail to open, never crash or play on without end. MIDI plays for as long as
// its probe gives it, so a few minutes of it are enough to look at.
#include "platform/sound_decoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static qvl::platform::SoundDecoder decoder;
    auto stream = decoder.openBytes(std::string(reinterpret_cast<const char*>(data), size), nullptr);
    if (!stream) return 0;
    std::vector<int16_t> buffer(2 * 4096);
    for (int blocks = 0; blocks < 4096 && stream->read(buffer) > 0; ++blocks) {
    }
    return 0;
}
