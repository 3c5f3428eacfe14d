#include "platform/fonts.h"

#include "platform/overlay_text.h"

#include "platform/encoding.h"
#include "platform/font_aliases.h"
#include "platform/font_catalog.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

namespace qvl::platform {

namespace {

constexpr int kMaxHeight = 1024;
// A page of text uses a few hundred glyphs; beyond these the cache starts over.
constexpr std::size_t kMaxCachedGlyphs = 8192;
constexpr std::size_t kMaxCachedBytes = 32u << 20;

struct FaceRef {
    std::string file;
    int index = 0;
};

// One rendered glyph: coverage 0..255 per pixel (mono glyphs use only 0 and 255).
struct Glyph {
    int left = 0, top = 0;  // bitmap origin relative to pen and baseline
    int width = 0, rows = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;
};

struct LoadedFace {
    FT_Face face = nullptr;
    int pixelSize = 0;
    bool symbolOnly = false;  // no Unicode map: characters are looked up as byte values
};

int clampHeight(int height) {
    long long h = height;
    if (h < 0) h = -h;
    return static_cast<int>(std::clamp<long long>(h, 1, kMaxHeight));
}

int clampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The regular face of a family wins; ties go to the first path, so the choice does
// not depend on the order fontconfig lists files in.
struct FaceCandidate {
    FaceRef ref;
    int styleDistance = 0;
    bool better(const FaceCandidate& o) const {
        if (styleDistance != o.styleDistance) return styleDistance < o.styleDistance;
        if (ref.file != o.ref.file) return ref.file < o.ref.file;
        return ref.index < o.ref.index;
    }
};

}  // namespace

struct FontEngine::Impl {
    FT_Library library = nullptr;

    // Installed families by normalized name.
    std::map<std::string, FaceCandidate> installed;
    std::vector<std::string> families;  // Shift-JIS, built on first use
    bool familiesBuilt = false;
    std::vector<std::vector<std::string>> namesPerFace;  // UTF-8, each installed face's names
    std::vector<FaceChoice> choices;                     // built on first use
    bool choicesBuilt = false;

    std::map<std::pair<std::string, int>, int> faceIds;
    std::vector<LoadedFace> faces;
    std::unordered_map<std::string, int> resolved;  // Shift-JIS name -> face id (-1: none)
    int fallbackFace = -2;                          // -2: not looked up yet

    std::unordered_map<uint64_t, Glyph> glyphs;
    std::size_t glyphBytes = 0;
    Glyph emptyGlyph;

    Impl() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
        listInstalled();
    }

    ~Impl() {
        for (LoadedFace& f : faces)
            if (f.face) FT_Done_Face(f.face);
        if (library) FT_Done_FreeType(library);
    }

    void listInstalled() {
        for (InstalledFace& face : listInstalledFaces()) {
            FaceCandidate candidate{{face.file, face.index}, face.styleDistance};
            for (const std::string& name : face.families) {
                auto [it, inserted] = installed.try_emplace(normalizeFaceName(name), candidate);
                if (!inserted && candidate.better(it->second)) it->second = candidate;
            }
            namesPerFace.push_back(std::move(face.families));
        }
    }

    const FaceRef* findInstalled(std::string_view utf8Name) const {
        auto it = installed.find(normalizeFaceName(utf8Name));
        return it == installed.end() ? nullptr : &it->second.ref;
    }

    const FaceRef* firstInstalled(std::span<const std::string_view> names) const {
        for (std::string_view name : names)
            if (const FaceRef* ref = findInstalled(name)) return ref;
        return nullptr;
    }

    // A real face of that name first (someone may have the Windows fonts), then our
    // alias table. nullptr sends the caller to the fallback.
    const FaceRef* lookup(std::string_view utf8Name) const {
        if (const FaceRef* ref = findInstalled(utf8Name)) return ref;
        if (const FontAlias* alias = findFontAlias(normalizeFaceName(utf8Name)))
            return firstInstalled(alias->faces);
        return nullptr;
    }

    int openFace(const FaceRef& ref) {
        const auto key = std::make_pair(ref.file, ref.index);
        if (auto it = faceIds.find(key); it != faceIds.end()) return it->second;
        int id = -1;
        FT_Face face = nullptr;
        if (library && FT_New_Face(library, ref.file.c_str(), ref.index, &face) == 0) {
            LoadedFace loaded{face, 0, false};
            if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
                loaded.symbolOnly = FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
            id = static_cast<int>(faces.size());
            faces.push_back(loaded);
        }
        faceIds.emplace(key, id);
        return id;
    }

    int fallback() {
        if (fallbackFace != -2) return fallbackFace;
        fallbackFace = -1;
        if (const FaceRef* ref = firstInstalled(fallbackFaces())) fallbackFace = openFace(*ref);
        if (fallbackFace < 0) fallbackFace = matchJapanese();
        return fallbackFace;
    }

    // Last resort when none of the gothic faces we know is installed.
    int matchJapanese() {
        const std::optional<InstalledFace> face = matchJapaneseFace();
        return face ? openFace({face->file, face->index}) : -1;
    }

    int resolve(std::string_view sjisName) {
        const std::string key(sjisName);
        if (auto it = resolved.find(key); it != resolved.end()) return it->second;
        int id = -1;
        if (const FaceRef* ref = lookup(sjisToUtf8(sjisName))) id = openFace(*ref);
        if (id < 0) id = fallback();
        resolved.emplace(key, id);
        return id;
    }

    std::string fileOf(int id) const {
        for (const auto& [key, value] : faceIds)
            if (value == id && id >= 0) return key.first;
        return {};
    }

    // Names Shift-JIS cannot spell could never be asked for by a script.
    static std::optional<std::string> spellable(const std::string& utf8) {
        std::string sjis = utf8ToSjis(utf8);
        if (sjisToUtf8(sjis) != utf8) return std::nullopt;
        return sjis;
    }

    void buildFamilies() {
        familiesBuilt = true;
        for (const std::vector<std::string>& names : namesPerFace)
            for (const std::string& name : names)
                if (std::optional<std::string> sjis = spellable(name)) families.push_back(std::move(*sjis));
        for (const FontAlias& alias : fontAliases())
            if (firstInstalled(alias.faces)) families.push_back(utf8ToSjis(alias.name));
        std::sort(families.begin(), families.end());
        families.erase(std::unique(families.begin(), families.end()), families.end());
    }

    // Adds one face under the first name that is not plain ASCII (its Japanese
    // name), else its first; a name already shown for another face stays that
    // face's.
    void addChoice(const std::vector<std::string>& utf8Names, std::map<std::string, std::size_t>& byShown) {
        FaceChoice choice;
        auto ascii = [](const std::string& s) {
            return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        };
        for (const std::string& name : utf8Names) {
            std::optional<std::string> sjis = spellable(name);
            if (!sjis) continue;
            if (choice.shown.empty() || (ascii(choice.shown) && !ascii(name)))
                choice.shown = *sjis;
            choice.names.push_back(std::move(*sjis));
        }
        if (choice.shown.empty()) return;
        auto [it, inserted] = byShown.try_emplace(choice.shown, choices.size());
        if (inserted) {
            choices.push_back(std::move(choice));
            return;
        }
        // The same family in another file (its bold, its italic): one entry.
        std::vector<std::string>& names = choices[it->second].names;
        for (std::string& name : choice.names)
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }

    void buildChoices() {
        choicesBuilt = true;
        std::map<std::string, std::size_t> byShown;
        for (const std::vector<std::string>& names : namesPerFace) addChoice(names, byShown);
        // The desktop names that stand in for one face ("ＭＳ ゴシック", "MS Gothic")
        // are one entry, beside the face itself: scenarios ask for them.
        std::vector<std::pair<const void*, std::vector<std::string>>> aliasGroups;
        for (const FontAlias& alias : fontAliases()) {
            if (!firstInstalled(alias.faces)) continue;
            auto group = std::find_if(aliasGroups.begin(), aliasGroups.end(),
                                      [&](const auto& g) { return g.first == alias.faces.data(); });
            if (group == aliasGroups.end()) group = aliasGroups.insert(aliasGroups.end(), {alias.faces.data(), {}});
            group->second.emplace_back(alias.name);
        }
        for (const auto& group : aliasGroups) addChoice(group.second, byShown);
        // A name that is some face's shown name belongs to that face alone.
        for (FaceChoice& choice : choices)
            std::erase_if(choice.names, [&](const std::string& name) {
                return name != choice.shown && byShown.contains(name);
            });
        std::sort(choices.begin(), choices.end(),
                  [](const FaceChoice& a, const FaceChoice& b) { return a.shown < b.shown; });
    }

    FT_UInt glyphIndex(const LoadedFace& f, char32_t ch) const {
        FT_UInt index = FT_Get_Char_Index(f.face, ch);
        if (index == 0 && f.symbolOnly && ch < 0x100) index = FT_Get_Char_Index(f.face, 0xF000 | ch);
        return index;
    }

    bool setSize(LoadedFace& f, int pixelSize) {
        if (f.pixelSize == pixelSize) return true;
        if (FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(pixelSize)) != 0) return false;
        f.pixelSize = pixelSize;
        return true;
    }

    static void copyBitmap(const FT_Bitmap& bitmap, Glyph& g) {
        const int width = static_cast<int>(bitmap.width), rows = static_cast<int>(bitmap.rows);
        const bool known = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_MONO ||
                           bitmap.pixel_mode == FT_PIXEL_MODE_BGRA;
        if (!known || width <= 0 || rows <= 0 || !bitmap.buffer) return;
        g.width = width;
        g.rows = rows;
        g.coverage.assign(std::size_t(width) * std::size_t(rows), 0);
        const int pitch = bitmap.pitch;
        for (int r = 0; r < rows; ++r) {
            // A negative pitch stores the rows bottom-up.
            const unsigned char* src =
                bitmap.buffer + (pitch >= 0 ? std::ptrdiff_t(r) * pitch : std::ptrdiff_t(rows - 1 - r) * -pitch);
            uint8_t* out = g.coverage.data() + std::size_t(r) * std::size_t(width);
            for (int c = 0; c < width; ++c) {
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
                    out[c] = static_cast<uint8_t>(src[c] * 255 / levels);
                } else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                    out[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
                } else {
                    out[c] = src[c * 4 + 3];
                }
            }
        }
    }

    Glyph render(int faceId, int pixelSize, bool bold, bool antialias, char32_t ch) {
        Glyph g;
        int useId = faceId;
        FT_UInt index = glyphIndex(faces[std::size_t(faceId)], ch);
        if (index == 0) {
            // Borrow the glyph from the Japanese face rather than draw a box.
            const int fb = fallback();
            if (fb >= 0 && fb != faceId) {
                if (FT_UInt fbIndex = glyphIndex(faces[std::size_t(fb)], ch); fbIndex != 0) {
                    useId = fb;
                    index = fbIndex;
                }
            }
        }
        LoadedFace& f = faces[std::size_t(useId)];
        if (!setSize(f, pixelSize)) return g;
        // Both modes load the same hinted outline so that they advance alike; only
        // the rasteriser differs.
        FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL;
        if (FT_IS_SCALABLE(f.face)) flags |= FT_LOAD_NO_BITMAP;
        if (FT_Load_Glyph(f.face, index, flags) != 0) return g;
        FT_GlyphSlot slot = f.face->glyph;
        if (bold) FT_GlyphSlot_Embolden(slot);
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        const bool outlined = slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0;
        if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
            FT_Render_Glyph(slot, antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
            return g;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        copyBitmap(slot->bitmap, g);
        const bool inked = std::any_of(g.coverage.begin(), g.coverage.end(), [](uint8_t c) { return c != 0; });
        if (antialias && outlined && !inked) {
            // Hinting can flatten a thin bar to no height (the underscore of the
            // Japanese faces at small sizes); the mono rasteriser keeps it by its
            // dropout rule, the smooth one loses it. Draw the unhinted outline then.
            if (FT_Load_Glyph(f.face, index, (flags & ~FT_LOAD_TARGET_NORMAL) | FT_LOAD_NO_HINTING) == 0) {
                if (bold) FT_GlyphSlot_Embolden(slot);
                if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
                    g.left = slot->bitmap_left;
                    g.top = slot->bitmap_top;
                    g.coverage.clear();
                    copyBitmap(slot->bitmap, g);
                    // Kept inside the cell, as the hinted glyph was.
                    const int below = g.rows - g.top - metricsOf(faceId, pixelSize).descent;
                    if (below > 0) g.top += below;
                }
            }
        }
        if (!antialias)
            for (uint8_t& c : g.coverage) c = c >= 128 ? 255 : 0;
        return g;
    }

    const Glyph& glyph(int faceId, int pixelSize, bool bold, bool antialias, char32_t ch) {
        if (faceId < 0 || ch > 0x10FFFF) return emptyGlyph;
        const uint64_t key = (uint64_t(faceId) << 34) | (uint64_t(pixelSize) << 23) | (uint64_t(bold) << 22) |
                             (uint64_t(antialias) << 21) | uint64_t(ch);
        if (auto it = glyphs.find(key); it != glyphs.end()) return it->second;
        Glyph g = render(faceId, pixelSize, bold, antialias, ch);
        if (glyphs.size() >= kMaxCachedGlyphs || glyphBytes + g.coverage.size() > kMaxCachedBytes) {
            glyphs.clear();
            glyphBytes = 0;
        }
        glyphBytes += g.coverage.size();
        return glyphs.emplace(key, std::move(g)).first->second;
    }

    FontMetrics metricsOf(int faceId, int pixelSize) const {
        if (faceId < 0) return {pixelSize, 0};
        FT_Face face = faces[std::size_t(faceId)].face;
        const long em = face->units_per_EM, ascent = face->ascender, descent = -face->descender;
        // Bitmap-only faces have no units; their cell is the requested height.
        if (em <= 0 || ascent + descent <= 0) return {pixelSize, 0};
        // The Japanese faces split exactly one em between ascent and descent, so the
        // cell is the requested height; rounding the total keeps it that way.
        const int up = static_cast<int>((ascent * pixelSize + em / 2) / em);
        const int total = static_cast<int>(((ascent + descent) * pixelSize + em / 2) / em);
        return {up, total - up};
    }

    // Calls put(pixel, coverage) for each pixel of the glyph inside dst that it covers.
    template <typename Put>
    static void forEachCovered(Surface& dst, long long penX, long long baseline, const Glyph& g, Put put) {
        if (g.coverage.empty()) return;
        const long long left = penX + g.left, top = baseline - g.top;
        const long long x0 = std::max<long long>(left, 0), x1 = std::min<long long>(left + g.width, dst.width());
        const long long y0 = std::max<long long>(top, 0), y1 = std::min<long long>(top + g.rows, dst.height());
        if (x0 >= x1 || y0 >= y1) return;
        for (long long y = y0; y < y1; ++y) {
            uint32_t* row = dst.row(static_cast<int>(y));
            const uint8_t* cov = g.coverage.data() + std::size_t(y - top) * std::size_t(g.width);
            for (long long x = x0; x < x1; ++x)
                if (const uint32_t a = cov[x - left]) put(row[x], a);
        }
    }

    static void drawGlyph(Surface& dst, long long penX, long long baseline, const Glyph& g, uint32_t colour) {
        const uint32_t rgb = colour & 0xFFFFFF;
        const uint32_t sr = (rgb >> 16) & 0xFF, sg = (rgb >> 8) & 0xFF, sb = rgb & 0xFF;
        forEachCovered(dst, penX, baseline, g, [&](uint32_t& d, uint32_t a) {
            if (a == 255) {
                d = (d & 0xFF000000u) | rgb;
                return;
            }
            const uint32_t dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
            const auto mix = [a](uint32_t s, uint32_t t) { return (s * a + t * (255 - a) + 127) / 255; };
            d = (d & 0xFF000000u) | (mix(sr, dr) << 16) | (mix(sg, dg) << 8) | mix(sb, db);
        });
    }

    // Source-over onto a layer with coverage in its top byte.
    static void drawGlyphOnLayer(Surface& dst, long long penX, long long baseline, const Glyph& g, uint32_t colour) {
        const uint32_t sr = (colour >> 16) & 0xFF, sg = (colour >> 8) & 0xFF, sb = colour & 0xFF;
        forEachCovered(dst, penX, baseline, g, [&](uint32_t& d, uint32_t a) {
            const uint32_t da = d >> 24;
            if (a == 255 || da == 0) {
                d = (a << 24) | (colour & 0xFFFFFF);
                return;
            }
            // out = src + dst * (1 - src), in straight alpha.
            const uint32_t keep = da * (255 - a);  // 0..65025
            const uint32_t oa = a * 255 + keep;    // 255 * out alpha
            const auto mix = [&](uint32_t s, uint32_t t) { return (s * a * 255 + t * keep + oa / 2) / oa; };
            d = ((oa + 127) / 255 << 24) | (mix(sr, (d >> 16) & 0xFF) << 16) | (mix(sg, (d >> 8) & 0xFF) << 8) |
                mix(sb, d & 0xFF);
        });
    }

    // Lays the glyphs of text along the pen, each handed to put(glyph, pen,
    // baseline); the advance in pixels.
    template <typename Put>
    long long walk(long long x, long long y, std::u32string_view text, const FontSpec& font, bool antialias,
                   Put put) {
        const int faceId = resolve(font.name);
        const int size = clampHeight(font.height);
        const long long baseline = y + metricsOf(faceId, size).ascent;
        long long pen = x;
        for (char32_t ch : text) {
            const Glyph& g = glyph(faceId, size, font.bold, antialias, ch);
            put(g, pen, baseline);
            pen += g.advance;
        }
        return pen - x;
    }

    long long drawOnLayer(Surface& dst, long long x, long long y, std::u32string_view text, const FontSpec& font,
                          uint32_t colour) {
        return walk(x, y, text, font, true, [&](const Glyph& g, long long pen, long long baseline) {
            drawGlyphOnLayer(dst, pen, baseline, g, colour);
        });
    }

    long long draw(Surface* dst, long long x, long long y, std::u32string_view text, const FontSpec& font,
                   uint32_t colour, bool antialias) {
        return walk(x, y, text, font, antialias, [&](const Glyph& g, long long pen, long long baseline) {
            if (dst) drawGlyph(*dst, pen, baseline, g, colour);
        });
    }
};

FontEngine::FontEngine() : overlayText_(std::make_unique<OverlayText>()) {}
FontEngine::~FontEngine() = default;

FontEngine::Impl& FontEngine::impl() {
    // Set up at the first text: the list of installed
    // faces need not delay the first picture.
    if (!impl_) impl_ = std::make_unique<Impl>();
    return *impl_;
}

const std::vector<std::string>& FontEngine::families() {
    if (!impl().familiesBuilt) impl().buildFamilies();
    return impl().families;
}

const std::vector<FaceChoice>& FontEngine::faceChoices() {
    if (!impl().choicesBuilt) impl().buildChoices();
    return impl().choices;
}

bool FontEngine::isInstalled(std::string_view sjisName) {
    const auto& list = families();
    return std::binary_search(list.begin(), list.end(), sjisName, std::less<>());
}

int FontEngine::drawText(Surface& dst, int x, int y, std::string_view sjis, const FontSpec& font,
                         uint32_t colour, bool antialias) {
    const bool record = antialias && overlayText_->recording();
    if (record) {
        // Generous room around the cell: the glyphs' exact square is found after.
        const int h = std::max(font.height, 1);
        overlayText_->before(dst, {x - h, y - h, 4 * h + h * int(sjis.size()), 3 * h});
    }
    const int advance = clampToInt(impl().draw(&dst, x, y, sjisToUtf32(sjis), font, colour, antialias));
    if (record) overlayText_->after(dst, x, y, sjis, font, colour);
    return advance;
}

int FontEngine::measureText(std::string_view sjis, const FontSpec& font) {
    return clampToInt(impl().draw(nullptr, 0, 0, sjisToUtf32(sjis), font, 0, true));
}

int FontEngine::drawChar(Surface& dst, int x, int y, char32_t ch, const FontSpec& font, uint32_t colour,
                         bool antialias) {
    return clampToInt(impl().draw(&dst, x, y, std::u32string_view(&ch, 1), font, colour, antialias));
}

int FontEngine::drawTextOnLayer(Surface& layer, int x, int y, std::string_view sjis, const FontSpec& font,
                                uint32_t colour) {
    return clampToInt(impl().drawOnLayer(layer, x, y, sjisToUtf32(sjis), font, colour));
}

int FontEngine::drawCharOnLayer(Surface& layer, int x, int y, char32_t ch, const FontSpec& font, uint32_t colour) {
    return clampToInt(impl().drawOnLayer(layer, x, y, std::u32string_view(&ch, 1), font, colour));
}

FontMetrics FontEngine::metrics(const FontSpec& font) {
    return impl().metricsOf(impl().resolve(font.name), clampHeight(font.height));
}

std::string FontEngine::fileFor(std::string_view sjisName) { return impl().fileOf(impl().resolve(sjisName)); }

}  // namespace qvl::platform
