#include "graphics/surface.h"

#include <algorithm>
#include <cstring>

namespace qvl {

namespace {

// InverseCopy keeps the top byte clear so the result is still a 0x00RRGGBB pixel.
constexpr uint32_t kColourMask = 0x00FFFFFF;

struct CopyOp {
    uint32_t operator()(uint32_t, uint32_t s) const { return s; }
};
struct AndOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return d & s; }
};
struct OrOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return d | s; }
};
struct XorOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return d ^ s; }
};
struct InverseCopyOp {
    uint32_t operator()(uint32_t, uint32_t s) const { return ~s & kColourMask; }
};

template <typename Op>
void combineRow(uint32_t* dst, const uint32_t* src, std::size_t n, Op op) {
    for (std::size_t i = 0; i < n; ++i) dst[i] = op(dst[i], src[i]);
}

template <typename Op>
void fillRow(uint32_t* dst, uint32_t colour, std::size_t n, Op op) {
    for (std::size_t i = 0; i < n; ++i) dst[i] = op(dst[i], colour);
}

// The source row may overlap the destination row (blits within one surface), so
// Copy uses memmove and the other rops are handed a private copy by the caller.
void applyRow(uint32_t* dst, const uint32_t* src, std::size_t n, Rop rop) {
    switch (rop) {
    case Rop::Copy: std::memmove(dst, src, n * sizeof(uint32_t)); break;
    case Rop::And: combineRow(dst, src, n, AndOp{}); break;
    case Rop::Or: combineRow(dst, src, n, OrOp{}); break;
    case Rop::Xor: combineRow(dst, src, n, XorOp{}); break;
    case Rop::InverseCopy: combineRow(dst, src, n, InverseCopyOp{}); break;
    }
}

// Trims [start, start + len) to [0, limit) on one axis; false when nothing is left.
bool clipSpan(int64_t& start, int64_t& len, int64_t limit, int64_t& partner) {
    if (start < 0) {
        len += start;
        partner -= start;
        start = 0;
    }
    len = std::min(len, limit - start);
    return len > 0;
}

}  // namespace

Surface::Surface(int width, int height, uint32_t fill) {
    // A negative size is treated as an empty surface rather than a huge allocation.
    if (width <= 0 || height <= 0) return;
    width_ = width;
    height_ = height;
    pitch_ = std::size_t(width);
    pixels_.assign(pitch_ * std::size_t(height), fill);
}

Surface Surface::clone() const {
    Surface copy;
    copy.width_ = width_;
    copy.height_ = height_;
    copy.pitch_ = pitch_;
    copy.pixels_ = pixels_;
    return copy;
}

uint32_t Surface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return row(y)[x];
}

void Surface::setPixel(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    row(y)[x] = colour;
}

void Surface::fill(uint32_t colour) { std::fill(pixels_.begin(), pixels_.end(), colour); }

void Surface::fillRect(Rect r, uint32_t colour, Rop rop) {
    if (r.empty()) return;
    int64_t x = r.x, y = r.y, w = r.w, h = r.h, unused = 0;
    if (!clipSpan(x, w, width_, unused) || !clipSpan(y, h, height_, unused)) return;
    const auto n = std::size_t(w);
    for (int64_t yy = y; yy < y + h; ++yy) {
        uint32_t* d = row(int(yy)) + x;
        switch (rop) {
        case Rop::Copy: std::fill_n(d, n, colour); break;
        case Rop::And: fillRow(d, colour, n, AndOp{}); break;
        case Rop::Or: fillRow(d, colour, n, OrOp{}); break;
        case Rop::Xor: fillRow(d, colour, n, XorOp{}); break;
        case Rop::InverseCopy: fillRow(d, colour, n, InverseCopyOp{}); break;
        }
    }
}

void Surface::blit(const Surface& src, int dx, int dy, int sx, int sy, int w, int h, Rop rop) {
    if (w <= 0 || h <= 0) return;
    int64_t dx64 = dx, dy64 = dy, sx64 = sx, sy64 = sy, w64 = w, h64 = h;
    if (!clipSpan(sx64, w64, src.width_, dx64) || !clipSpan(sy64, h64, src.height_, dy64)) return;
    if (!clipSpan(dx64, w64, width_, sx64) || !clipSpan(dy64, h64, height_, sy64)) return;

    const auto n = std::size_t(w64);
    const bool self = &src == this;
    // Within one surface, walk rows away from the overlap so no source row is
    // overwritten before it has been read.
    const bool upwards = self && dy64 > sy64;
    std::vector<uint32_t> scratch(self && rop != Rop::Copy ? n : 0);
    for (int64_t i = 0; i < h64; ++i) {
        const int64_t r = upwards ? h64 - 1 - i : i;
        const uint32_t* s = src.row(int(sy64 + r)) + sx64;
        uint32_t* d = row(int(dy64 + r)) + dx64;
        if (!scratch.empty()) {
            std::memcpy(scratch.data(), s, n * sizeof(uint32_t));
            s = scratch.data();
        }
        applyRow(d, s, n, rop);
    }
}

void Surface::stretch(const Surface& src, Rect srcRect, Rect dstRect, Rop rop) {
    if (srcRect.empty() || dstRect.empty() || empty() || src.empty()) return;
    if (&src == this) {
        const Surface copy = clone();
        stretch(copy, srcRect, dstRect, rop);
        return;
    }
    // Destination columns/rows inside this surface whose nearest source pixel lies
    // inside src; the mapping is monotonic, so each is one contiguous run.
    auto mapAxis = [](int64_t dstStart, int64_t dstLen, int64_t dstLimit, int64_t srcStart,
                      int64_t srcLen, int64_t srcLimit, std::vector<int>& out) -> int64_t {
        const int64_t from = std::max<int64_t>(dstStart, 0);
        const int64_t to = std::min<int64_t>(dstStart + dstLen, dstLimit);
        int64_t first = -1;
        for (int64_t p = from; p < to; ++p) {
            const int64_t s = srcStart + (p - dstStart) * srcLen / dstLen;
            if (s < 0 || s >= srcLimit) continue;
            if (first < 0) first = p;
            out.push_back(int(s));
        }
        return first;
    };
    std::vector<int> xs, ys;
    const int64_t x0 = mapAxis(dstRect.x, dstRect.w, width_, srcRect.x, srcRect.w, src.width_, xs);
    const int64_t y0 = mapAxis(dstRect.y, dstRect.h, height_, srcRect.y, srcRect.h, src.height_, ys);
    if (xs.empty() || ys.empty()) return;

    std::vector<uint32_t> line(xs.size());
    for (std::size_t j = 0; j < ys.size(); ++j) {
        const uint32_t* s = src.row(ys[j]);
        for (std::size_t i = 0; i < xs.size(); ++i) line[i] = s[xs[i]];
        applyRow(row(int(y0 + int64_t(j))) + x0, line.data(), line.size(), rop);
    }
}

bool Surface::operator==(const Surface& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    for (int y = 0; y < height_; ++y)
        if (std::memcmp(row(y), other.row(y), std::size_t(width_) * sizeof(uint32_t)) != 0) return false;
    return true;
}

}  // namespace qvl
