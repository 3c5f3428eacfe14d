#include "graphics/png_io.h"

#include <png.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace qvl {

namespace {

// Far above any picture the engine shows; keeps a forged header from asking for
// gigabytes before the pixel data turns out to be missing.
constexpr png_uint_32 kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t(1) << 24;

// Byte orders that put B, G, R, A in the low-to-high bytes of a native uint32_t,
// so rows decode straight into the surface.
constexpr png_uint_32 kNativeFormat =
    std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

class ImageGuard {
public:
    explicit ImageGuard(png_image& image) : image_(image) {}
    ~ImageGuard() { png_image_free(&image_); }
    ImageGuard(const ImageGuard&) = delete;
    ImageGuard& operator=(const ImageGuard&) = delete;

private:
    png_image& image_;
};

}  // namespace

std::optional<Surface> decodePng(std::string_view bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ImageGuard guard(image);
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide ||
        uint64_t(image.width) * image.height > kMaxPixels)
        return std::nullopt;

    const bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = kNativeFormat;
    Surface surface(int(image.width), int(image.height));
    const auto stride = png_int_32(surface.pitch() * 4);
    if (!png_image_finish_read(&image, nullptr, surface.data(), stride, nullptr)) return std::nullopt;

    if (!hasAlpha) {
        // The decoder reports opaque pixels as alpha 0xFF; plain pictures keep a zero top byte.
        for (int y = 0; y < surface.height(); ++y) {
            uint32_t* r = surface.row(y);
            for (int x = 0; x < surface.width(); ++x) r[x] &= 0x00FFFFFF;
        }
    }
    return surface;
}

std::string encodePng(const Surface& surface, bool keepAlpha) {
    if (surface.empty()) return {};
    const int channels = keepAlpha ? 4 : 3;
    const std::size_t rowBytes = std::size_t(surface.width()) * channels;
    std::string pixels(rowBytes * std::size_t(surface.height()), '\0');
    for (int y = 0; y < surface.height(); ++y) {
        const uint32_t* s = surface.row(y);
        auto* d = reinterpret_cast<unsigned char*>(pixels.data() + rowBytes * std::size_t(y));
        for (int x = 0; x < surface.width(); ++x) {
            const uint32_t p = s[x];
            *d++ = static_cast<unsigned char>(p >> 16);
            *d++ = static_cast<unsigned char>(p >> 8);
            *d++ = static_cast<unsigned char>(p);
            if (keepAlpha) *d++ = static_cast<unsigned char>(p >> 24);
        }
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(surface.width());
    image.height = png_uint_32(surface.height());
    image.format = keepAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    ImageGuard guard(image);

    // One pass into a buffer of the largest size the image can take, rather than
    // compressing once for the size and again for the bytes.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

std::optional<Surface> readPngFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return decodePng(bytes);
}

bool writePngFile(const std::string& path, const Surface& surface, bool keepAlpha) {
    const std::string bytes = encodePng(surface, keepAlpha);
    if (bytes.empty()) return false;
    // Written beside the target and renamed, so a failed write never leaves half a file.
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace qvl
