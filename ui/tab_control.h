#pragma once
// A row of tabs over a framed page. The owner shows the widgets of the current
// page; the control only draws the tabs and the page's frame and reports changes.
#include "ui/widget.h"

#include <functional>
#include <string>
#include <vector>

namespace qvl::ui {

class TabControl : public Widget {
public:
    static constexpr int kTabHeight = 20;
    // The page's client area starts this far inside the frame.
    static constexpr int kPageInset = 4;

    TabControl(Rect rect, std::vector<std::string> sjisCaptions);

    int current() const { return current_; }
    int count() const { return int(captions_.size()); }
    const std::string& caption(int tab) const { return captions_[std::size_t(tab)]; }
    // Out-of-range tabs change nothing; reports the change when there is one.
    void select(int tab);
    // Where the pages' widgets go: inside the frame below the tabs.
    Rect pageRect() const;
    // A tab's header; wider for the current one, which stands out.
    Rect tabRect(int tab) const;

    std::function<void(int)> onChange;

    bool focusable() const override { return visible() && enabled(); }
    void draw(Surface& overlay, platform::FontEngine& fonts) override;
    bool handle(const platform::Event& event) override;

protected:
    std::string shownText() const override {
        return current_ >= 0 && current_ < count() ? captions_[std::size_t(current_)] : std::string();
    }

private:
    void layOut(platform::FontEngine* fonts);

    std::vector<std::string> captions_;
    std::vector<int> widths_;  // header widths from the captions' text widths
    int current_ = 0;
};

}  // namespace qvl::ui
