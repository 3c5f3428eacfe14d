#pragma once
// The text menu: one line a label in a framed box drawn straight onto the screen.
#include "choice/choice_host.h"
#include "choice/choices.h"

#include <cstdint>
#include <optional>

namespace qvl {

class MenuLook {
public:
    // Lays the box out at its place (the text cursor's when none is given) and
    // records its area and each label's band. A bad colour is a fault.
    MenuLook(ChoiceHost& host, const MenuArgs& args, const OptionList& options, ChoiceRecord& record);

    Rect area() const { return {x_, y_, w_, h_}; }
    // The frame and every label in the normal colour, shown.
    void draw();
    // One label, highlighted or plain, shown.
    void drawItem(int32_t item, bool lit);
    // The label under the pointer; nothing outside the box's inner band.
    std::optional<int32_t> itemAt(int px, int py) const;

private:
    void label(int32_t item, int dx, int dy, uint32_t colour);

    ChoiceHost& host_;
    const OptionList& options_;
    const TextWindowState& text_;
    const ChoiceRecord& record_;
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    uint32_t high_ = 0, normal_ = 0;
    platform::FontSpec font_;  // the text window's face when the menu opened
};

}  // namespace qvl
