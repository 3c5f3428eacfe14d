#pragma once
// The picture looks: a column of buttons and a grid of pictures, cut from the
// sprite sheet and shown through the sprite slots (column 0 plain, 1 highlighted).
// The grid differs from the buttons in its layout, in items that are locked
// (value 0: the sheet's first row, never taken), and in empty cells past the last
// item that the pointer can reach.
#include "choice/choice_host.h"
#include "choice/choices.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qvl {

class PictureLook {
public:
    enum class Kind { Buttons, Grid };

    // Lays the items out from the loaded sheet's cell size and records the area,
    // each item's cell and whether it can be taken. values: each item's sheet row.
    PictureLook(ChoiceHost& host, Kind kind, int x, int y, int columns, const std::vector<int32_t>& values,
                ChoiceRecord& record);

    Rect area() const { return area_; }
    int columns() const { return columns_; }
    // Every item's cell in its plain column, shown.
    void draw();
    // One item's cell, highlighted or plain, shown.
    void drawItem(int32_t item, bool lit);
    // The item under the pointer; nothing outside the area. In the grid it may be
    // past the last item.
    std::optional<int32_t> itemAt(int px, int py) const;
    // The grid's items below value 1 show the pen, and a click there does not count
    // until the next one; only value 0 refuses the take itself.
    bool showsLocked(int32_t item) const;
    bool takes(int32_t item) const;
    // Takes the cells off the screen.
    void hide();

private:
    ChoiceHost& host_;
    const Kind kind_;
    const int columns_;
    const std::vector<int32_t>& values_;
    const ChoiceRecord& record_;
    int cellWidth_ = 0, cellHeight_ = 0;
    Rect area_{};
};

}  // namespace qvl
