// The picture looks: a column of buttons and a grid of pictures, cut from the
// sprite sheet and shown through the sprite slots (column 0 plain, 1 highlighted).
#include "choice/choices.h"

#include "graphics/composition.h"

#include <algorithm>

namespace qvl {

namespace {

int clampSize(int64_t v) {
    return int(std::clamp<int64_t>(v, 0, 65536));
}

}  // namespace

void Choices::showCells(const std::vector<int32_t>& values) {
    saveArea(record_.area);
    SurfaceBank& bank = host_.bank();
    for (std::size_t i = 0; i < values.size(); ++i) {
        bank.setSpriteCell(int32_t(i), 0, values[i]);
        putSprite(bank, int32_t(i), record_.items[i].x, record_.items[i].y, host_.windowImage());
    }
    host_.showWindow(record_.area);
}

int32_t Choices::chooseButtons(const OptionList& options) {
    const TextWindowState& t = host_.textWindow();
    const int n = options.count;
    const int x = origin(sheet_.x, t.cursorX), y = origin(sheet_.y, t.cursorY);
    std::vector<int32_t> values;
    if (!loadSheet(options, values)) return 0;
    const int cw = host_.bank().sheet.cellWidth, ch = host_.bank().sheet.cellHeight;
    const Rect area{x, y, cw, clampSize(int64_t(n) * ch)};
    record_.area = area;
    for (int i = 0; i < n; ++i) {
        record_.items.push_back({x, drawCoordinate(int64_t(y) + int64_t(i) * ch), cw, ch});
        record_.selectable.push_back(true);
    }
    showCells(values);

    auto inside = [&](int px, int py) { return x < px && px < x + area.w && y < py && py < y + area.h; };
    const platform::WaitHint waitHint = startSelection();
    SurfaceBank& bank = host_.bank();
    int current = 0;
    bool lit = false;
    int seenX = INT32_MIN, seenY = INT32_MIN;
    for (;;) {
        if (in_.pointerX != seenX || in_.pointerY != seenY) {
            putCell(current, 0);
            lit = false;
            seenX = in_.pointerX;
            seenY = in_.pointerY;
            keyboard_ = false;
            if (inside(seenX, seenY)) {
                host_.setCursor(platform::Cursor::Hand);
                current = std::min((seenY - y) / std::max(ch, 1), n - 1);
                putCell(current, 1);
                lit = true;
            } else {
                host_.setCursor(platform::Cursor::Pen);
            }
        }
        if (std::optional<int32_t> next = keyboardStep(current, 1, lit)) {
            putCell(current, 0);
            current = *next;
            putCell(current, 1);
            lit = true;
        }
        if (pendingClick_) {
            in_.confirm = true;
            pendingClick_ = false;
        }
        if (in_.confirm) {
            if (keyboard_ || inside(seenX, seenY)) break;
            in_.confirm = false;
        }
        pendingClick_ = pumpOnce(waitHint);
    }
    hideAllSprites(bank, host_.windowImage());
    restoreArea(area);
    finish();
    return current;
}

int32_t Choices::chooseGrid(const OptionList& options) {
    const TextWindowState& t = host_.textWindow();
    const int n = options.count;
    const int columns = std::max(sheet_.columns, 1);
    const int x = origin(sheet_.x, t.cursorX), y = origin(sheet_.y, t.cursorY);
    std::vector<int32_t> values;
    if (!loadSheet(options, values)) return 0;
    const int cw = host_.bank().sheet.cellWidth, ch = host_.bank().sheet.cellHeight;
    // One row more than n div columns, also when n fills its last row.
    const Rect area{x, y, clampSize(int64_t(columns) * cw), clampSize(int64_t(n / columns + 1) * ch)};
    record_.area = area;
    for (int i = 0; i < n; ++i) {
        record_.items.push_back({drawCoordinate(int64_t(x) + int64_t(i % columns) * cw),
                                 drawCoordinate(int64_t(y) + int64_t(i / columns) * ch), cw, ch});
        record_.selectable.push_back(values[std::size_t(i)] >= 1);
    }
    // A locked item has the value 0 and shows the sheet's first row.
    showCells(values);

    auto inside = [&](int px, int py) { return x < px && px < x + area.w && y < py && py < y + area.h; };
    const platform::WaitHint waitHint = startSelection();
    SurfaceBank& bank = host_.bank();
    int current = 0;
    bool lit = false;
    int seenX = INT32_MIN, seenY = INT32_MIN;
    for (;;) {
        if (in_.pointerX != seenX || in_.pointerY != seenY) {
            if (current < n) {
                putCell(current, 0);
            } else {
                host_.setCursor(platform::Cursor::Pen);
                in_.confirm = false;
            }
            lit = false;
            seenX = in_.pointerX;
            seenY = in_.pointerY;
            keyboard_ = false;
            if (inside(seenX, seenY)) {
                current = columns * ((seenY - y) / std::max(ch, 1)) + (seenX - x) / std::max(cw, 1);
                if (current < n) {
                    putCell(current, 1);
                    lit = true;
                    if (values[std::size_t(current)] < 1) {
                        host_.setCursor(platform::Cursor::Pen);
                        in_.confirm = false;
                    } else {
                        host_.setCursor(platform::Cursor::Hand);
                    }
                }
            } else {
                host_.setCursor(platform::Cursor::Pen);
            }
        }
        if (std::optional<int32_t> next = keyboardStep(current < n ? current : -1, columns, lit)) {
            if (current < n) putCell(current, 0);
            current = *next;
            putCell(current, 1);
            lit = true;
        }
        if (pendingClick_) {
            in_.confirm = true;
            pendingClick_ = false;
        }
        if (in_.confirm) {
            const bool takeable = current < n && values[std::size_t(current)] != 0;
            if (takeable && (keyboard_ || inside(seenX, seenY))) break;
            in_.confirm = false;
        }
        pendingClick_ = pumpOnce(waitHint);
    }
    hideAllSprites(bank, host_.windowImage());
    restoreArea(area);
    finish();
    return current;
}

}  // namespace qvl
