#include "debug/snapshot_view.h"

namespace qvl {

void SnapshotView::take(const Surface& picture) {
    if (picture.empty() || rect().empty()) {
        clear();
        return;
    }
    picture_ = Surface(rect().w, rect().h);
    picture_.stretch(picture, picture.bounds(), picture_.bounds());
}

void SnapshotView::draw(Surface& target, platform::FontEngine&) {
    if (picture_.empty()) return;  // the page's face shows through
    target.blit(picture_, rect().x, rect().y);
}

}  // namespace qvl
