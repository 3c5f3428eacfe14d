#pragma once
// A list of Shift-JIS rows with one selected row, a vertical scroll bar, the wheel
// and the cursor keys. Enter or a double click activates the selected row.
#include "ui/widget.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvl::ui {

class ListBox : public Widget {
public:
    explicit ListBox(Rect rect) : Widget(rect) {}

    static constexpr uint32_t kDoubleClickMs = 400;

    void setRows(std::vector<std::string> sjisRows);  // selection cleared, scrolled to the top
    // Selection and scrolling stay as they are.
    void addRow(std::string sjis) { rows_.push_back(std::move(sjis)); }
    void setRow(int row, std::string sjis) {
        if (row >= 0 && row < int(rows_.size())) rows_[std::size_t(row)] = std::move(sjis);
    }
    const std::vector<std::string>& rows() const { return rows_; }
    int selected() const { return selected_; }
    // -1 clears; out-of-range values are clamped. Scrolls the row into view.
    void select(int row);
    int topRow() const { return top_; }
    int visibleRows() const;

    std::function<void(int)> onSelect;    // the selection moved to this row
    std::function<void(int)> onActivate;  // Enter or a double click on this row

    bool focusable() const override { return visible() && enabled(); }
    void draw(Surface& overlay, platform::FontEngine& fonts) override;
    bool handle(const platform::Event& event) override;

protected:
    std::string shownText() const override {
        return selected_ >= 0 && selected_ < int(rows_.size()) ? rows_[std::size_t(selected_)] : std::string();
    }

private:
    bool key(const platform::Event& event);
    bool mouseDown(const platform::Event& event);
    void scrollTo(int top);
    void moveSelection(int row);  // select and report
    bool hasScrollBar() const;
    Rect rowsArea() const;
    Rect scrollBarArea() const;
    Rect thumb() const;
    void activate(int row);

    std::vector<std::string> rows_;
    int selected_ = -1;
    int top_ = 0;
    int lastClickRow_ = -1;
    uint32_t lastClickTicks_ = 0;
    int dragOffset_ = -1;  // where in the thumb it was grabbed, -1 when not dragging
};

}  // namespace qvl::ui
