#include "graphics/bmp_decoder.h"

#include "base/fault.h"
#include "graphics/bmp_huffman.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/png_io.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

namespace {

// Far above any picture the engine shows; keeps a forged header from asking for
// gigabytes before the pixel data turns out to be missing.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(64) << 20;
// About 25000 dpi. Nothing real comes close; a larger value means the header is garbage.
constexpr int64_t kMaxDensity = 1000000;

constexpr std::size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
// OS/2 2.x headers: the full one, and the common cut that ends after the bit count.
constexpr uint32_t kOs2HeaderSize = 64;
constexpr uint32_t kOs2ShortHeaderSize = 16;

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitfields = 6,
    // OS/2 uses 3 and 4 for these; the header reader renumbers them.
    kHuffman1d = 0x100,
    kRle24 = 0x101
};

[[noreturn]] void refuse(const std::string& why) {
    throw Fault("BMP: " + why);
}

// Every read checks the bounds, so a forged offset or size can only produce a fault.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    uint8_t u8(std::size_t at) const {
        need(at, 1);
        return uint8_t(bytes_[at]);
    }
    uint16_t u16(std::size_t at) const {
        need(at, 2);
        return uint16_t(u8(at) | u8(at + 1) << 8);
    }
    uint32_t u32(std::size_t at) const {
        need(at, 4);
        return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16;
    }
    uint32_t u32BigEndian(std::size_t at) const {
        need(at, 4);
        return uint32_t(u8(at)) << 24 | uint32_t(u8(at + 1)) << 16 | uint32_t(u8(at + 2)) << 8 | u8(at + 3);
    }
    int32_t s32(std::size_t at) const { return int32_t(u32(at)); }
    const uint8_t* at(std::size_t offset, std::size_t count) const {
        need(offset, count);
        return reinterpret_cast<const uint8_t*>(bytes_.data()) + offset;
    }

private:
    void need(std::size_t at, std::size_t count) const {
        if (at > bytes_.size() || count > bytes_.size() - at) refuse("file is truncated");
    }
    std::string_view bytes_;
};

// One colour channel of a bitfields picture, widened or narrowed to 8 bits.
class Channel {
public:
    explicit Channel(uint32_t mask) : mask_(mask), shift_(std::countr_zero(mask)), bits_(std::popcount(mask)) {
        // Narrow channels repeat their bits downwards (5 bits: abcde -> abcdeabc), so the
        // full range reaches 255 and the steps stay even.
        if (bits_ < 8) {
            for (uint32_t v = 0; v < (uint32_t(1) << bits_); ++v) {
                uint32_t wide = 0;
                for (int at = 8 - bits_; at > -bits_; at -= bits_) wide |= at >= 0 ? v << at : v >> -at;
                table_[v] = uint8_t(wide);
            }
        }
    }
    uint32_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask_) >> shift_;
        return bits_ < 8 ? table_[v] : v >> (bits_ - 8);
    }

private:
    uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
    uint8_t table_[256] = {};
};

struct Header {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t imageSize = 0;
    uint32_t coloursUsed = 0;
    uint32_t masks[3] = {};
    std::size_t paletteAt = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t pixelsAt = 0;
};

bool validMasks(const uint32_t (&masks)[3], int bitCount) {
    uint32_t seen = 0;
    for (uint32_t m : masks) {
        if (m == 0 || (m & seen) != 0) return false;
        if (bitCount < 32 && (m >> bitCount) != 0) return false;
        // Contiguous: adding the lowest bit carries through the whole run.
        if (((m + (m & -m)) & m) != 0) return false;
        seen |= m;
    }
    return true;
}

void readCompression(const Bytes& in, uint32_t headerSize, Header& h) {
    std::size_t masksEnd = kFileHeaderSize + headerSize;
    if (headerSize == kOs2HeaderSize) {
        if (h.compression == kBitfields)
            h.compression = kHuffman1d;
        else if (h.compression == kJpeg)
            h.compression = kRle24;
        else if (h.compression > kJpeg)
            refuse("unknown OS/2 compression " + std::to_string(h.compression));
    }
    switch (h.compression) {
        case kRgb:
            if (h.bitCount != 1 && h.bitCount != 2 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 &&
                h.bitCount != 24 && h.bitCount != 32 && h.bitCount != 64)
                refuse("unsupported bit count " + std::to_string(h.bitCount));
            if (h.bitCount == 16) h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
            if (h.bitCount == 24 || h.bitCount == 32)
                h.masks[0] = 0xFF0000, h.masks[1] = 0x00FF00, h.masks[2] = 0x0000FF;
            break;
        case kRle8:
        case kRle4:
        case kRle24:
            if (h.bitCount != (h.compression == kRle8 ? 8 : h.compression == kRle4 ? 4 : 24))
                refuse("RLE compression does not match the bit count");
            if (h.topDown) refuse("RLE pictures cannot be top-down");
            break;
        case kHuffman1d:
            if (h.bitCount != 1) refuse("Huffman compression needs 1 bit per pixel");
            break;
        case kBitfields:
        case kAlphaBitfields: {
            if (h.bitCount != 16 && h.bitCount != 32) refuse("bitfields need 16 or 32 bits per pixel");
            // The masks sit at the same place whether they end the header or follow it.
            for (int i = 0; i < 3; ++i) h.masks[i] = in.u32(kFileHeaderSize + 40 + 4 * i);
            if (headerSize == 40) masksEnd += h.compression == kBitfields ? 12 : 16;
            if (!validMasks(h.masks, h.bitCount)) refuse("colour masks are empty, overlapping or not contiguous");
            break;
        }
        case kJpeg:
        case kPng:
            // A whole JPEG or PNG file follows; its own header says the rest.
            break;
        default:
            refuse("unknown compression " + std::to_string(h.compression));
    }
    h.paletteAt = masksEnd;
}

Header readHeader(const Bytes& in) {
    if (in.size() < kFileHeaderSize + 4) refuse("file is too short");
    if (in.u8(0) != 'B' || in.u8(1) != 'M') refuse("not a bitmap file");

    Header h;
    const uint32_t headerSize = in.u32(14);
    int64_t width = 0, height = 0;
    int planes = 0;
    if (headerSize == kCoreHeaderSize) {
        width = in.u16(18);
        height = in.u16(20);
        planes = in.u16(22);
        h.bitCount = in.u16(24);
        h.paletteEntrySize = 3;
    } else if (headerSize == kOs2ShortHeaderSize || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
               headerSize == kOs2HeaderSize || headerSize == 108 || headerSize == 124) {
        in.at(kFileHeaderSize, headerSize);
        width = in.s32(18);
        height = in.s32(22);
        planes = in.u16(26);
        h.bitCount = in.u16(28);
        // The short OS/2 header ends here: uncompressed, with the palette running up to the pixels.
        if (headerSize > kOs2ShortHeaderSize) {
            h.compression = in.u32(30);
            h.imageSize = in.u32(34);
            const int64_t densityX = in.s32(38), densityY = in.s32(42);
            if (densityX > kMaxDensity || densityX < -kMaxDensity || densityY > kMaxDensity || densityY < -kMaxDensity)
                refuse("unreasonable pixel density");
            h.coloursUsed = in.u32(46);
        }
    } else {
        refuse("unknown header size " + std::to_string(headerSize));
    }

    if (planes != 1) refuse("plane count must be 1");
    if (width <= 0) refuse("width must be positive");
    if (height == 0) refuse("height must not be zero");
    h.topDown = height < 0;
    if (h.topDown) height = -height;
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        refuse("picture is too large (" + std::to_string(width) + "x" + std::to_string(height) + ")");
    h.width = int(width);
    h.height = int(height);
    if (in.u32(2) > in.size()) refuse("file is shorter than its header says");

    readCompression(in, headerSize, h);

    h.pixelsAt = in.u32(10);
    if (h.pixelsAt < h.paletteAt) refuse("pixel data overlaps the header");
    if (h.pixelsAt >= in.size()) refuse("pixel data lies outside the file");
    if (h.imageSize > in.size() - h.pixelsAt) refuse("pixel data runs past the end of the file");
    return h;
}

std::vector<uint32_t> readPalette(const Bytes& in, const Header& h) {
    if (h.bitCount > 8) return {};
    const std::size_t full = std::size_t(1) << h.bitCount;
    std::size_t count = h.coloursUsed;
    if (count > full) {
        // No pixel can use the entries past what the bit count reaches; they are skipped,
        // but they must still lie before the pixels.
        if (count > (h.pixelsAt - h.paletteAt) / h.paletteEntrySize) refuse("palette runs into the pixel data");
        count = full;
    }
    if (count == 0) {
        count = full;
        // Without a count, old writers say how short the palette is only through the pixel offset.
        const std::size_t room = (h.pixelsAt - h.paletteAt) / h.paletteEntrySize;
        if (room < count) count = room;
    }
    const uint8_t* p = in.at(h.paletteAt, count * h.paletteEntrySize);
    std::vector<uint32_t> palette(count);
    for (std::size_t i = 0; i < count; ++i, p += h.paletteEntrySize)
        palette[i] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    return palette;
}

uint32_t lookUp(const std::vector<uint32_t>& palette, unsigned index) {
    if (index >= palette.size()) refuse("colour index " + std::to_string(index) + " is beyond the palette");
    return palette[index];
}

// Uncompressed rows are padded to 32 bits. The last row's padding may be missing; its
// pixels may not. Checked before the picture is allocated.
struct Rows {
    const uint8_t* data;
    std::size_t stride;
};

Rows findRows(const Bytes& in, const Header& h) {
    const std::size_t bitsPerRow = std::size_t(h.width) * std::size_t(h.bitCount);
    const std::size_t stride = (bitsPerRow + 31) / 32 * 4;
    const std::size_t needed = stride * std::size_t(h.height - 1) + (bitsPerRow + 7) / 8;
    if (needed > in.size() - h.pixelsAt) refuse("pixel data runs past the end of the file");
    return {in.at(h.pixelsAt, needed), stride};
}

uint32_t* outputRow(const Header& h, Surface& out, int r) {
    return out.row(h.topDown ? r : h.height - 1 - r);
}

void decodeIndexed(const Rows& rows, const Header& h, const std::vector<uint32_t>& palette, Surface& out) {
    const int perByte = 8 / h.bitCount;
    const unsigned mask = (1u << h.bitCount) - 1;
    for (int r = 0; r < h.height; ++r) {
        const uint8_t* src = rows.data + std::size_t(r) * rows.stride;
        uint32_t* dst = outputRow(h, out, r);
        for (int x = 0; x < h.width; ++x) {
            const int shift = 8 - h.bitCount * (x % perByte + 1);
            dst[x] = lookUp(palette, (src[x / perByte] >> shift) & mask);
        }
    }
}

void decodeDirect(const Rows& rows, const Header& h, Surface& out) {
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const int bytesPerPixel = h.bitCount / 8;
    for (int r = 0; r < h.height; ++r) {
        const uint8_t* src = rows.data + std::size_t(r) * rows.stride;
        uint32_t* dst = outputRow(h, out, r);
        for (int x = 0; x < h.width; ++x, src += bytesPerPixel) {
            uint32_t v = 0;
            for (int b = bytesPerPixel - 1; b >= 0; --b) v = v << 8 | src[b];
            dst[x] = red(v) << 16 | green(v) << 8 | blue(v);
        }
    }
}

// 64-bit pixels hold B, G, R and A as signed 2.13 fixed point in linear light, 8192
// being full intensity. Shown like any other picture: clamped to 0..1 and encoded as
// sRGB, which is what the 24-bit version of the same picture would hold. Alpha is dropped.
uint8_t fromLinear(uint16_t sample) {
    static const std::array<uint8_t, 8193> table = [] {
        std::array<uint8_t, 8193> t{};
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double linear = double(i) / 8192;
            const double encoded = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
            t[i] = uint8_t(std::lround(encoded * 255));
        }
        return t;
    }();
    const int16_t value = int16_t(sample);
    return value <= 0 ? 0 : value >= 8192 ? 255 : table[std::size_t(value)];
}

void decodeLinear64(const Rows& rows, const Header& h, Surface& out) {
    for (int r = 0; r < h.height; ++r) {
        const uint8_t* src = rows.data + std::size_t(r) * rows.stride;
        uint32_t* dst = outputRow(h, out, r);
        for (int x = 0; x < h.width; ++x, src += 8) {
            auto channel = [&](int i) { return uint32_t(fromLinear(uint16_t(src[2 * i] | src[2 * i + 1] << 8))); };
            dst[x] = channel(2) << 16 | channel(1) << 8 | channel(0);
        }
    }
}

// RLE4, RLE8 and OS/2's RLE24, whose runs and literals hold 3-byte colours (blue
// first) where the others hold palette indices. Rows count from the bottom. Anything
// that would draw outside the picture, or data that ends before the end-of-bitmap
// mark, is refused: a damaged picture is reported rather than shown half drawn.
void decodeRle(const Bytes& in, const Header& h, const std::vector<uint32_t>& palette, Surface& out) {
    const std::size_t end = h.imageSize ? h.pixelsAt + h.imageSize : in.size();
    const bool four = h.compression == kRle4;
    const bool wide = h.compression == kRle24;
    std::size_t at = h.pixelsAt;
    auto next = [&]() -> uint8_t {
        if (at >= end) refuse("RLE data ends before its end-of-bitmap mark");
        return in.u8(at++);
    };
    auto colourAt = [](const uint8_t* p) { return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; };
    int64_t x = 0, y = 0;
    auto startRun = [&](int n) -> uint32_t* {
        if (y >= h.height || x + n > h.width) refuse("RLE run goes past the edge of the picture");
        uint32_t* row = out.row(h.height - 1 - int(y)) + x;
        x += n;
        return row;
    };

    for (;;) {
        const uint8_t count = next();
        if (count > 0) {
            uint32_t* dst = startRun(count);
            uint32_t colours[2];
            if (wide) {
                if (3 > end - at) refuse("RLE data ends inside a run");
                colours[0] = colours[1] = colourAt(in.at(at, 3));
                at += 3;
            } else {
                const uint8_t value = next();
                colours[0] = lookUp(palette, four ? value >> 4 : value);
                colours[1] = lookUp(palette, four ? value & 15 : value);
            }
            for (int i = 0; i < count; ++i) dst[i] = colours[i & 1];
            continue;
        }
        const uint8_t value = next();
        switch (value) {
            case 0:  // end of line
                x = 0;
                if (++y > h.height) refuse("RLE data goes past the last row");
                break;
            case 1:  // end of bitmap
                return;
            case 2:  // delta: skipped pixels stay black
                x += next();
                y += next();
                if (x > h.width || y > h.height) refuse("RLE delta moves outside the picture");
                break;
            default: {  // literal run, padded to a 16-bit boundary
                uint32_t* dst = startRun(value);
                const std::size_t bytes = four ? (value + 1) / 2 : wide ? std::size_t(value) * 3 : value;
                if (bytes > end - at) refuse("RLE data ends inside a literal run");
                const uint8_t* src = in.at(at, bytes);
                for (int i = 0; i < value; ++i)
                    dst[i] = wide ? colourAt(src + 3 * i)
                                  : lookUp(palette, four ? (i & 1 ? src[i / 2] & 15 : src[i / 2] >> 4) : src[i]);
                at += bytes + (bytes & 1);
                break;
            }
        }
    }
}

// The pixel data as one block: imageSize bytes, or the rest of the file when that is 0.
std::string_view pixelData(const Bytes& in, const Header& h) {
    const std::size_t size = h.imageSize ? h.imageSize : in.size() - h.pixelsAt;
    return {reinterpret_cast<const char*>(in.at(h.pixelsAt, size)), size};
}

// OS/2's 1-bit fax coding: white runs take palette entry 0, black runs entry 1, as
// a 0 bit and a 1 bit would.
void decodeHuffman(const Bytes& in, const Header& h, const std::vector<uint32_t>& palette, Surface& out) {
    decodeModifiedHuffman(pixelData(in, h), h.width, h.height, [&](int r, const uint8_t* pixels) {
        uint32_t* dst = outputRow(h, out, r);
        for (int x = 0; x < h.width; ++x) dst[x] = lookUp(palette, pixels[x]);
    });
}

// A whole PNG or JPEG file behind a bitmap header, as Windows allows for printers. It
// must be the size the header says; it is stored top-down whatever the height's sign.
Surface decodeEmbedded(const Bytes& in, const Header& h) {
    const std::string_view data = pixelData(in, h);
    Surface picture;
    if (h.compression == kPng) {
        // The size is checked before decoding, so a small header cannot bring in a huge picture.
        const std::size_t sizeAt = h.pixelsAt + 16;
        if (data.size() >= 24 && data.substr(12, 4) == "IHDR" &&
            (in.u32BigEndian(sizeAt) != uint32_t(h.width) || in.u32BigEndian(sizeAt + 4) != uint32_t(h.height)))
            refuse("embedded PNG is " + std::to_string(in.u32BigEndian(sizeAt)) + "x" +
                   std::to_string(in.u32BigEndian(sizeAt + 4)) + ", the header says " + std::to_string(h.width) + "x" +
                   std::to_string(h.height));
        std::optional<Surface> png = decodePng(data);
        if (!png) refuse("embedded PNG data cannot be read");
        picture = std::move(*png);
        for (int y = 0; y < picture.height(); ++y) {
            uint32_t* row = picture.row(y);
            for (int x = 0; x < picture.width(); ++x) row[x] &= 0x00FFFFFF;
        }
    } else {
        try {
            picture = decodeJpeg(data);
        } catch (const Fault& fault) {
            refuse(std::string("embedded ") + fault.what());
        }
    }
    if (picture.width() != h.width || picture.height() != h.height)
        refuse("embedded picture is " + std::to_string(picture.width()) + "x" + std::to_string(picture.height()) +
               ", the header says " + std::to_string(h.width) + "x" + std::to_string(h.height));
    return picture;
}

}  // namespace

Surface decodeBmp(std::string_view bytes) {
    const Bytes in(bytes);
    const Header h = readHeader(in);
    if (h.compression == kJpeg || h.compression == kPng) return decodeEmbedded(in, h);
    const std::vector<uint32_t> palette = readPalette(in, h);
    if (h.compression == kRle8 || h.compression == kRle4 || h.compression == kRle24) {
        Surface picture(h.width, h.height, 0);
        decodeRle(in, h, palette, picture);
        return picture;
    }
    if (h.compression == kHuffman1d) {
        Surface picture(h.width, h.height, 0);
        decodeHuffman(in, h, palette, picture);
        return picture;
    }
    const Rows rows = findRows(in, h);
    Surface picture(h.width, h.height, 0);
    if (h.bitCount <= 8)
        decodeIndexed(rows, h, palette, picture);
    else if (h.bitCount == 64)
        decodeLinear64(rows, h, picture);
    else
        decodeDirect(rows, h, picture);
    return picture;
}

}  // namespace qvl
