#include "platform/font_aliases.h"

#include <array>

namespace qvl::platform {

namespace {

using namespace std::string_view_literals;

constexpr std::array kGothic = {"IPAGothic"sv, "IPAexGothic"sv, "TakaoGothic"sv,
                                "Noto Sans Mono CJK JP"sv, "VL Gothic"sv};
constexpr std::array kPGothic = {"IPAPGothic"sv, "IPAexGothic"sv, "TakaoPGothic"sv,
                                 "Noto Sans CJK JP"sv, "VL PGothic"sv, "IPAGothic"sv};
constexpr std::array kMincho = {"IPAMincho"sv, "IPAexMincho"sv, "TakaoMincho"sv,
                                "Noto Serif CJK JP"sv};
constexpr std::array kPMincho = {"IPAPMincho"sv, "IPAexMincho"sv, "TakaoPMincho"sv,
                                 "Noto Serif CJK JP"sv, "IPAMincho"sv};

// The fixed-pitch faces stay fixed-pitch: scenarios lay text out on a grid.
const std::array kAliases = {
    FontAlias{"ＭＳ ゴシック", kGothic},   FontAlias{"MS Gothic", kGothic},
    FontAlias{"ＭＳ Ｐゴシック", kPGothic}, FontAlias{"MS PGothic", kPGothic},
    FontAlias{"MS UI Gothic", kPGothic},   FontAlias{"ＭＳ 明朝", kMincho},
    FontAlias{"MS Mincho", kMincho},       FontAlias{"ＭＳ Ｐ明朝", kPMincho},
    FontAlias{"MS PMincho", kPMincho},
};

// Decodes the UTF-8 sequence at s[i]; returns its length (1 for stray bytes).
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        cp = c;
        return 1;
    }
    cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(k) & 0xC0) != 0x80) {
            cp = c;
            return 1;
        }
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    return len;
}

}  // namespace

std::string normalizeFaceName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(utf8, i, cp);
        if (cp == 0x3000) cp = U' ';
        if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFEE0;  // full-width ASCII
        if (cp < 0x80 || len == 1) {
            if (cp == U' ' || cp == U'\t') {
                // dropped: "ＭＳゴシック" and "ＭＳ ゴシック" are the same face
            } else if (cp >= U'A' && cp <= U'Z') {
                out += static_cast<char>(cp - U'A' + U'a');
            } else {
                out += static_cast<char>(cp);
            }
        } else {
            out.append(utf8.substr(i, len));
        }
        i += len;
    }
    return out;
}

std::span<const FontAlias> fontAliases() { return kAliases; }

const FontAlias* findFontAlias(std::string_view normalizedName) {
    for (const FontAlias& alias : kAliases)
        if (normalizeFaceName(alias.name) == normalizedName) return &alias;
    return nullptr;
}

std::span<const std::string_view> fallbackFaces() { return kGothic; }

}  // namespace qvl::platform
