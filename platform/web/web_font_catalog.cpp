// The browser build's fonts: the faces bundled with the page, in one folder of the
// virtual file system, listed by the names FreeType reads from them.
#include "platform/font_catalog.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <algorithm>
#include <filesystem>

namespace qvl::platform {

namespace {

constexpr const char* kFontFolder = "/fonts";

// A Windows-platform family name is UTF-16BE; the localized ones ("IPAゴシック")
// are what Japanese scripts and settings may name.
std::string utf16beToUtf8(const FT_Byte* s, FT_UInt len) {
    std::string out;
    for (FT_UInt i = 0; i + 1 < len; i += 2) {
        char32_t c = char32_t(s[i] << 8 | s[i + 1]);
        if (c >= 0xD800 && c <= 0xDFFF) continue;  // no family name needs the astral planes
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void addFamilyNames(FT_Face face, std::vector<std::string>& names) {
    if (face->family_name) names.emplace_back(face->family_name);
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != TT_NAME_ID_FONT_FAMILY) continue;
        if (name.platform_id != TT_PLATFORM_MICROSOFT || name.encoding_id != TT_MS_ID_UNICODE_CS) continue;
        std::string utf8 = utf16beToUtf8(name.string, name.string_len);
        if (!utf8.empty() && std::find(names.begin(), names.end(), utf8) == names.end()) names.push_back(utf8);
    }
}

}  // namespace

std::vector<InstalledFace> listInstalledFaces() {
    std::vector<InstalledFace> out;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return out;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kFontFolder, ec))
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        for (FT_Long index = 0, faces = 1; index < faces; ++index) {
            FT_Face face = nullptr;
            if (FT_New_Face(library, path.c_str(), index, &face) != 0) break;
            faces = face->num_faces;
            InstalledFace found{path.string(), int(index), (face->style_flags & FT_STYLE_FLAG_BOLD ? 100 : 0) +
                                                            (face->style_flags & FT_STYLE_FLAG_ITALIC ? 400 : 0), {}};
            addFamilyNames(face, found.families);
            FT_Done_Face(face);
            out.push_back(std::move(found));
        }
    }
    FT_Done_FreeType(library);
    return out;
}

std::optional<InstalledFace> matchJapaneseFace() {
    // The first bundled face: the page ships a Japanese gothic first.
    std::vector<InstalledFace> all = listInstalledFaces();
    if (all.empty()) return std::nullopt;
    return all.front();
}

}  // namespace qvl::platform
