#pragma once
// A single-line text field. Text arrives as committed UTF-8 from the keyboard or
// input method and is kept as Shift-JIS, limited to a byte count the way the
// original's fixed buffers were; the input method's composition shows underlined
// at the caret until it is committed.
#include "ui/widget.h"

#include <cstddef>
#include <functional>
#include <string>

namespace qvl::ui {

class EditField : public Widget {
public:
    explicit EditField(Rect rect, std::size_t maxBytes = 255) : Widget(rect), maxBytes_(maxBytes) {}

    const std::string& text() const { return text_; }
    // Cut to maxBytes at a character boundary; the caret goes to the end.
    void setText(std::string_view sjis);
    std::size_t maxBytes() const { return maxBytes_; }
    void setMaxBytes(std::size_t maxBytes);
    std::size_t caret() const { return caret_; }
    const std::string& composition() const { return composition_; }
    // Marks the whole text selected, so the first typed character replaces it
    // (a proposed name is overwritten, not appended to).
    void selectAll() { allSelected_ = !text_.empty(); }
    bool allSelected() const { return allSelected_; }

    std::function<void()> onChange;

    bool focusable() const override { return visible() && enabled(); }
    void draw(Surface& overlay, platform::FontEngine& fonts) override;
    bool handle(const platform::Event& event) override;

protected:
    void focusChanged() override;

protected:
    std::string shownText() const override { return text_; }

private:
    void insert(std::string_view sjis);
    // Drops the selected text; true when there was a selection.
    bool dropSelection();
    bool key(const platform::Event& event);
    void changed();
    void scrollToCaret(platform::FontEngine& fonts);
    std::size_t caretFromX(int x);

    std::string text_;
    std::string composition_;  // Shift-JIS
    std::size_t caret_ = 0;    // byte index, on a character boundary
    std::size_t scroll_ = 0;   // first byte shown
    std::size_t maxBytes_;
    bool allSelected_ = false;
    platform::FontEngine* lastFonts_ = nullptr;  // for placing the caret on a click
};

}  // namespace qvl::ui
