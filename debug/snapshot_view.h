#pragma once
// A picture box that shows a copy of a surface stretched to its own size. The
// copy is taken when set; later changes of the surface do not show.
#include "ui/widget.h"

namespace qvl {

class SnapshotView : public ui::Widget {
public:
    explicit SnapshotView(Rect rect) : Widget(rect) {}

    // An empty surface clears the picture.
    void take(const Surface& picture);
    void clear() { picture_ = Surface(); }
    // The stretched copy; empty when there is none.
    const Surface& picture() const { return picture_; }

    void draw(Surface& target, platform::FontEngine& fonts) override;

private:
    Surface picture_;
};

}  // namespace qvl
