#pragma once
// Static text: Shift-JIS lines separated by line feeds, cut at the right edge.
#include "ui/widget.h"

#include <string>
#include <vector>

namespace qvl::ui {

class Label : public Widget {
public:
    Label(Rect rect, std::string_view sjis, int fontSize = 12);

    void setText(std::string_view sjis);
    const std::vector<std::string>& lines() const { return lines_; }
    int lineHeight() const { return fontSize_ + 2; }
    void setColour(uint32_t colour) { colour_ = colour; }

    void draw(Surface& overlay, platform::FontEngine& fonts) override;

private:
    std::vector<std::string> lines_;
    int fontSize_;
    uint32_t colour_;
};

// Split at line feeds (a CR before one is dropped), never at a trail byte.
std::vector<std::string> splitTextLines(std::string_view sjis);

}  // namespace qvl::ui
