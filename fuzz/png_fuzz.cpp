#include "graphics/png_io.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Mutations almost always break chunk checksums, which would stop the decoder at the
// first chunk; repair them so the fuzzer reaches the pixel code.
void repairChecksums(std::string& png) {
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        const uint64_t length = uint64_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        if (length > png.size() - at - 12) return;
        const uint32_t crc = uint32_t(crc32(0, p + 4, uInt(length + 4)));
        for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = char(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string png(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[size - 1] & 1) == 0) repairChecksums(png);
    const auto picture = qvl::decodePng(png);
    // Whatever decodes must survive our own encoder unchanged; small pictures only, to keep runs fast.
    if (picture && picture->width() * picture->height() <= 256 * 256) {
        const auto again = qvl::decodePng(qvl::encodePng(*picture, true));
        if (!again || !(*again == *picture)) __builtin_trap();
    }
    return 0;
}
