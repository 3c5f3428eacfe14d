#include "choice/picture_look.h"

#include "graphics/composition.h"

#include <algorithm>

namespace qvl {

namespace {

int clampSize(int64_t v) {
    return int(std::clamp<int64_t>(v, 0, 65536));
}

}  // namespace

PictureLook::PictureLook(ChoiceHost& host, Kind kind, int x, int y, int columns, const std::vector<int32_t>& values,
                         ChoiceRecord& record)
    : host_(host),
      kind_(kind),
      columns_(kind == Kind::Grid ? std::max(columns, 1) : 1),
      values_(values),
      record_(record) {
    const int n = int(values.size());
    const int cw = host.bank().sheet.cellWidth, ch = host.bank().sheet.cellHeight;
    cellWidth_ = cw;
    cellHeight_ = ch;
    if (kind == Kind::Buttons) {
        area_ = {x, y, cw, clampSize(int64_t(n) * ch)};
    } else {
        // One row more than n div columns, also when n fills its last row.
        area_ = {x, y, clampSize(int64_t(columns_) * cw), clampSize(int64_t(n / columns_ + 1) * ch)};
    }
    record.area = area_;
    for (int i = 0; i < n; ++i) {
        record.items.push_back({drawCoordinate(int64_t(x) + int64_t(i % columns_) * cw),
                                drawCoordinate(int64_t(y) + int64_t(i / columns_) * ch), cw, ch});
        // A locked grid item has the value 0 and shows the sheet's first row.
        record.selectable.push_back(kind == Kind::Buttons || values[std::size_t(i)] >= 1);
    }
}

void PictureLook::draw() {
    SurfaceBank& bank = host_.bank();
    for (std::size_t i = 0; i < values_.size(); ++i) {
        bank.setSpriteCell(int32_t(i), 0, values_[i]);
        putSprite(bank, int32_t(i), record_.items[i].x, record_.items[i].y, host_.windowImage());
    }
    host_.showWindow(area_);
}

void PictureLook::drawItem(int32_t item, bool lit) {
    const Rect r = record_.items[std::size_t(item)];
    SurfaceBank& bank = host_.bank();
    bank.setSpriteCell(item, lit ? 1 : 0, bank.sprites[std::size_t(item)].row);
    putSprite(bank, item, r.x, r.y, host_.windowImage());
    host_.showWindow(r);
}

std::optional<int32_t> PictureLook::itemAt(int px, int py) const {
    const int x = area_.x, y = area_.y;
    if (!(x < px && px < x + area_.w && y < py && py < y + area_.h)) return std::nullopt;
    const int row = (py - y) / std::max(cellHeight_, 1);
    if (kind_ == Kind::Buttons) return std::min(row, int(values_.size()) - 1);
    return columns_ * row + (px - x) / std::max(cellWidth_, 1);
}

bool PictureLook::showsLocked(int32_t item) const {
    return kind_ == Kind::Grid && values_[std::size_t(item)] < 1;
}

bool PictureLook::takes(int32_t item) const {
    return kind_ == Kind::Buttons || values_[std::size_t(item)] != 0;
}

void PictureLook::hide() {
    hideAllSprites(host_.bank(), host_.windowImage());
}

}  // namespace qvl
