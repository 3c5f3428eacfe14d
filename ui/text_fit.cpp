#include "ui/text_fit.h"

#include "base/sjis.h"

namespace qvl::ui {

std::size_t prefixWithinBytes(std::string_view sjis, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < sjis.size()) {
        std::size_t n = sjis::charLength(sjis, end);
        if (end + n > maxBytes) break;
        end += n;
    }
    return end;
}

std::size_t previousCharStart(std::string_view sjis, std::size_t pos) {
    // Shift-JIS cannot be read backwards: a trail byte may look like a lead byte.
    std::size_t start = 0;
    for (std::size_t i = 0; i < pos && i < sjis.size(); i += sjis::charLength(sjis, i)) start = i;
    return start;
}

std::string fitToWidth(platform::FontEngine& fonts, std::string_view sjis,
                       const platform::FontSpec& font, int maxWidth) {
    if (fonts.measureText(sjis, font) <= maxWidth) return std::string(sjis);
    std::size_t end = 0;
    while (end < sjis.size()) {
        std::size_t next = end + sjis::charLength(sjis, end);
        if (fonts.measureText(sjis.substr(0, next), font) > maxWidth) break;
        end = next;
    }
    return std::string(sjis.substr(0, end));
}

}  // namespace qvl::ui
