#include "graphics/masks.h"

#include "graphics/vector_clones.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace qvl {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kColourBits = 0xFFFFFF;

// Up to six hexadecimal digits; the empty text reads as 0, as "0x0" alone would.
std::optional<uint32_t> parseHexColour(std::string_view digits) {
    uint32_t value = 0;
    for (const char c : digits) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = uint32_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = uint32_t(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

QVL_VECTOR_CLONES void maskRow(uint32_t* d, const uint32_t* p, const uint32_t* m, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = (d[i] & m[i]) | p[i];
}

int32_t cornerKey(const Surface& picture, int x, int y) {
    // Pixels are 0x00RRGGBB and keys 0x00BBGGRR: the same exchange both ways.
    return int32_t(keyToPixel(int32_t(picture.pixel(x, y) & kColourBits)));
}

}  // namespace

SceneTexts SceneTexts::fromUtf8(const std::function<std::string(std::string_view utf8)>& toSjis) {
    return SceneTexts{
        toSjis("色指定が異常です。:"),
        toSjis("エフェクト画像とマスク画像のサイズが違います(MASKMODE:任意)"),
        toSjis("マスク画像のサイズが異常です。(MASKMODE:固定)"),
    };
}

int32_t parseTransparency(std::string_view text, const Surface& picture, ScriptErrorReporter& reporter,
                          const SceneTexts& texts) {
    const int right = picture.width() - 1, bottom = picture.height() - 1;
    if (text == "#NONE") return kNoTransparency;
    if (text == "#TOP_LEFT") return cornerKey(picture, 0, 0);
    if (text == "#BOTTOM_LEFT") return cornerKey(picture, 0, bottom);
    if (text == "#TOP_RIGHT") return cornerKey(picture, right, 0);
    if (text == "#BOTTOM_RIGHT") return cornerKey(picture, right, bottom);
    if (namesMaskFile(text)) return kMaskFromFile;

    if (const auto rgb = parseHexColour(text.substr(1, 6))) return int32_t(keyToPixel(int32_t(*rgb)));
    reporter.scriptError(texts.badColour + std::string(text));
    return kBadColourKey;
}

void maskFromKey(Surface& picture, Surface& mask, int32_t key) {
    const int w = picture.width(), h = picture.height();
    mask = Surface(w, h, kWhite);
    const uint32_t transparent = keyToPixel(key);
    for (int y = 0; y < h; ++y) {
        uint32_t* p = picture.row(y);
        uint32_t* m = mask.row(y);
        for (int x = 0; x < w; ++x) {
            const bool clear = (p[x] & kColourBits) == transparent;
            p[x] = clear ? 0 : p[x];
            m[x] = clear ? kWhite : 0;
        }
    }
}

void maskFromFile(Surface& picture, Surface& mask, Surface& temp2, bool pictureAligned) {
    const int w = picture.width(), h = picture.height();
    resizeKeeping(mask, temp2.width(), temp2.height());
    if (!pictureAligned) {
        // The mask lies in screen coordinates and the picture may be placed anywhere
        // on it, so all of it is needed, not just the picture-sized corner.
        mask.blit(temp2, 0, 0);
        return;
    }
    mask.blit(temp2, 0, 0, 0, 0, w, h);
    temp2.blit(mask, 0, 0, 0, 0, w, h, Rop::InverseCopy);
    picture.blit(temp2, 0, 0, 0, 0, w, h, Rop::And);
}

void tileImage(const Surface& tile, Surface& target) {
    if (tile.empty() || target.empty()) return;
    for (int y = 0; y < target.height(); y += tile.height())
        for (int x = 0; x < target.width(); x += tile.width()) target.blit(tile, x, y);
}

void drawMasked(Surface& dst, const Surface& picture, const Surface& mask, int dx, int dy, int sx, int sy, int w,
                int h) {
    if (w <= 0 || h <= 0) return;
    const auto covers = [&](const Surface& s) {
        return sx >= 0 && sy >= 0 && int64_t(sx) + w <= s.width() && int64_t(sy) + h <= s.height();
    };
    // When either source is short of the area the two blits clip differently, and
    // only the two blits give the right picture.
    if (!covers(picture) || !covers(mask) || &dst == &picture || &dst == &mask) {
        dst.blit(mask, dx, dy, sx, sy, w, h, Rop::And);
        dst.blit(picture, dx, dy, sx, sy, w, h, Rop::Or);
        return;
    }
    int64_t x0 = dx, y0 = dy, x1 = int64_t(dx) + w, y1 = int64_t(dy) + h;
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, dst.width());
    y1 = std::min<int64_t>(y1, dst.height());
    if (x0 >= x1 || y0 >= y1) return;
    const auto n = std::size_t(x1 - x0);
    const int64_t offX = sx - int64_t(dx), offY = sy - int64_t(dy);
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t* d = dst.row(int(y)) + x0;
        const uint32_t* p = picture.row(int(y + offY)) + (x0 + offX);
        const uint32_t* m = mask.row(int(y + offY)) + (x0 + offX);
        maskRow(d, p, m, n);
    }
}

void resizeKeeping(Surface& surface, int width, int height) {
    if (surface.width() == width && surface.height() == height) return;
    Surface resized(width, height, kWhite);
    resized.blit(surface, 0, 0);
    surface = std::move(resized);
}

}  // namespace qvl
