#pragma once
// The popup menu: a tree of items with check marks, greyed disabled items,
// shortcut texts and submenus that open to the side. It opens horizontally
// centred on the pointer, stays inside the scene, and runs as a modal wait of its
// own that returns the item chosen. Mouse: hover highlights and opens submenus, a
// release on an item takes it, a press outside closes the menu. Keys: Up/Down
// move, Right or Enter open a submenu, Left or Esc close one level, Enter takes,
// Ctrl+letter takes the enabled item with that shortcut.
#include "platform/events.h"
#include "platform/fonts.h"
#include "ui/ui_host.h"

#include <optional>
#include <string>
#include <vector>

namespace qvl::ui {

struct MenuEntry {
    int id = -1;
    std::string caption;  // Shift-JIS
    char shortcut = 0;    // Ctrl+letter, lower case; 0: none
    bool checked = false;
    bool enabled = true;
    std::vector<MenuEntry> children;  // not empty: a submenu

    bool submenu() const { return !children.empty(); }
};

class PopupMenu {
public:
    static constexpr int kItemHeight = 18;
    static constexpr int kEdge = 3;

    explicit PopupMenu(std::vector<MenuEntry> items) : items_(std::move(items)) {}

    // Lays the top level out horizontally centred on (x, y), kept inside the scene.
    void openAt(int x, int y, platform::FontEngine& fonts);
    // Runs until an item is taken (its id) or the menu is closed (nothing). What
    // was shown before is shown again on return.
    std::optional<int> run(UiHost& host, platform::WaitHint hint);

    // Routes an input event; true when the menu must be drawn again.
    bool handle(const platform::Event& event);
    void draw(Surface& overlay, platform::FontEngine& fonts);

    bool closed() const { return closed_; }
    std::optional<int> picked() const { return picked_; }
    // Open levels: 1 while only the top level shows.
    int depth() const { return int(levels_.size()); }
    // The highlighted row of an open level, -1 for none.
    int highlighted(int level) const { return levels_[std::size_t(level)].highlight; }
    Rect levelRect(int level) const { return levels_[std::size_t(level)].rect; }
    Rect itemRect(int level, int row) const;

    // "Ctrl+T" for 't'.
    static std::string shortcutText(char shortcut);

private:
    struct Level {
        const std::vector<MenuEntry>* items = nullptr;
        Rect rect{};
        int highlight = -1;
        int shortcutX = 0;  // where shortcut texts start, from the level's left
    };

    Level layOut(const std::vector<MenuEntry>& items) const;
    void openSubmenu(int level, int row, bool highlightFirst);
    void closeAbove(int level);
    void take(const MenuEntry& entry);
    bool moveHighlight(int step);
    bool key(const platform::Event& event);
    bool mouse(const platform::Event& event);
    bool pickByCaption(const std::string& sjis);
    // The deepest level and row under a point, if any.
    std::optional<std::pair<int, int>> hit(int x, int y) const;
    const MenuEntry& entry(int level, int row) const {
        return (*levels_[std::size_t(level)].items)[std::size_t(row)];
    }

    std::vector<MenuEntry> items_;
    std::vector<Level> levels_;
    platform::FontEngine* fonts_ = nullptr;
    bool closed_ = false;
    std::optional<int> picked_;
};

}  // namespace qvl::ui
