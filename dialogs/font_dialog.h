#pragma once
// TFfont: the player's choice of the text window's four faces: normal text, the
// two special-effect faces and the ruby face. Four drop-down lists of every face
// the platform offers, each with a sample panel drawn in the face chosen beside
// it; OK hands the four faces back, Cancel changes nothing.
#include "platform/fonts.h"
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

    // faces: every face the platform offers, in its order, each listed once under
    // its shown name; current: the font table's slots 0-3. A current face known
    // under another of its names selects its row and keeps that name while the row
    // stays chosen, so settings naming "IPAGothic" are not rewritten. A current
    // face missing from the list leaves its list without a selection.
    FontDialog(const std::vector<platform::FaceChoice>& faces, const FontFaces& current, FontDialogState& state);
    ~FontDialog() override;

    // Runs over the scene; the four faces on OK, nothing on Cancel. Headless
    // auto-play cancels it. A list without a selection keeps its current face.
    std::optional<FontFaces> run(ui::UiHost& host);

    // Selects a face in list k (0-3) by any of its names; false when the list does
    // not hold it.
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
    int rowOf(std::string_view sjisFace) const;

    std::vector<std::string> families_;            // the rows' shown names
    std::vector<std::vector<std::string>> names_;  // every name of each row
    std::array<std::string, kFontChoices> givenNames_;  // the name a list's face came by
    std::array<int, kFontChoices> givenRows_{-1, -1, -1, -1};
    FontFaces current_;
    FontDialogState& state_;
    std::array<FontCombo*, kFontChoices> combos_{};
    std::array<ui::ImageButton*, kFontChoices> samples_{};
    FontDropList* dropList_ = nullptr;
};

}  // namespace qvl
