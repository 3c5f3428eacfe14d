#include "graphics/row_plan.h"

#include <algorithm>

namespace qvl {

void RowPlan::start(int32_t width, bool darkened) {
    darkened_ = darkened;
    pieces_.clear();
    layered_.clear();
    if (width > 0) pieces_.push_back({0, width});
}

std::pair<std::size_t, std::size_t> RowPlan::range(int32_t left, int32_t right) {
    const auto cut = [this](int32_t x) {
        auto it = std::find_if(pieces_.begin(), pieces_.end(), [x](const Piece& p) { return p.right > x; });
        if (it == pieces_.end()) return pieces_.size();
        if (it->left < x) {
            Piece tail = *it;
            tail.left = x;
            it->right = x;
            it = pieces_.insert(it + 1, tail);
        }
        return std::size_t(it - pieces_.begin());
    };
    if (pieces_.empty()) return {0, 0};
    left = std::max(left, pieces_.front().left);
    right = std::min(right, pieces_.back().right);
    if (left >= right) return {0, 0};
    const std::size_t first = cut(left);
    return {first, cut(right)};
}

void RowPlan::cover(int32_t left, int32_t right, int8_t source) {
    const auto [first, end] = range(left, right);
    for (std::size_t i = first; i < end; ++i) pieces_[i] = {pieces_[i].left, pieces_[i].right, source};
}

void RowPlan::clearTop(int32_t left, int32_t right) {
    if (darkened_) return;
    const auto [first, end] = range(left, right);
    for (std::size_t i = first; i < end; ++i) pieces_[i].keep &= 0xFFFFFFu;
}

void RowPlan::drawLayered(int32_t left, int32_t right) {
    const auto [first, end] = range(left, right);
    for (std::size_t i = first; i < end; ++i)
        pieces_[i] = {pieces_[i].left, pieces_[i].right, kOwnPixels, Effect::None, ~0u, true};
}

void RowPlan::setEffect(int32_t left, int32_t right, Effect how, std::optional<int8_t> under) {
    const auto [first, end] = range(left, right);
    for (std::size_t i = first; i < end; ++i)
        if (!under || (pieces_[i].source < *under && !pieces_[i].layered)) pieces_[i].effect = how;
}

void RowPlan::finish(bool combineKeepsTop) {
    const bool darkened = darkened_;
    for (const Piece& p : pieces_) {
        if (!p.layered) continue;
        if (!layered_.empty() && layered_.back().right == p.left)
            layered_.back().right = p.right;
        else
            layered_.push_back({p.left, p.right});
    }
    std::vector<Piece>& merged = spare_;
    merged.clear();
    for (Piece p : pieces_) {
        const bool topShows = !darkened && (p.effect != Effect::Combine || combineKeepsTop);
        if (!topShows) p.keep = ~0u;
        p.layered = false;
        if (p.source == kOwnPixels && p.effect == Effect::None && p.keep == ~0u && !darkened) continue;
        Piece* last = merged.empty() ? nullptr : &merged.back();
        if (last && last->right == p.left && last->source == p.source && last->effect == p.effect &&
            last->keep == p.keep)
            last->right = p.right;
        else
            merged.push_back(p);
    }
    pieces_.swap(merged);
}

}  // namespace qvl
