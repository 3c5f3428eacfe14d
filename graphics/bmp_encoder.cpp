#include "graphics/bmp_encoder.h"

#include "base/fault.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qvl {

namespace {

constexpr uint32_t kColourMask = 0x00FFFFFF;
constexpr std::size_t kHeadersSize = 14 + 40;

void put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8 & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The picture's colours in ascending order, or nothing when there are more than 256.
std::vector<uint32_t> collectPalette(const Surface& picture) {
    std::unordered_set<uint32_t> seen;
    for (int y = 0; y < picture.height(); ++y) {
        const uint32_t* row = picture.row(y);
        for (int x = 0; x < picture.width(); ++x) {
            seen.insert(row[x] & kColourMask);
            if (seen.size() > 256) return {};
        }
    }
    std::vector<uint32_t> palette;
    palette.assign(seen.begin(), seen.end());
    std::sort(palette.begin(), palette.end());
    return palette;
}

}  // namespace

std::string encodeBmp(const Surface& picture, bool palettized) {
    if (picture.empty()) throw Fault("BMP: cannot write an empty picture");
    const std::vector<uint32_t> palette = palettized ? collectPalette(picture) : std::vector<uint32_t>{};
    const bool indexed = !palette.empty();
    const uint32_t bitCount = indexed ? 8 : 24;

    const uint64_t stride = (uint64_t(picture.width()) * bitCount + 31) / 32 * 4;
    const uint64_t imageSize = stride * uint64_t(picture.height());
    const uint64_t pixelsAt = kHeadersSize + 4 * palette.size();
    if (pixelsAt + imageSize > UINT32_MAX) throw Fault("BMP: picture is too large to write");

    std::string out;
    out.reserve(std::size_t(pixelsAt + imageSize));
    out += "BM";
    put32(out, uint32_t(pixelsAt + imageSize));
    put32(out, 0);  // reserved
    put32(out, uint32_t(pixelsAt));
    put32(out, 40);
    put32(out, uint32_t(picture.width()));
    put32(out, uint32_t(picture.height()));  // positive: bottom-up, which every reader takes
    put16(out, 1);
    put16(out, bitCount);
    put32(out, 0);  // BI_RGB
    put32(out, uint32_t(imageSize));
    put32(out, 0);  // no density: unknown
    put32(out, 0);
    put32(out, uint32_t(palette.size()));
    put32(out, 0);  // all colours important
    for (uint32_t colour : palette) put32(out, colour);

    std::unordered_map<uint32_t, uint8_t> indexOf;
    for (std::size_t i = 0; i < palette.size(); ++i) indexOf[palette[i]] = uint8_t(i);
    const std::size_t padding = std::size_t(stride) - std::size_t(picture.width()) * (bitCount / 8);
    for (int y = picture.height() - 1; y >= 0; --y) {
        const uint32_t* row = picture.row(y);
        for (int x = 0; x < picture.width(); ++x) {
            const uint32_t colour = row[x] & kColourMask;
            if (indexed) {
                out += char(indexOf.at(colour));
            } else {
                out += char(colour & 0xFF);
                out += char(colour >> 8 & 0xFF);
                out += char(colour >> 16);
            }
        }
        out.append(padding, '\0');
    }
    return out;
}

}  // namespace qvl
