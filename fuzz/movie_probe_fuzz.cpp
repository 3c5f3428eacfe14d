// Movie files of any kind: probing and decoding any bytes must end in a refusal or
// in frames, never in a crash, a read outside the bytes or a hang.
#include "platform/movie.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string reason;
    const auto info = qvl::platform::probeMovieBytes(bytes, &reason);
    const auto movie = qvl::platform::MovieDecoder::openBytes(std::string(bytes), &reason);
    // The probe promises what the decoder will say.
    if (bool(info) != bool(movie)) __builtin_trap();
    if (!movie) return 0;
    if (info->width != movie->info().width || info->frameCount != movie->info().frameCount) __builtin_trap();
    qvl::Surface target(32, 24);
    std::vector<int16_t> sound(2048);
    uint32_t ms = 0;
    for (int n = 0; n < 256 && movie->nextFrame(target, ms); ++n) movie->readAudio(sound);
    return 0;
}
