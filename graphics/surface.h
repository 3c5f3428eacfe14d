#pragma once
// A picture in memory: 32-bit 0x00RRGGBB pixels (blue in the low byte) with an
// explicit pitch. Every blit clips against both surfaces, so coordinates that come
// from scripts can never write outside a buffer. Hot loops work on rows.
//
// Overlays (menus, dialogs) use the top byte as alpha: 0xFF opaque, 0 transparent.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace qvl {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
    bool empty() const { return w <= 0 || h <= 0; }
};

// Raster operations of the blits: destination := f(destination, source).
enum class Rop { Copy, And, Or, Xor, InverseCopy };

// Rows start on cache lines, so that whole-line vector loads and stores in the row
// loops never straddle two lines.
template <typename T>
struct LineAligned {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};
    LineAligned() = default;
    template <typename U>
    LineAligned(const LineAligned<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
    void deallocate(T* p, std::size_t) { ::operator delete(p, kAlignment); }
    template <typename U>
    bool operator==(const LineAligned<U>&) const {
        return true;
    }
};

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, uint32_t fill = 0);
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    Surface clone() const;

    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t pitch() const { return pitch_; }  // in pixels
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    Rect bounds() const { return {0, 0, width_, height_}; }

    uint32_t* row(int y) { return pixels_.data() + std::size_t(y) * pitch_; }
    const uint32_t* row(int y) const { return pixels_.data() + std::size_t(y) * pitch_; }
    uint32_t* data() { return pixels_.data(); }
    const uint32_t* data() const { return pixels_.data(); }

    // Bounds-checked single pixels (0 outside), for tests and rare callers.
    uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, uint32_t colour);

    void fill(uint32_t colour);
    void fillRect(Rect r, uint32_t colour, Rop rop = Rop::Copy);

    // Copy the w x h block at (sx, sy) of src to (dx, dy), combining with rop.
    void blit(const Surface& src, int dx, int dy, int sx, int sy, int w, int h, Rop rop = Rop::Copy);
    void blit(const Surface& src, int dx, int dy, Rop rop = Rop::Copy) {
        blit(src, dx, dy, 0, 0, src.width(), src.height(), rop);
    }
    // Nearest-neighbour stretch of srcRect of src onto dstRect, clipped.
    void stretch(const Surface& src, Rect srcRect, Rect dstRect, Rop rop = Rop::Copy);

    bool operator==(const Surface& other) const;  // same size and pixels

private:
    int width_ = 0, height_ = 0;
    std::size_t pitch_ = 0;
    std::vector<uint32_t, LineAligned<uint32_t>> pixels_;
};

}  // namespace qvl
