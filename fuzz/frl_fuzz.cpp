#include "base/fault.h"
#include "graphics/frl_codec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    try {
        const qvl::Surface picture = qvl::decodeFrl(file);
        // Every decoded colour is one its format holds, so re-encoding in that
        // format must give the same picture back.
        if (picture.width() * picture.height() > 256 * 256) return 0;
        const int stated = int(uint32_t(data[4]) | uint32_t(data[5]) << 8 | uint32_t(data[6]) << 16 |
                               uint32_t(data[7]) << 24);  // a decoded file has its whole header
        const bool known =
            std::find(std::begin(qvl::kFrlFormats), std::end(qvl::kFrlFormats), stated) != std::end(qvl::kFrlFormats);
        if (!(qvl::decodeFrl(qvl::encodeFrl(picture, known ? stated : 24)) == picture)) __builtin_trap();
    } catch (const qvl::Fault&) {
    }
    return 0;
}
