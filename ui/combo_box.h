#pragma once
// A drop-down list: a box showing the chosen item and an arrow button; a click
// opens the list of items below it, a click on an item chooses it and closes the
// list, a click elsewhere closes it. Up and Down choose the neighbouring item
// while it is closed. Every choice is reported, the same item chosen again too.
#include "ui/widget.h"

#include <functional>
#include <string>
#include <vector>

namespace qvl::ui {

class ComboBox : public Widget {
public:
    static constexpr int kHeight = 20;
    static constexpr int kItemHeight = 15;

    // rect: the closed box (its height is kHeight whatever is given).
    // maxRows: the most items the open list shows at once.
    ComboBox(Rect rect, std::vector<std::string> sjisItems, int maxRows = 17);

    const std::vector<std::string>& items() const { return items_; }
    int selected() const { return selected_; }
    // -1 shows nothing; no report.
    void setSelected(int item);
    // As a person's pick from the list: chosen and reported.
    void choose(int item);

    bool dropped() const { return dropped_; }
    void setDropped(bool on);
    // The open list's rectangle (below the box, or above it when the given
    // bottom edge leaves no room).
    Rect listRect() const;
    // The lowest y the open list may reach (the owner's client height).
    void setBottomLimit(int y) { bottomLimit_ = y; }
    // True while the control wants every mouse event, wherever it is.
    bool capturesMouse() const { return dropped_; }

    std::function<void(int)> onChange;

    bool focusable() const override { return visible() && enabled(); }
    void draw(Surface& overlay, platform::FontEngine& fonts) override;
    // The open list, drawn by the owner after every other widget so it lies on top.
    void drawList(Surface& overlay, platform::FontEngine& fonts);
    bool handle(const platform::Event& event) override;

protected:
    std::string shownText() const override {
        return selected_ >= 0 && selected_ < int(items_.size()) ? items_[std::size_t(selected_)] : std::string();
    }

private:
    int visibleRows() const;
    int rowAt(int x, int y) const;

    std::vector<std::string> items_;
    int maxRows_;
    int selected_ = -1;
    int highlight_ = -1;
    int top_ = 0;
    bool dropped_ = false;
    int bottomLimit_ = 1 << 20;
};

}  // namespace qvl::ui
