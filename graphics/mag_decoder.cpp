#include "graphics/mag_decoder.h"

#include "base/fault.h"
#include "graphics/bmp_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace qvl {

namespace {

constexpr std::string_view kMagic = "MAKI02  ";
constexpr std::string_view kOwnMagic = "QVLIF1  ";
constexpr std::size_t kPictureHeaderBytes = 32;
constexpr std::size_t kBitmapHeaderBytes = 14 + 40;

uint32_t le16(std::string_view s, std::size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

uint32_t le32(std::string_view s, std::size_t at) {
    return le16(s, at) | le16(s, at + 2) << 16;
}

void put16(std::string& out, uint32_t v) {
    out.push_back(char(v));
    out.push_back(char(v >> 8));
}

void put32(std::string& out, uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}

std::size_t bitmapSize(const MagHeader& h) {
    return kBitmapHeaderBytes + std::size_t(h.colours()) * 4 + std::size_t(h.bytesPerLine) * std::size_t(h.height);
}

// Reads a stream of the file from an offset on; past the end of the file it yields
// zeros, since the header only promises that the declared sizes fit.
class ByteReader {
public:
    ByteReader(std::string_view file, std::size_t at) : data_(file.data()), at_(at), end_(file.size()) {}

    uint8_t next() { return at_ < end_ ? uint8_t(data_[at_++]) : 0; }

    void copy(uint8_t* out, std::size_t n) {
        const std::size_t have = at_ < end_ ? std::min(n, end_ - at_) : 0;
        std::memcpy(out, data_ + at_, have);
        std::memset(out + have, 0, n - have);
        at_ += have;
    }

private:
    const char* data_;
    std::size_t at_, end_;
};

class BitReader {
public:
    BitReader(std::string_view file, std::size_t at) : bytes_(file, at) {}

    bool next() {
        if (mask_ == 0) {
            current_ = bytes_.next();
            mask_ = 0x80;
        }
        const bool bit = (current_ & mask_) != 0;
        mask_ >>= 1;
        return bit;
    }

private:
    ByteReader bytes_;
    uint8_t current_ = 0, mask_ = 0;
};

// Decodes the pixel indices top-down into `out` (bytesPerLine x height bytes).
void decodePixels(std::string_view file, const MagHeader& h, uint8_t* out) {
    const std::size_t bpl = std::size_t(h.bytesPerLine);
    BitReader flagA(file, h.base + h.flagAOffset);
    ByteReader flagB(file, h.base + h.flagBOffset);
    ByteReader pixels(file, h.base + h.pixelOffset);

    std::array<std::size_t, 16> back{};
    for (std::size_t f = 1; f < back.size(); ++f)
        back[f] = std::size_t(kMagCopyVectors[f].dx) + std::size_t(kMagCopyVectors[f].dy) * bpl;

    // A copy position is a distance back in the whole picture, so "to the left" at the
    // start of a line reaches into the line above; before the first line it is index 0.
    auto unit = [&](unsigned nibble, std::size_t p) {
        if (nibble == 0) {
            pixels.copy(out + p, 2);
        } else if (p >= back[nibble]) {
            out[p] = out[p - back[nibble]];
            out[p + 1] = out[p - back[nibble] + 1];
        } else {
            out[p] = out[p + 1] = 0;
        }
    };

    std::vector<uint8_t> flags(bpl / 4, 0);
    std::size_t p = 0;
    for (int y = 0; y < h.height; ++y) {
        for (uint8_t& flag : flags) {
            if (flagA.next()) flag ^= flagB.next();
            if (flag == 0) {
                pixels.copy(out + p, 4);
            } else {
                unit(flag >> 4, p);
                unit(flag & 0x0F, p + 2);
            }
            p += 4;
        }
    }
}

}  // namespace

const char* magResultText(int code) {
    switch (code) {
        case kMagOk:
            return "ok";
        case kMagTruncated:
            return "MAG data runs past the end of the file";
        case kMagNoHeader:
            return "MAG picture header missing";
        case kMagBadMagic:
            return "not a MAG file";
        case kMagBadPicture:
            return "MAG picture header invalid";
        case kMagNoPalette:
            return "MAG palette cut off";
        case kMagTooLarge:
            return "MAG picture too large";
        default:
            return "MAG unreadable";
    }
}

MagHeaderCheck checkMagHeader(std::string_view file) {
    MagHeaderCheck result;
    const std::size_t eof = file.find('\x1A');
    if (eof == std::string_view::npos || file.size() - (eof + 1) < kPictureHeaderBytes) return result;

    MagHeader& h = result.header;
    h.base = eof + 1;
    // At least 33 bytes are there, so the tag can be read.
    const std::string_view tag = file.substr(0, 8);
    if (tag != kMagic && tag != kOwnMagic) {
        result.code = kMagBadMagic;
        return result;
    }

    const std::size_t b = h.base;
    h.colours256 = (uint8_t(file[b + 3]) & 0x80) != 0;
    h.left = int(le16(file, b + 4));
    h.top = int(le16(file, b + 6));
    h.right = int(le16(file, b + 8));
    h.bottom = int(le16(file, b + 10));
    h.flagAOffset = le32(file, b + 12);
    h.flagBOffset = le32(file, b + 16);
    h.flagBSize = le32(file, b + 20);
    h.pixelOffset = le32(file, b + 24);
    h.pixelSize = le32(file, b + 28);

    const int unit = h.colours256 ? 4 : 8;
    h.alignedLeft = h.left / unit * unit;
    const int alignedRight = (h.right / unit + 1) * unit - 1;
    h.width = alignedRight - h.alignedLeft + 1;
    h.height = h.bottom - h.top + 1;
    h.bytesPerLine = h.width / (unit / 4);
    // A bottom above the top would make the bitmap's height zero or negative (top-down).
    if (file[b] != 0 || h.alignedLeft >= alignedRight || h.height <= 0) {
        result.code = kMagBadPicture;
        return result;
    }
    // Before the stream extents: a forged size must fail the probe, not reach an
    // allocation of gigabytes that the bitmap reader refuses afterwards.
    if (h.width > kMagMaxSide || h.height > kMagMaxSide || int64_t(h.width) * h.height > kMagMaxPixels) {
        result.code = kMagTooLarge;
        return result;
    }

    const uint64_t size = file.size();
    const uint64_t flagABytes = uint64_t(h.height) * ((uint64_t(h.bytesPerLine) + 31) / 32);
    if (size < b + uint64_t(h.flagAOffset) + flagABytes || size < b + uint64_t(h.flagBOffset) + h.flagBSize ||
        size < b + uint64_t(h.pixelOffset) + h.pixelSize) {
        result.code = kMagTruncated;
        return result;
    }
    result.code = kMagOk;
    return result;
}

std::optional<std::size_t> magBitmapSize(std::string_view file) {
    const MagHeaderCheck check = checkMagHeader(file);
    if (check.code != kMagOk && check.code != kMagTruncated) return std::nullopt;
    return bitmapSize(check.header);
}

MagResult magToBmp(std::string_view file) {
    const MagHeaderCheck check = checkMagHeader(file);
    MagResult result;
    result.code = check.code;
    if (check.code != kMagOk) return result;

    const MagHeader& h = check.header;
    if (file.size() - h.base < kPictureHeaderBytes + h.paletteBytes()) {
        result.code = kMagNoPalette;
        return result;
    }

    std::string& bmp = result.bitmap;
    const std::size_t total = bitmapSize(h);
    const std::size_t pixelStart = total - std::size_t(h.bytesPerLine) * std::size_t(h.height);
    bmp.reserve(total);
    bmp += "BM";
    put32(bmp, uint32_t(total));
    put32(bmp, 0);  // two reserved words
    put32(bmp, uint32_t(pixelStart));
    put32(bmp, 40);
    put32(bmp, uint32_t(h.width));
    put32(bmp, uint32_t(h.height));
    put16(bmp, 1);
    put16(bmp, uint32_t(h.bitsPerPixel()));
    for (int i = 0; i < 6; ++i) put32(bmp, 0);  // compression, sizes, resolutions, colour counts

    // The file stores green, red, blue; the bitmap wants blue, green, red, 0.
    const std::size_t palette = h.base + kPictureHeaderBytes;
    for (int i = 0; i < h.colours(); ++i) {
        const std::size_t at = palette + std::size_t(i) * 3;
        bmp.push_back(file[at + 2]);
        bmp.push_back(file[at]);
        bmp.push_back(file[at + 1]);
        bmp.push_back(0);
    }

    std::vector<uint8_t> lines(std::size_t(h.bytesPerLine) * std::size_t(h.height));
    decodePixels(file, h, lines.data());
    bmp.resize(total);
    // Bottom-up: the first line of the file is the last row of the bitmap.
    const std::size_t bpl = std::size_t(h.bytesPerLine);
    for (int y = 0; y < h.height; ++y)
        std::memcpy(bmp.data() + pixelStart + std::size_t(h.height - 1 - y) * bpl, lines.data() + std::size_t(y) * bpl,
                    bpl);
    return result;
}

Surface decodeMag(std::string_view file) {
    const MagResult result = magToBmp(file);
    if (result.code != kMagOk) throw Fault(std::string("MAG: ") + magResultText(result.code));
    return decodeBmp(result.bitmap);
}

}  // namespace qvl
