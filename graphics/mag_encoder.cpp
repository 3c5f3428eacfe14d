#include "graphics/mag_encoder.h"

#include "base/fault.h"
#include "graphics/mag_decoder.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace qvl {

namespace {

constexpr int kMaxSide = 65536;  // the header's coordinates are 16-bit

// Order in which copy positions are tried when the flag above cannot be reused: near
// ones first, as they match most often in drawn pictures.
constexpr int kTryOrder[] = {1, 4, 5, 2, 6, 7, 8, 3, 9, 10, 11, 12, 13, 14, 15};

void put16(std::string& out, uint32_t v) {
    out.push_back(char(v));
    out.push_back(char(v >> 8));
}

void put32(std::string& out, uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}

// Palette indices, packed as the file stores them (two per byte at 16 colours,
// left pixel in the high nibble), with each row padded by its last pixel.
std::vector<uint8_t> packIndices(const Surface& picture, int colours, int width, std::vector<uint32_t>& palette) {
    std::unordered_map<uint32_t, uint8_t> index;
    const bool packed = colours == 16;
    const std::size_t bpl = packed ? std::size_t(width) / 2 : std::size_t(width);
    std::vector<uint8_t> lines(bpl * std::size_t(picture.height()), 0);
    for (int y = 0; y < picture.height(); ++y) {
        const uint32_t* row = picture.row(y);
        uint8_t* out = lines.data() + std::size_t(y) * bpl;
        for (int x = 0; x < width; ++x) {
            const uint32_t colour = row[std::min(x, picture.width() - 1)] & 0xFFFFFF;
            auto [it, added] = index.try_emplace(colour, uint8_t(palette.size()));
            if (added) {
                if (int(palette.size()) == colours)
                    throw Fault("MAG: the picture has more than " + std::to_string(colours) + " colours");
                palette.push_back(colour);
            }
            if (packed)
                out[x / 2] |= uint8_t(x % 2 == 0 ? it->second << 4 : it->second);
            else
                out[x] = it->second;
        }
    }
    return lines;
}

uint16_t unitAt(const std::vector<uint8_t>& lines, std::size_t p) {
    return uint16_t(lines[p] | lines[p + 1] << 8);
}

}  // namespace

std::string encodeMag(const Surface& picture, int colours) {
    if (colours != 16 && colours != 256) throw Fault("MAG: colours must be 16 or 256");
    if (picture.empty() || picture.width() > kMaxSide || picture.height() > kMaxSide)
        throw Fault("MAG: picture size out of range");

    const int alignment = colours == 256 ? 4 : 8;
    const int width = (picture.width() + alignment - 1) / alignment * alignment;
    const int height = picture.height();
    std::vector<uint32_t> palette;
    const std::vector<uint8_t> lines = packIndices(picture, colours, width, palette);
    const std::size_t bpl = lines.size() / std::size_t(height);
    const std::size_t unitsPerLine = bpl / 2;

    // Choose a copy position for every 2-byte unit. Reusing the one of the unit above
    // keeps the XOR-ed flag 0, which costs a single flag-A bit.
    std::vector<uint8_t> nibbles(unitsPerLine * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        for (std::size_t u = 0; u < unitsPerLine; ++u) {
            const std::size_t p = std::size_t(y) * bpl + u * 2;
            const uint16_t value = unitAt(lines, p);
            auto matches = [&](int f) {
                const MagCopyVector v = kMagCopyVectors[std::size_t(f)];
                if (y < v.dy || u * 2 < std::size_t(v.dx)) return false;
                return unitAt(lines, p - std::size_t(v.dx) - std::size_t(v.dy) * bpl) == value;
            };
            const std::size_t at = std::size_t(y) * unitsPerLine + u;
            const int above = y > 0 ? nibbles[at - unitsPerLine] : 0;
            int chosen = 0;
            if (above != 0 && matches(above)) {
                chosen = above;
            } else {
                for (int f : kTryOrder) {
                    if (matches(f)) {
                        chosen = f;
                        break;
                    }
                }
            }
            nibbles[at] = uint8_t(chosen);
        }
    }

    // Flag bytes (two nibbles each) are stored XOR-ed with the line above: flag A holds
    // one bit per byte, set when the XOR is not 0, and flag B the non-zero XORs.
    const std::size_t flagsPerLine = unitsPerLine / 2;
    const std::size_t flagABytesNeeded = std::size_t(height) * ((bpl + 31) / 32);
    std::vector<uint8_t> flagA((flagsPerLine * std::size_t(height) + 7) / 8, 0);
    flagA.resize(std::max(flagA.size(), flagABytesNeeded), 0);  // the reader's size check asks for this much
    std::string flagB, pixels;
    std::size_t bit = 0;
    for (int y = 0; y < height; ++y) {
        for (std::size_t k = 0; k < flagsPerLine; ++k, ++bit) {
            const std::size_t at = std::size_t(y) * unitsPerLine + k * 2;
            const uint8_t flag = uint8_t(nibbles[at] << 4 | nibbles[at + 1]);
            const uint8_t above = y > 0 ? uint8_t(nibbles[at - unitsPerLine] << 4 | nibbles[at - unitsPerLine + 1]) : 0;
            if (const uint8_t x = flag ^ above; x != 0) {
                flagA[bit / 8] |= uint8_t(0x80 >> (bit % 8));
                flagB.push_back(char(x));
            }
            const std::size_t p = std::size_t(y) * bpl + k * 4;
            for (int half = 0; half < 2; ++half) {
                if (nibbles[at + std::size_t(half)] != 0) continue;
                pixels.push_back(char(lines[p + std::size_t(half) * 2]));
                pixels.push_back(char(lines[p + std::size_t(half) * 2 + 1]));
            }
        }
    }

    std::string file = "MAKI02  ";
    file += "QVL ";                // machine code
    file += std::string(19, ' ');  // user name
    file.push_back('\x1A');        // empty comment
    const std::size_t paletteBytes = std::size_t(colours) * 3;
    const uint32_t flagAOffset = uint32_t(32 + paletteBytes);
    const uint32_t flagBOffset = flagAOffset + uint32_t(flagA.size());
    const uint32_t pixelOffset = flagBOffset + uint32_t(flagB.size());

    file.push_back(0);  // start code
    file.push_back(0);  // machine code
    file.push_back(0);  // machine flags
    file.push_back(char(colours == 256 ? 0x80 : 0));
    put16(file, 0);
    put16(file, 0);
    put16(file, uint32_t(picture.width() - 1));
    put16(file, uint32_t(height - 1));
    put32(file, flagAOffset);
    put32(file, flagBOffset);
    put32(file, uint32_t(flagB.size()));
    put32(file, pixelOffset);
    put32(file, uint32_t(pixels.size()));

    palette.resize(std::size_t(colours), 0);
    for (uint32_t c : palette) {
        file.push_back(char(c >> 8));   // green
        file.push_back(char(c >> 16));  // red
        file.push_back(char(c));        // blue
    }
    file.append(reinterpret_cast<const char*>(flagA.data()), flagA.size());
    file += flagB;
    file += pixels;
    return file;
}

}  // namespace qvl
