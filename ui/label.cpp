#include "ui/label.h"

#include "base/sjis.h"
#include "ui/text_fit.h"
#include "ui/theme.h"

namespace qvl::ui {

std::vector<std::string> splitTextLines(std::string_view sjis) {
    std::vector<std::string> lines = sjis::split(sjis, '\n');
    for (auto& line : lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    return lines;
}

Label::Label(Rect rect, std::string_view sjis, int fontSize)
    : Widget(rect), fontSize_(fontSize), colour_(kTextColour) {
    setText(sjis);
}

void Label::setText(std::string_view sjis) { lines_ = splitTextLines(sjis); }

void Label::draw(Surface& overlay, platform::FontEngine& fonts) {
    Rect r = rect();
    auto font = uiFont(fontSize_);
    int y = r.y;
    for (const auto& line : lines_) {
        if (y + fontSize_ > r.y + r.h) break;
        fonts.drawText(overlay, r.x, y, fitToWidth(fonts, line, font, r.w), font,
                       enabled() ? colour_ : kGreyTextColour);
        y += lineHeight();
    }
}

}  // namespace qvl::ui
