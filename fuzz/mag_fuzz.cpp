#include "base/fault.h"
#include "graphics/bmp_decoder.h"
#include "graphics/mag_decoder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const qvl::MagResult result = qvl::magToBmp(file);
    if (result.code != qvl::kMagOk) {
        if (!result.bitmap.empty()) __builtin_trap();
        return 0;
    }
    // A decoded bitmap always has exactly the size the probe announced, and the
    // bitmap reader takes it.
    if (qvl::magBitmapSize(file) != result.bitmap.size()) __builtin_trap();
    const int width = int(result.bitmap[18] & 0xFF) + int(result.bitmap[19] & 0xFF) * 256;
    const int height = int(result.bitmap[22] & 0xFF) + int(result.bitmap[23] & 0xFF) * 256;
    try {
        const qvl::Surface picture = qvl::decodeBmp(result.bitmap);
        if (picture.width() != width || picture.height() != height) __builtin_trap();
    } catch (const qvl::Fault&) {
        // The reader refuses only what is beyond its size limits.
        if (width <= 16384 && height <= 16384 && result.bitmap[20] == 0 && result.bitmap[24] == 0) __builtin_trap();
    }
    return 0;
}
