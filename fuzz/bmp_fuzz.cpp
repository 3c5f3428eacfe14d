// Bitmap files: any bytes must decode or end in a Fault, never in a crash. Whatever
// decodes must come back unchanged through our own writer.
#include "base/fault.h"
#include "graphics/bmp_decoder.h"
#include "graphics/bmp_encoder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    try {
        const qvl::Surface picture = qvl::decodeBmp(std::string_view(reinterpret_cast<const char*>(data), size));
        // Small pictures only, to keep runs fast.
        if (picture.width() * picture.height() <= 256 * 256) {
            const bool palettized = size > 0 && (data[size - 1] & 1) != 0;
            if (!(qvl::decodeBmp(qvl::encodeBmp(picture, palettized)) == picture)) __builtin_trap();
        }
    } catch (const qvl::Fault&) {
    }
    return 0;
}
