#pragma once
// Fonts through FreeType and fontconfig. Scripts and settings name Japanese Windows
// faces ("ＭＳ ゴシック", "MS Gothic", "ＭＳ 明朝" ...); an alias table loaded by the
// program maps them to installed Japanese faces (IPA fonts), since stock fontconfig
// maps them to faces without Japanese glyphs. Names are Shift-JIS bytes.
#include "graphics/surface.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qvl::platform {

struct FontSpec {
    std::string name;  // Shift-JIS face name
    int height = 24;   // character height in pixels (the cell height)
    bool bold = false;
};

class OverlayText;

// One face as a player chooses it: listed once under its Japanese name where it
// has one ("IPAゴシック", not also "IPAGothic"), and every name that reaches it.
struct FaceChoice {
    std::string shown;               // Shift-JIS
    std::vector<std::string> names;  // Shift-JIS, `shown` among them
};

struct FontMetrics {
    int ascent = 0;   // pixels above the baseline
    int descent = 0;  // pixels below it
};

class FontEngine {
public:
    FontEngine();
    ~FontEngine();
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    // Installed families (Shift-JIS names), sorted, plus the Windows face names that
    // our alias table maps to an installed face.
    const std::vector<std::string>& families();
    bool isInstalled(std::string_view sjisName);
    // The faces again, each once, sorted by the name shown (for the font dialog).
    const std::vector<FaceChoice>& faceChoices();

    // Draws Shift-JIS text with the top of its cell at y, transparent background.
    // Colour is 0x00RRGGBB; the top byte of the destination is left alone. Returns
    // the advance in pixels. With antialias off, glyphs are drawn in one colour,
    // which masks built from the text need.
    int drawText(Surface& dst, int x, int y, std::string_view sjis, const FontSpec& fontSpec,
                 uint32_t colour, bool antialias = true);
    int measureText(std::string_view sjis, const FontSpec& fontSpec);
    // One character given as a code point (symbol fonts draw byte values).
    int drawChar(Surface& dst, int x, int y, char32_t ch, const FontSpec& fontSpec, uint32_t colour,
                 bool antialias = true);
    // As drawText and drawChar, antialiased, onto a layer that carries coverage in
    // its top byte (0xAARRGGBB, not premultiplied) and is laid over a picture later.
    int drawTextOnLayer(Surface& layer, int x, int y, std::string_view sjis, const FontSpec& fontSpec,
                        uint32_t colour);
    int drawCharOnLayer(Surface& layer, int x, int y, char32_t ch, const FontSpec& fontSpec, uint32_t colour);
    FontMetrics metrics(const FontSpec& fontSpec);
    // The file a face name resolves to (for --verbose and the font dialog).
    std::string fileFor(std::string_view sjisName);
    // drawText's runs onto overlays, kept while a Recording of it is alive.
    OverlayText& overlayText() { return *overlayText_; }

private:
    std::unique_ptr<OverlayText> overlayText_;
    struct Impl;
    Impl& impl();
    std::unique_ptr<Impl> impl_;
};

}  // namespace qvl::platform
