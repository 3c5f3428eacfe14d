#include "choice/choices.h"

#include "base/fault.h"
#include "choice/menu_look.h"
#include "choice/picture_look.h"
#include "graphics/composition.h"
#include "graphics/masks.h"
#include "platform/encoding.h"

#include <climits>

#include <cstdlib>

namespace qvl {

using platform::Cursor;
using platform::Key;

int32_t Choices::choose(ChoiceKind kind, const OptionList& options) {
    record_ = {};
    record_.kind = kind;
    record_.shown = true;
    for (int i = 0; i < options.count; ++i) record_.labels.push_back(options.OptionLabels[std::size_t(i)]);
    int32_t result = -1;
    // An empty block shows nothing and returns at once.
    if (options.count > 0) {
        waiting_ = true;
        struct Done {
            bool& waiting;
            ~Done() { waiting = false; }
        } done{waiting_};
        in_.chooseRequest.reset();
        in_.navigation = Key::Unknown;
        switch (kind) {
            case ChoiceKind::Menu:
                result = chooseMenu(options);
                break;
            case ChoiceKind::Buttons:
            case ChoiceKind::PictureGrid:
                result = choosePictures(kind, options);
                break;
        }
    }
    record_.result = result;
    host_.choiceMade(record_.labels, result);
    return result;
}

uint32_t Choices::readColour(const std::string& text, uint32_t fallback) {
    if (text.empty()) return fallback;
    // The first character (a '#') is skipped, the next six are hexadecimal RRGGBB.
    const std::string digits = text.substr(1, 6);
    char* end = nullptr;
    const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
    if (digits.empty() || end != digits.c_str() + digits.size() || digits.find_first_of(" +-") != std::string::npos)
        throw Fault("'$" + digits + "' is not a valid integer value");
    return uint32_t(v & 0xFFFFFF);
}

platform::WaitHint Choices::hint() const {
    platform::WaitHint h{platform::WaitKind::Choice, platform::Answer::None};
    // A patient reader takes the first item that can be taken.
    for (std::size_t i = 0; i < record_.selectable.size(); ++i)
        if (record_.selectable[i]) {
            h.autoChoice = int(i);
            break;
        }
    return h;
}

bool Choices::pumpOnce(platform::WaitHint h) {
    host_.pump(std::nullopt, h);
    if (!in_.chooseRequest) return false;
    const int n = *in_.chooseRequest;
    in_.chooseRequest.reset();
    if (n < 0 || std::size_t(n) >= record_.items.size()) return false;
    const Rect r = record_.items[std::size_t(n)];
    in_.movePointer(r.x + r.w / 2, r.y + r.h / 2);
    return true;
}

void Choices::waitForFirstMove(platform::WaitHint h) {
    const int startX = in_.pointerX, startY = in_.pointerY;
    pendingClick_ = false;
    while (in_.pointerX == startX && in_.pointerY == startY && in_.navigation == Key::Unknown && !pendingClick_)
        pendingClick_ = pumpOnce(h);
}

platform::WaitHint Choices::startSelection() {
    const platform::WaitHint h = hint();
    waitForFirstMove(h);
    // Clicks before the first move do not count.
    in_.confirm = false;
    keyboard_ = false;
    return h;
}

void Choices::saveArea(Rect area) {
    Surface& temp2 = host_.bank()[SurfaceId::Temp2];
    resizeKeeping(temp2, area.w, area.h);
    temp2.blit(host_.windowImage(), 0, 0, area.x, area.y, area.w, area.h);
}

void Choices::restoreArea(Rect area) {
    host_.windowImage().blit(host_.bank()[SurfaceId::Temp2], area.x, area.y, 0, 0, area.w, area.h);
    host_.showWindow(area);
}

void Choices::finish() {
    if (!clickSound_.empty()) host_.playSoundToEnd(clickSound_);
    host_.setCursor(Cursor::Pen);
}

bool Choices::loadSheet(const OptionList& options, std::vector<int32_t>& values) {
    for (int i = 0; i < options.count; ++i) values.push_back(host_.evaluate(options.OptionLabels[std::size_t(i)]));
    hideAllSprites(host_.bank(), host_.windowImage());
    host_.loadSpriteSheet(sheet_.file, sheet_.cellWidth, sheet_.cellHeight, sheet_.transparency);
    if (host_.bank().sheet.valid) return true;
    host_.showWindow(std::nullopt);
    host_.sheetFailed();
    return false;
}

int32_t Choices::chooseMenu(const OptionList& options) {
    MenuLook look(host_, menu_, options, record_);
    const Rect area = look.area();
    saveArea(area);
    look.draw();
    Look rules;
    rules.count = options.count;
    rules.itemAt = [&look](int x, int y) { return look.itemAt(x, y); };
    rules.drawItem = [&look](int32_t item, bool lit) { look.drawItem(item, lit); };
    rules.spoken = [&options](int32_t item) { return options.OptionLabels[std::size_t(item)]; };
    const int32_t taken = select(rules);
    restoreArea(area);
    finish();
    return taken;
}

int32_t Choices::choosePictures(ChoiceKind kind, const OptionList& options) {
    const TextWindowState& t = host_.textWindow();
    const int x = origin(sheet_.x, t.cursorX), y = origin(sheet_.y, t.cursorY);
    std::vector<int32_t> values;
    if (!loadSheet(options, values)) return 0;
    const auto lookKind = kind == ChoiceKind::PictureGrid ? PictureLook::Kind::Grid : PictureLook::Kind::Buttons;
    PictureLook look(host_, lookKind, x, y, sheet_.columns, values, record_);
    const Rect area = look.area();
    saveArea(area);
    look.draw();
    Look rules;
    rules.count = options.count;
    rules.columns = look.columns();
    rules.itemAt = [&look](int px, int py) { return look.itemAt(px, py); };
    rules.drawItem = [&look](int32_t item, bool lit) { look.drawItem(item, lit); };
    rules.showsLocked = [&look](int32_t item) { return look.showsLocked(item); };
    rules.takes = [&look](int32_t item) { return look.takes(item); };
    // Pictures have no words: their number, and whether a gallery item is locked.
    rules.spoken = [&look](int32_t item) {
        return std::to_string(item + 1) + platform::utf8ToSjis(look.showsLocked(item) ? "番 ロック中" : "番");
    };
    const int32_t taken = select(rules);
    look.hide();
    restoreArea(area);
    finish();
    return taken;
}

int32_t Choices::select(const Look& look) {
    const int32_t n = look.count;
    host_.announce(std::to_string(n) + platform::utf8ToSjis(" 個の選択肢"));
    const platform::WaitHint waitHint = startSelection();
    int32_t current = 0;
    bool lit = false;  // the current item is drawn highlighted
    int32_t spokenItem = -1;
    int seenX = INT32_MIN, seenY = INT32_MIN;
    for (;;) {
        if (in_.pointerX != seenX || in_.pointerY != seenY) {
            if (current < n) {
                look.drawItem(current, false);
            } else {
                // The grid's empty cell past the last item.
                host_.setCursor(Cursor::Pen);
                in_.confirm = false;
            }
            lit = false;
            seenX = in_.pointerX;
            seenY = in_.pointerY;
            keyboard_ = false;
            if (std::optional<int32_t> under = look.itemAt(seenX, seenY)) {
                current = *under;
                if (current < n) {
                    look.drawItem(current, true);
                    lit = true;
                    if (look.showsLocked && look.showsLocked(current)) {
                        host_.setCursor(Cursor::Pen);
                        in_.confirm = false;
                    } else {
                        host_.setCursor(Cursor::Hand);
                    }
                }
            } else {
                host_.setCursor(Cursor::Pen);
            }
        }
        if (std::optional<int32_t> next = keyboardStep(current < n ? current : -1, look.columns, lit)) {
            if (current < n) look.drawItem(current, false);
            current = *next;
            look.drawItem(current, true);
            lit = true;
        }
        if (!lit || current >= n) {
            spokenItem = -1;  // the pointer left: coming back says the item again
        } else if (current != spokenItem) {
            spokenItem = current;
            host_.announce(look.spoken(current));
        }
        if (pendingClick_) {
            in_.confirm = true;
            pendingClick_ = false;
        }
        if (in_.confirm) {
            // A click counts on the item it was made on; a key on the item it reached.
            const bool takeable = current < n && (!look.takes || look.takes(current));
            if (takeable && (keyboard_ || look.itemAt(seenX, seenY) == current)) break;
            in_.confirm = false;
        }
        pendingClick_ = pumpOnce(waitHint);
    }
    return current;
}

std::optional<int32_t> Choices::keyboardStep(int32_t current, int32_t columns, bool lit) {
    const Key key = in_.navigation;
    if (key == Key::Unknown) return std::nullopt;
    in_.navigation = Key::Unknown;
    const int32_t n = int32_t(record_.selectable.size());
    auto selectable = [&](int32_t i) { return i >= 0 && i < n && record_.selectable[std::size_t(i)]; };
    int32_t step = 0;
    if (key == Key::Down)
        step = columns;
    else if (key == Key::Up)
        step = -columns;
    else if (columns > 1 && key == Key::Right)
        step = 1;
    else if (columns > 1 && key == Key::Left)
        step = -1;
    if (step == 0) return std::nullopt;
    std::optional<int32_t> found;
    if (!lit || current < 0 || current >= n) {
        // Nothing highlighted yet: forwards starts at the first item, backwards at the last.
        for (int32_t i = 0; i < n && !found; ++i) {
            const int32_t at = step > 0 ? i : n - 1 - i;
            if (selectable(at)) found = at;
        }
    } else if (columns == 1) {
        // A column wraps round at its ends.
        for (int32_t k = 1; k < n && !found; ++k) {
            const int32_t at = ((current + step * k) % n + n) % n;
            if (selectable(at)) found = at;
        }
    } else {
        for (int32_t at = current + step; at >= 0 && at < n && !found; at += step)
            if (selectable(at)) found = at;
    }
    if (found) keyboard_ = true;
    return found;
}

}  // namespace qvl
