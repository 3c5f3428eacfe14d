#include "tools/jpeg_writer.h"

#include "base/fault.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

namespace qvl {

std::string encodeJpeg(const Surface& picture, int quality) {
    if (picture.empty()) throw Fault("JPEG: empty picture");
    // The standard error handler exits the process; for a command-line tool that
    // only ever writes pictures it made itself, that is acceptable.
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(std::size_t(picture.width()) * 3);
    while (info.next_scanline < info.image_height) {
        const uint32_t* src = picture.row(int(info.next_scanline));
        for (int x = 0; x < picture.width(); ++x) {
            row[std::size_t(x) * 3] = static_cast<unsigned char>(src[x] >> 16);
            row[std::size_t(x) * 3 + 1] = static_cast<unsigned char>(src[x] >> 8);
            row[std::size_t(x) * 3 + 2] = static_cast<unsigned char>(src[x]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string file(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return file;
}

}  // namespace qvl
