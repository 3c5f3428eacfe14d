// Sound files of any kind: probing any bytes must end in a length or in nothing,
// never in a crash, a read outside the bytes or a hang.
#include "formats/media_probe.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<qvl::MediaInfo> info = qvl::probeMedia(bytes);
    // A kind's own probe must agree with the one that picks the kind.
    if (info && info->kind == qvl::MediaKind::Wave && qvl::probeWave(bytes)->durationMs != info->durationMs)
        __builtin_trap();
    return 0;
}
