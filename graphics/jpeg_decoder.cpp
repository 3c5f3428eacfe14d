#include "graphics/jpeg_decoder.h"

#include "base/fault.h"

#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed: the decoder writes 32-bit pixels straight from it"
#endif

namespace qvl {

namespace {

constexpr unsigned kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t(1) << 24;
// Legitimate progressive files have about ten scans; thousands of tiny ones make
// decoding quadratic.
constexpr int kMaxScans = 256;

// libjpeg reports errors by calling error_exit, which must not return. Ours jumps
// back to the setjmp in readHeader or readPixels, which return false; decodeJpeg
// then throws the fault, once no libjpeg frame is left on the stack.
struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so libjpeg's pointer to it is a pointer to us
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

ErrorTrap& trapOf(j_common_ptr info) {
    return *reinterpret_cast<ErrorTrap*>(info->err);
}

[[noreturn]] void jumpOut(j_common_ptr info) {
    ErrorTrap& trap = trapOf(info);
    (*info->err->format_message)(info, trap.message);
    std::longjmp(trap.jump, 1);
}

// Warnings stay quiet, except a premature end: libjpeg would pad the picture with
// grey, and a cut file should fail as clearly as a damaged one.
void onMessage(j_common_ptr info, int level) {
    if (level == -1 && info->err->msg_code == JWRN_JPEG_EOF) jumpOut(info);
    if (level == -1) ++info->err->num_warnings;
}

void limitScans(j_common_ptr info) {
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= kMaxScans) return;
    ErrorTrap& trap = trapOf(info);
    std::snprintf(trap.message, sizeof trap.message, "more than %d scans", kMaxScans);
    std::longjmp(trap.jump, 1);
}

// Owns the decompressor, so it is destroyed however decoding ends.
struct Decompressor {
    jpeg_decompress_struct info{};
    ErrorTrap trap{};

    Decompressor() {
        info.err = jpeg_std_error(&trap.manager);
        trap.manager.error_exit = jumpOut;
        trap.manager.emit_message = onMessage;
        trap.progress.progress_monitor = limitScans;
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

// The two functions libjpeg may jump out of. They hold nothing with a destructor,
// so the jump skips no clean-up.
[[gnu::noinline]] bool readHeader(Decompressor& d, const unsigned char* bytes, unsigned long size) {
    if (setjmp(d.trap.jump)) return false;
    jpeg_create_decompress(&d.info);
    d.info.progress = &d.trap.progress;
    jpeg_mem_src(&d.info, bytes, size);
    jpeg_read_header(&d.info, TRUE);
    return true;
}

void cmykToRgb(const JSAMPLE* cmyk, uint32_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[x] = (c * k + 127) / 255 << 16 | (m * k + 127) / 255 << 8 | (y * k + 127) / 255;
    }
}

[[gnu::noinline]] bool readPixels(Decompressor& d, Surface& picture) {
    if (setjmp(d.trap.jump)) return false;
    jpeg_decompress_struct& info = d.info;
    jpeg_start_decompress(&info);
    if (info.output_width != JDIMENSION(picture.width()) || info.output_height != JDIMENSION(picture.height())) {
        std::snprintf(d.trap.message, sizeof d.trap.message, "unexpected output size");
        return false;
    }
    const bool cmyk = info.out_color_space == JCS_CMYK;
    JSAMPARRAY buffer =
        cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 4, 1)
             : nullptr;
    while (info.output_scanline < info.output_height) {
        uint32_t* row = picture.row(int(info.output_scanline));
        JSAMPROW target = cmyk ? buffer[0] : reinterpret_cast<JSAMPROW>(row);
        if (jpeg_read_scanlines(&info, &target, 1) != 1) {
            std::snprintf(d.trap.message, sizeof d.trap.message, "no scanline returned");
            return false;
        }
        if (cmyk)
            cmykToRgb(buffer[0], row, info.output_width, info.saw_Adobe_marker);
        else
            for (JDIMENSION x = 0; x < info.output_width; ++x) row[x] &= 0x00FFFFFF;
    }
    // No jpeg_finish_decompress: the pixels are all in, and markers after the
    // last scan change nothing on screen.
    return true;
}

[[noreturn]] void refuse(const std::string& why) {
    throw Fault("JPEG picture: " + why);
}

}  // namespace

Surface decodeJpeg(std::string_view file) {
    Decompressor d;
    if (!readHeader(d, reinterpret_cast<const unsigned char*>(file.data()), (unsigned long)file.size()))
        refuse(d.trap.message);
    const uint64_t width = d.info.image_width, height = d.info.image_height;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        refuse("picture size out of range: " + std::to_string(width) + " x " + std::to_string(height));

    switch (d.info.jpeg_color_space) {
        case JCS_CMYK:
        case JCS_YCCK:
            d.info.out_color_space = JCS_CMYK;
            break;
        default:
            // Byte order B, G, R, X is 0xXXRRGGBB read as a little-endian word.
            d.info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
            break;
    }
    Surface picture{int(width), int(height)};
    if (!readPixels(d, picture)) refuse(d.trap.message);
    return picture;
}

}  // namespace qvl
