#include "platform/font_catalog.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <memory>

namespace qvl::platform {

namespace {

struct ConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
using Config = std::unique_ptr<FcConfig, ConfigDeleter>;

int styleDistance(FcPattern* font) {
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, width = FC_WIDTH_NORMAL;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    FcPatternGetInteger(font, FC_WIDTH, 0, &width);
    return std::abs(weight - FC_WEIGHT_REGULAR) + 4 * std::abs(slant - FC_SLANT_ROMAN) +
           std::abs(width - FC_WIDTH_NORMAL);
}

}  // namespace

std::vector<InstalledFace> listInstalledFaces() {
    std::vector<InstalledFace> out;
    Config config(FcInitLoadConfigAndFonts());
    if (!config) return out;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* set = FcFontList(config.get(), pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (!set) return out;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        InstalledFace face{reinterpret_cast<const char*>(file), index, styleDistance(font), {}};
        FcChar8* family = nullptr;
        for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n)
            face.families.emplace_back(reinterpret_cast<const char*>(family));
        out.push_back(std::move(face));
    }
    FcFontSetDestroy(set);
    return out;
}

std::optional<InstalledFace> matchJapaneseFace() {
    Config config(FcInitLoadConfigAndFonts());
    if (!config) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(config.get(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config.get(), pattern, &result);
    FcPatternDestroy(pattern);
    std::optional<InstalledFace> out;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        int index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        out = InstalledFace{reinterpret_cast<const char*>(file), index, 0, {}};
    }
    if (match) FcPatternDestroy(match);
    return out;
}

}  // namespace qvl::platform
