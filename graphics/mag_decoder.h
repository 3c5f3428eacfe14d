#pragma once
// MAG pictures (".mag", ".him"; tag "MAKI02  ", or our own "QVLIF1  " with the same
// layout). A file is first turned into an in-memory bottom-up Windows bitmap of 4 or
// 8 bits per pixel, which the bitmap reader then loads like any ".bmp".
#include "graphics/surface.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

// Result codes of the header checks and of magToBmp. The loader shows its warning
// dialog only for failures found after the size probe passed: kMagTruncated and
// kMagNoPalette. A picture beyond the bitmap reader's size limits fails the probe.
inline constexpr int kMagOk = 0;
inline constexpr int kMagTruncated = 1;   // a declared stream ends past the end of the file
inline constexpr int kMagNoHeader = 2;    // no 0x1A after the comment, or the picture header is cut off
inline constexpr int kMagBadMagic = 3;    // neither "MAKI02  " nor "QVLIF1  "
inline constexpr int kMagBadPicture = 4;  // start code not 0, or an empty picture range
inline constexpr int kMagNoPalette = 5;   // header fine, palette cut off
inline constexpr int kMagTooLarge = 6;    // wider, taller or larger than the bitmap reader takes

// The bitmap reader's limits, checked on the header so that nothing is allocated
// for a picture that reader would refuse anyway.
inline constexpr int kMagMaxSide = 16384;
inline constexpr int64_t kMagMaxPixels = int64_t(64) << 20;

// A short English description of a result code, for logs and fault messages.
const char* magResultText(int code);

// The copy positions of flag nibbles 1..15: bytes to the left, lines above.
struct MagCopyVector {
    int dx, dy;
};
inline constexpr MagCopyVector kMagCopyVectors[16] = {{0, 0}, {2, 0}, {4, 0}, {8, 0}, {0, 1}, {2, 1}, {0, 2}, {2, 2},
                                                      {4, 2}, {0, 4}, {2, 4}, {4, 4}, {0, 8}, {2, 8}, {4, 8}, {0, 16}};

struct MagHeader {
    std::size_t base = 0;  // the byte after the comment's 0x1A; stream offsets count from here
    bool colours256 = false;
    int left = 0, top = 0, right = 0, bottom = 0;
    uint32_t flagAOffset = 0, flagBOffset = 0, flagBSize = 0, pixelOffset = 0, pixelSize = 0;

    // Derived: the picture spans whole alignment units (4 pixels at 256 colours, 8 at 16).
    int alignedLeft = 0, width = 0, height = 0, bytesPerLine = 0;

    int colours() const { return colours256 ? 256 : 16; }
    std::size_t paletteBytes() const { return colours256 ? 768 : 48; }
    int bitsPerPixel() const { return colours256 ? 8 : 4; }
};

struct MagHeaderCheck {
    int code = kMagNoHeader;
    MagHeader header;  // meaningful when code is kMagOk or kMagTruncated
};

// The header checks, in their order (the size limits come before the stream
// extents); `file` may be a prefix of the file.
MagHeaderCheck checkMagHeader(std::string_view file);

// The size probe: the byte size of the bitmap magToBmp would build, or nothing when
// the header is unusable. Accepts a truncated file, so the bytes up to the first 0x1A
// plus 32 are enough.
std::optional<std::size_t> magBitmapSize(std::string_view file);

struct MagResult {
    int code = kMagNoHeader;
    std::string bitmap;  // a complete ".bmp" file when code is kMagOk, else empty
};

// Never reads past `file`: streams that end early read as zero bytes, and copies from
// before the first line give index 0.
MagResult magToBmp(std::string_view file);

// The whole picture: magToBmp, then the bitmap reader. Throws Fault ("MAG: " and the
// result text) when either step fails; the width is the aligned width.
Surface decodeMag(std::string_view file);

}  // namespace qvl
