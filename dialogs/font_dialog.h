#pragma once
// TFfont: the player's choice of the text window's four faces: normal text, the
// two special-effect faces and the ruby face. Four drop-down lists of every face
// the platform offers, each with a sample panel drawn in the face chosen beside
// it; OK hands the four faces back, Cancel changes nothing.
#include "ui/dialog.h"
#include "ui/image_button.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

inline constexpr int kFontChoices = 4;
using FontFaces = std::array<std::string, kFontChoices>;  // Shift-JIS names

// What the engine sees of the dialog: whether it is open and the faces its lists
// show right now (empty: no selection).
struct FontDialogState {
    bool open = false;
    FontFaces faces;
};

class FontCombo;
class FontDropList;

class FontDialog : public ui::Dialog {
public:
    static constexpr int kClientWidth = 618;
    static constexpr int kClientHeight = 273;
    static constexpr uint32_t kColour = 0xA0D0D0;

    // families: every face the platform offers, in its order; current: the font
    // table's slots 0-3. A current face missing from the families leaves its list
    // without a selection.
    FontDialog(std::vector<std::string> families, const FontFaces& current, FontDialogState& state);
    ~FontDialog() override;

    // Runs over the scene; the four faces on OK, nothing on Cancel. Headless
    // auto-play cancels it. A list without a selection keeps its current face.
    std::optional<FontFaces> run(ui::UiHost& host);

    // Selects a face in list k (0-3); false when the list does not hold it.
    bool choose(int list, std::string_view sjisFace);
    // The face list k shows; empty without a selection.
    std::string face(int list) const;
    const std::vector<std::string>& families() const { return families_; }
    const ui::ImageButton& sample(int list) const { return *samples_[std::size_t(list)]; }
    Rect comboRect(int list) const;
    bool dropped() const;

protected:
    bool onPick(const platform::Event& event) override;
    void drawFace(Surface& overlay, platform::FontEngine& fonts) override;

private:
    void selectionChanged(int list);

    std::vector<std::string> families_;
    FontFaces current_;
    FontDialogState& state_;
    std::array<FontCombo*, kFontChoices> combos_{};
    std::array<ui::ImageButton*, kFontChoices> samples_{};
    FontDropList* dropList_ = nullptr;
};

}  // namespace qvl
