#pragma once
// One row of the composed scene as pieces that each take their pixels from one place:
// the background, one person's picture, or the row itself (where nothing covers it,
// or where only drawing layer after layer gives the pixel). Each piece is then written
// once, with the effect and the darkening over it, straight from its source. Rows
// mostly look like the row above, so a plan is worked out again only when the
// layers' runs change.
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace qvl {

class RowPlan {
public:
    static constexpr int8_t kOwnPixels = -1;  // a piece's source: the row itself
    enum class Effect : uint8_t {
        None,     // not combined
        Combine,  // every pixel combined with the effect
        ByMask,   // combined where the effect's mask pixel is black
    };
    struct Piece {
        int32_t left = 0, right = 0;  // columns [left, right)
        int8_t source = kOwnPixels;   // which layer the pixels come from
        Effect effect = Effect::None;
        uint32_t keep = ~0u;  // ANDed with each source pixel first
        bool layered = false;
    };
    struct Columns {
        int32_t left = 0, right = 0;
    };

    // A new plan for a row width pixels wide, every pixel the row's own. darkened:
    // every pixel is darkened at the end, which drops the top byte.
    void start(int32_t width, bool darkened);
    // Columns [left, right) now come from source, as they are there.
    void cover(int32_t left, int32_t right, int8_t source);
    // What [left, right) have so far stays, its top byte cleared (moot when darkened).
    void clearTop(int32_t left, int32_t right);
    // [left, right) are drawn into the row layer after layer first, then read from it.
    void drawLayered(int32_t left, int32_t right);
    // How the effect goes over [left, right); called after the layers are laid out.
    // An effect lying under the layers from source `under` upwards reaches only the
    // pieces whose source lies below them and that are not drawn layered (those draw
    // it themselves).
    void setEffect(int32_t left, int32_t right, Effect how, std::optional<int8_t> under = std::nullopt);
    // Ends the plan: the top byte is kept only where the result shows it, pieces
    // alike become one, and pieces that would leave the row as it is go.
    // combineKeepsTop: the effect's rule passes the scene pixel's top byte on.
    void finish(bool combineKeepsTop);

    std::span<const Piece> pieces() const { return pieces_; }
    std::span<const Columns> layered() const { return layered_; }

private:
    // Splits pieces at left and right; returns the index range now covering [left, right).
    std::pair<std::size_t, std::size_t> range(int32_t left, int32_t right);

    std::vector<Piece> pieces_, spare_;
    std::vector<Columns> layered_;
    bool darkened_ = false;
};

}  // namespace qvl
