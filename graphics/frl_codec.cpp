#include "graphics/frl_codec.h"

#include "base/fault.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qvl {

namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t(1) << 24;  // 64 MB of pixels at most

uint32_t readLe32(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void appendLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char(v >> (8 * i));
}

[[noreturn]] void refuse(const char* why) {
    throw Fault(std::string("FRL picture: ") + why);
}

bool sizeAllowed(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

// Channel expansions of the small formats; the encoder's rounding tables are built
// from these same functions, so what it writes decodes to the nearest level.
// (expand3 is 36 x v: the two shifted copies never overlap.)
constexpr uint32_t expand4(uint32_t v) {
    return v * 17;
}
constexpr uint32_t expand3(uint32_t v) {
    return (v << 5) | (v << 2);
}
constexpr uint32_t expand6(uint32_t v) {
    return (v << 2) | (v >> 4);
}

constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return red << 16 | green << 8 | blue;
}

// Fills pixels in reading order. put() answers false once the last pixel is written,
// which is where the decoder stops: longer runs and further units are cut off.
class RowWriter {
public:
    explicit RowWriter(Surface& target) : target_(target) {}

    bool put(uint32_t colour, int count) {
        while (count > 0) {
            const int n = std::min(count, target_.width() - x_);
            std::fill_n(target_.row(y_) + x_, n, colour);
            count -= n;
            x_ += n;
            if (x_ == target_.width()) {
                x_ = 0;
                if (++y_ == target_.height()) return false;
            }
        }
        return true;
    }

private:
    Surface& target_;
    int x_ = 0, y_ = 0;
};

// Format 18 writes one channel at a time: the blue plane for the whole picture, then
// green, then red, a run crossing from one plane into the next.
class PlaneWriter {
public:
    explicit PlaneWriter(Surface& target) : target_(target) {}

    bool put(uint32_t value, int count) {
        while (count > 0) {
            const uint32_t keep = ~(uint32_t(0xFF) << shift_);
            const uint32_t add = value << shift_;
            const int n = std::min(count, target_.width() - x_);
            uint32_t* p = target_.row(y_) + x_;
            for (int i = 0; i < n; ++i) p[i] = (p[i] & keep) | add;
            count -= n;
            x_ += n;
            if (x_ < target_.width()) continue;
            x_ = 0;
            if (++y_ < target_.height()) continue;
            y_ = 0;
            shift_ += 8;
            if (shift_ == 24) return false;
        }
        return true;
    }

private:
    Surface& target_;
    int x_ = 0, y_ = 0;
    int shift_ = 0;
};

void decode24(std::string_view data, Surface& target) {
    RowWriter out(target);
    for (std::size_t at = 0; at + 4 <= data.size(); at += 4) {
        const auto* u = reinterpret_cast<const unsigned char*>(data.data() + at);
        if (!out.put(rgb(u[3], u[2], u[1]), u[0] + 1)) return;
    }
}

void decode12(std::string_view data, Surface& target) {
    RowWriter out(target);
    for (std::size_t at = 0; at + 2 <= data.size(); at += 2) {
        const uint32_t b = uint8_t(data[at]), c = uint8_t(data[at + 1]);
        const uint32_t colour = rgb(expand4(c >> 4), expand4(c & 0x0F), expand4(b >> 4));
        if (!out.put(colour, int(b & 0x0F) + 1)) return;
    }
}

void decode10(std::string_view data, Surface& target) {
    RowWriter out(target);
    for (std::size_t at = 0; at + 2 <= data.size(); at += 2) {
        const uint32_t b = uint8_t(data[at]), c = uint8_t(data[at + 1]);
        const uint32_t blue = ((b >> 6) << 1) | (c >> 7);
        const uint32_t colour = rgb(expand3((c >> 4) & 7), expand4(c & 0x0F), expand3(blue));
        if (!out.put(colour, int(b & 0x3F) + 1)) return;
    }
}

void decode18(std::string_view data, Surface& target) {
    PlaneWriter out(target);
    for (char ch : data) {
        const uint32_t b = uint8_t(ch);
        if (!out.put((b & 0xFC) | (b >> 6), int(b & 3) + 1)) return;
    }
}

// Nearest level of a channel expansion, for each 8-bit value.
template <uint32_t Levels>
constexpr std::array<uint8_t, 256> nearestLevels(uint32_t (*expand)(uint32_t)) {
    std::array<uint8_t, 256> table{};
    for (uint32_t v = 0; v < 256; ++v) {
        uint32_t best = 0;
        for (uint32_t level = 1; level < Levels; ++level) {
            const auto distance = [&](uint32_t l) { return expand(l) > v ? expand(l) - v : v - expand(l); };
            if (distance(level) < distance(best)) best = level;
        }
        table[v] = uint8_t(best);
    }
    return table;
}

constexpr auto kLevel4 = nearestLevels<16>(expand4);
constexpr auto kLevel3 = nearestLevels<8>(expand3);
constexpr auto kLevel6 = nearestLevels<64>(expand6);

// Formats 24, 12 and 10 code a pixel as one value; runs join equal codes.
uint32_t pixelCode(uint32_t colour, int format) {
    const uint32_t red = (colour >> 16) & 0xFF, green = (colour >> 8) & 0xFF, blue = colour & 0xFF;
    switch (format) {
        case 24:
            return colour & 0xFFFFFF;
        case 12:
            return kLevel4[red] << 8 | kLevel4[green] << 4 | kLevel4[blue];
        default:
            return kLevel3[red] << 8 | kLevel4[green] << 4 | kLevel3[blue];
    }
}

void appendUnit(std::string& out, uint32_t code, int run, int format) {
    const uint32_t n = uint32_t(run - 1);
    const uint32_t red = code >> 8 & 0x0F, green = code >> 4 & 0x0F, blue = code & 0x0F;
    switch (format) {
        case 24:
            out += {char(n), char(code), char(code >> 8), char(code >> 16)};
            break;
        case 12:
            out += {char(blue << 4 | n), char(red << 4 | green)};
            break;
        default:
            out += {char((blue >> 1) << 6 | n), char((blue & 1) << 7 | red << 4 | green)};
            break;
    }
}

std::string encodePixels(const Surface& picture, int format) {
    const int maxRun = format == 24 ? 256 : format == 12 ? 16 : 64;
    std::string out;
    out.reserve(std::size_t(picture.width()) * std::size_t(picture.height()));
    uint32_t current = 0;
    int run = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const uint32_t* row = picture.row(y);
        for (int x = 0; x < picture.width(); ++x) {
            const uint32_t code = pixelCode(row[x], format);
            if (run > 0 && (code != current || run == maxRun)) {
                appendUnit(out, current, run, format);
                run = 0;
            }
            current = code;
            ++run;
        }
    }
    appendUnit(out, current, run, format);
    return out;
}

std::string encodePlanes(const Surface& picture) {
    std::string out;
    out.reserve(std::size_t(picture.width()) * std::size_t(picture.height()));
    uint32_t current = 0;
    uint32_t run = 0;
    for (int shift = 0; shift < 24; shift += 8)
        for (int y = 0; y < picture.height(); ++y) {
            const uint32_t* row = picture.row(y);
            for (int x = 0; x < picture.width(); ++x) {
                const uint32_t level = kLevel6[(row[x] >> shift) & 0xFF];
                if (run > 0 && (level != current || run == 4)) {
                    out += char(current << 2 | (run - 1));
                    run = 0;
                }
                current = level;
                ++run;
            }
        }
    out += char(current << 2 | (run - 1));
    return out;
}

}  // namespace

Surface decodeFrl(std::string_view file) {
    if (file.substr(0, 3) != "FRL") refuse("no FRL magic");
    if (file.size() < kHeaderSize) refuse("header cut short");
    const uint32_t format = readLe32(file, 4);
    const uint32_t width = readLe32(file, 8);
    const uint32_t height = readLe32(file, 12);
    const uint32_t length = readLe32(file, 20);
    if (!sizeAllowed(width, height)) refuse("picture size out of range");
    if (length > 4 * uint64_t(width) * height) refuse("coded data longer than four bytes a pixel");
    if (length > file.size() - kHeaderSize) refuse("coded data cut short");

    Surface picture{int(width), int(height)};
    const std::string_view data = file.substr(kHeaderSize, length);
    switch (format) {
        case 24:
            decode24(data, picture);
            break;
        case 18:
            decode18(data, picture);
            break;
        case 12:
            decode12(data, picture);
            break;
        case 10:
            decode10(data, picture);
            break;
        default:
            break;  // unknown: the picture stays as created
    }
    return picture;
}

std::string encodeFrl(const Surface& picture, int format) {
    if (std::find(std::begin(kFrlFormats), std::end(kFrlFormats), format) == std::end(kFrlFormats))
        throw Fault("FRL format must be 24, 18, 12 or 10, not " + std::to_string(format));
    if (!sizeAllowed(uint64_t(std::max(picture.width(), 0)), uint64_t(std::max(picture.height(), 0))))
        refuse("picture size out of range");

    const std::string data = format == 18 ? encodePlanes(picture) : encodePixels(picture, format);
    std::string out = "FRL";
    out += '\0';
    appendLe32(out, uint32_t(format));
    appendLe32(out, uint32_t(picture.width()));
    appendLe32(out, uint32_t(picture.height()));
    appendLe32(out, 0);
    appendLe32(out, uint32_t(data.size()));
    out.append(16, '\0');
    return out + data;
}

}  // namespace qvl
