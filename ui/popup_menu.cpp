#include "ui/popup_menu.h"

#include "platform/encoding.h"
#include "platform/overlay_text.h"
#include "ui/dialog.h"
#include "ui/theme.h"
#include "ui/ui_strings.h"

#include <algorithm>
#include <exception>

namespace qvl::ui {

using platform::Event;
using platform::Key;

namespace {

constexpr int kCheckColumn = 20;  // check marks left of the captions
constexpr int kArrowColumn = 16;  // submenu arrows right of everything
constexpr int kShortcutGap = 24;
// How far a submenu overlaps its parent, as desktop menus do.
constexpr int kSubmenuOverlap = 3;

void drawCheck(Surface& s, int x, int y, uint32_t colour) {
    // A tick seven pixels wide, three thick.
    const int rise[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i)
        for (int t = 0; t < 3; ++t) s.setPixel(x + i, y + rise[i] + t, colour | kOpaque);
}

void drawArrow(Surface& s, int x, int y, uint32_t colour) {
    // A triangle pointing right, seven pixels high.
    for (int i = 0; i < 4; ++i) s.fillRect({x + i, y + i, 1, 7 - 2 * i}, colour | kOpaque);
}

}  // namespace

std::string PopupMenu::shortcutText(char shortcut) {
    if (!shortcut) return {};
    char upper = shortcut >= 'a' && shortcut <= 'z' ? char(shortcut - 'a' + 'A') : shortcut;
    return std::string("Ctrl+") + upper;
}

PopupMenu::Level PopupMenu::layOut(const std::vector<MenuEntry>& items) const {
    const auto font = uiFont();
    int captionWidth = 0, shortcutWidth = 0;
    for (const MenuEntry& e : items) {
        captionWidth = std::max(captionWidth, fonts_ ? fonts_->measureText(e.caption, font) : 0);
        const std::string keys = shortcutText(e.shortcut);
        if (!keys.empty()) shortcutWidth = std::max(shortcutWidth, fonts_ ? fonts_->measureText(keys, font) : 0);
    }
    Level level;
    level.items = &items;
    level.shortcutX = kEdge + kCheckColumn + captionWidth + kShortcutGap;
    const int width = level.shortcutX + (shortcutWidth ? shortcutWidth : -kShortcutGap / 2) + kArrowColumn + kEdge;
    level.rect = {0, 0, std::min(width, platform::kSceneWidth), 2 * kEdge + int(items.size()) * kItemHeight};
    return level;
}

void PopupMenu::openAt(int x, int y, platform::FontEngine& fonts) {
    fonts_ = &fonts;
    closed_ = false;
    picked_.reset();
    levels_.clear();
    Level top = layOut(items_);
    top.rect.x = std::clamp(x - top.rect.w / 2, 0, std::max(0, platform::kSceneWidth - top.rect.w));
    // Below the pointer when it fits, else above it, else as high as it fits.
    if (y + top.rect.h > platform::kSceneHeight) y = y - top.rect.h >= 0 ? y - top.rect.h : 0;
    top.rect.y = std::clamp(y, 0, std::max(0, platform::kSceneHeight - top.rect.h));
    levels_.push_back(top);
}

Rect PopupMenu::itemRect(int level, int row) const {
    const Rect r = levels_[std::size_t(level)].rect;
    return {r.x + kEdge, r.y + kEdge + row * kItemHeight, r.w - 2 * kEdge, kItemHeight};
}

void PopupMenu::closeAbove(int level) {
    if (int(levels_.size()) > level + 1) levels_.resize(std::size_t(level + 1));
}

void PopupMenu::openSubmenu(int level, int row, bool highlightFirst) {
    const MenuEntry& parent = entry(level, row);
    closeAbove(level);
    levels_[std::size_t(level)].highlight = row;
    if (!parent.submenu() || !parent.enabled) return;
    Level sub = layOut(parent.children);
    const Rect from = levels_[std::size_t(level)].rect;
    const Rect item = itemRect(level, row);
    // To the right of the parent; to its left when the scene ends first.
    int x = from.x + from.w - kSubmenuOverlap;
    if (x + sub.rect.w > platform::kSceneWidth) x = from.x - sub.rect.w + kSubmenuOverlap;
    sub.rect.x = std::clamp(x, 0, std::max(0, platform::kSceneWidth - sub.rect.w));
    sub.rect.y = std::clamp(item.y - kEdge, 0, std::max(0, platform::kSceneHeight - sub.rect.h));
    sub.highlight = highlightFirst ? 0 : -1;
    levels_.push_back(sub);
}

void PopupMenu::take(const MenuEntry& e) {
    if (!e.enabled || e.submenu()) return;
    picked_ = e.id;
    closed_ = true;
}

std::optional<std::pair<int, int>> PopupMenu::hit(int x, int y) const {
    for (int level = int(levels_.size()) - 1; level >= 0; --level) {
        const Rect r = levels_[std::size_t(level)].rect;
        if (!r.contains(x, y)) continue;
        const int row = (y - r.y - kEdge) / kItemHeight;
        const int rows = int(levels_[std::size_t(level)].items->size());
        if (y - r.y < kEdge || row >= rows) return std::pair{level, -1};  // the edge
        return std::pair{level, row};
    }
    return std::nullopt;
}

bool PopupMenu::mouse(const Event& e) {
    const auto at = hit(e.x, e.y);
    switch (e.type) {
        case Event::Type::MouseMove: {
            if (!at || at->second < 0) return false;
            const auto [level, row] = *at;
            Level& l = levels_[std::size_t(level)];
            // Moving over the item whose submenu is open leaves that submenu alone.
            if (l.highlight == row && int(levels_.size()) > level + 1) return false;
            if (l.highlight == row && int(levels_.size()) == level + 1 && !entry(level, row).submenu()) return false;
            openSubmenu(level, row, false);
            return true;
        }
        case Event::Type::MouseDown:
            if (!at) {
                // A press outside closes the menu and is not passed on.
                closed_ = true;
                return true;
            }
            if (at->second >= 0 && entry(at->first, at->second).submenu()) {
                openSubmenu(at->first, at->second, false);
                return true;
            }
            return false;
        case Event::Type::MouseUp:
            if (!at || at->second < 0) return false;
            if (entry(at->first, at->second).submenu()) {
                if (int(levels_.size()) > at->first + 1 && levels_[std::size_t(at->first)].highlight == at->second)
                    return false;
                openSubmenu(at->first, at->second, false);
                return true;
            }
            take(entry(at->first, at->second));
            return closed_;
        default:
            return false;
    }
}

bool PopupMenu::moveHighlight(int step) {
    Level& l = levels_.back();
    const int n = int(l.items->size());
    if (n == 0) return false;
    if (l.highlight < 0) {
        l.highlight = step > 0 ? 0 : n - 1;
    } else {
        l.highlight = ((l.highlight + step) % n + n) % n;
    }
    return true;
}

bool PopupMenu::key(const Event& e) {
    if (e.key == Key::Character && (e.mods & platform::kModCtrl)) {
        // A shortcut takes its item wherever it is in the tree, if it is enabled.
        std::vector<const std::vector<MenuEntry>*> lists{&items_};
        while (!lists.empty()) {
            const auto* list = lists.back();
            lists.pop_back();
            for (const MenuEntry& item : *list) {
                if (item.submenu()) lists.push_back(&item.children);
                else if (item.shortcut && item.shortcut == e.ch && item.enabled) {
                    take(item);
                    return true;
                }
            }
        }
        return false;
    }
    const int level = int(levels_.size()) - 1;
    const int row = levels_.back().highlight;
    switch (e.key) {
        case Key::Up:
            return moveHighlight(-1);
        case Key::Down:
            return moveHighlight(1);
        case Key::Right:
            if (row >= 0 && entry(level, row).submenu() && entry(level, row).enabled) {
                openSubmenu(level, row, true);
                return true;
            }
            return false;
        case Key::Left:
            if (level == 0) return false;
            levels_.pop_back();
            return true;
        case Key::Escape:
            if (level == 0) closed_ = true;
            else levels_.pop_back();
            return true;
        case Key::Enter:
            if (row < 0) return false;
            if (entry(level, row).submenu()) {
                openSubmenu(level, row, true);
                return true;
            }
            take(entry(level, row));
            return closed_;
        default:
            return false;
    }
}

bool PopupMenu::pickByCaption(const std::string& sjis) {
    // Depth first, keeping the rows that lead to the item, so a submenu named by a
    // script opens as a reader's pointer would open it.
    struct Finder {
        const std::string& caption;
        std::vector<int> path;
        bool find(const std::vector<MenuEntry>& items) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                path.push_back(int(i));
                if (items[i].caption == caption) return true;
                if (items[i].submenu() && find(items[i].children)) return true;
                path.pop_back();
            }
            return false;
        }
    } finder{sjis, {}};
    if (!finder.find(items_)) return false;
    closeAbove(0);
    for (std::size_t depth = 0; depth + 1 < finder.path.size(); ++depth) {
        if (!entry(int(depth), finder.path[depth]).enabled) return true;
        openSubmenu(int(depth), finder.path[depth], false);
    }
    const int level = int(finder.path.size()) - 1;
    const int row = finder.path.back();
    if (entry(level, row).submenu()) {
        openSubmenu(level, row, true);
    } else {
        levels_[std::size_t(level)].highlight = row;
        take(entry(level, row));
    }
    return true;
}

bool PopupMenu::handle(const Event& e) {
    if (closed_ || levels_.empty()) return false;
    switch (e.type) {
        case Event::Type::MouseMove:
        case Event::Type::MouseDown:
        case Event::Type::MouseUp:
            return mouse(e);
        case Event::Type::KeyDown:
            return key(e);
        case Event::Type::MenuPick:
            return pickByCaption(platform::utf8ToSjis(e.text));
        case Event::Type::Answer:
            if (e.answer == platform::Answer::Cancel || e.answer == platform::Answer::No) {
                closed_ = true;
                return true;
            }
            if (e.answer == platform::Answer::Ok || e.answer == platform::Answer::Yes) {
                Event enter;
                enter.type = Event::Type::KeyDown;
                enter.key = Key::Enter;
                return key(enter);
            }
            return false;
        default:
            return false;
    }
}

void PopupMenu::draw(Surface& overlay, platform::FontEngine& fonts) {
    // Its text is kept, for a larger window to draw at its own scale.
    const platform::OverlayText::Recording recording(fonts.overlayText());
    const auto font = uiFont();
    const int textDy = (kItemHeight - kUiFontSize) / 2;
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const Level& l = levels_[level];
        fillOpaque(overlay, l.rect, kFaceColour);
        drawRaised(overlay, l.rect);
        for (int row = 0; row < int(l.items->size()); ++row) {
            const MenuEntry& e = (*l.items)[std::size_t(row)];
            const Rect r = itemRect(int(level), row);
            const bool lit = row == l.highlight;
            if (lit) fillOpaque(overlay, r, kSelectionColour);
            uint32_t colour = lit ? kSelectionTextColour : kTextColour;
            if (!e.enabled) {
                colour = kShadowColour;
                if (!lit) {
                    // Greyed as the desktop does it: a light copy one pixel down-right.
                    fonts.drawText(overlay, r.x + kCheckColumn + 1, r.y + textDy + 1, e.caption, font,
                                   kHighlightColour);
                    const std::string keys = shortcutText(e.shortcut);
                    if (!keys.empty())
                        fonts.drawText(overlay, l.rect.x + l.shortcutX + 1, r.y + textDy + 1, keys, font,
                                       kHighlightColour);
                }
            }
            if (e.checked) drawCheck(overlay, r.x + 6, r.y + 5, colour);
            fonts.drawText(overlay, r.x + kCheckColumn, r.y + textDy, e.caption, font, colour);
            const std::string keys = shortcutText(e.shortcut);
            if (!keys.empty()) fonts.drawText(overlay, l.rect.x + l.shortcutX, r.y + textDy, keys, font, colour);
            if (e.submenu()) drawArrow(overlay, r.x + r.w - 10, r.y + (kItemHeight - 7) / 2, colour);
        }
    }
}

std::optional<int> PopupMenu::run(UiHost& host, platform::WaitHint hint) {
    platform::Platform& platform = host.platform();
    if (levels_.empty()) openAt(platform::kSceneWidth / 2, platform::kSceneHeight / 2, platform.fonts());
    const Surface* base = host.currentOverlay();
    Surface frame;
    // On every way out the previous overlay comes back, except when the run is
    // stopped inside the loop: then the last frame keeps the menu, to show what
    // the run waited on.
    struct Restore {
        UiHost& host;
        const Surface* base;
        ~Restore() {
            if (std::uncaught_exceptions() == 0) host.presentOverlay(base);
        }
    } restore{host, base};

    // Self-voicing: the menu as it opens, then each item as the highlight reaches it.
    host.announce(uiText(UiText::Menu));
    std::pair<int, int> spoken{depth(), -1};
    auto announceHighlight = [&] {
        const std::pair<int, int> now{depth(), levels_.empty() ? -1 : levels_.back().highlight};
        if (now == spoken) return;
        spoken = now;
        if (now.second < 0) return;
        const MenuEntry& e = entry(now.first - 1, now.second);
        std::string text = e.caption;
        if (!e.enabled) text += " " + uiText(UiText::Disabled);
        if (e.checked) text += " " + uiText(UiText::Checked);
        host.announce(text);
    };
    bool dirty = true;
    while (!closed_) {
        if (dirty) {
            frame = base && !base->empty() ? base->clone()
                                           : Surface(platform::kSceneWidth, platform::kSceneHeight, 0);
            draw(frame, platform.fonts());
            host.presentOverlay(&frame);
            dirty = false;
        }
        std::optional<Event> event = platform.waitEvent(std::nullopt, hint);
        if (!event) continue;
        if (isWindowKey(*event)) {
            host.passEvent(*event);
            dirty = true;
        } else if (isDialogInput(*event) || event->type == Event::Type::MenuPick) {
            dirty = handle(*event);
            if (!closed_) announceHighlight();
        } else {
            host.passEvent(*event);
        }
    }
    return picked_;
}

}  // namespace qvl::ui
