#pragma once
// Windows face names that scenarios ask for, mapped to faces a Linux system has.
// Stock fontconfig sends "ＭＳ ゴシック" to faces without Japanese glyphs, so the
// engine carries its own table. All names here are UTF-8.
#include <span>
#include <string>
#include <string_view>

namespace qvl::platform {

struct FontAlias {
    std::string_view name;                     // as Windows spells it
    std::span<const std::string_view> faces;  // installed faces to try, best first
};

// Folds the ways a face name gets typed onto one key: full-width letters and the
// ideographic space become ASCII, spaces go, ASCII letters are lower-cased.
std::string normalizeFaceName(std::string_view utf8);

std::span<const FontAlias> fontAliases();
// nullptr when the (normalized) name is not one of ours.
const FontAlias* findFontAlias(std::string_view normalizedName);

// Faces for names nobody knows: a Japanese gothic, so that text never vanishes.
std::span<const std::string_view> fallbackFaces();

}  // namespace qvl::platform
