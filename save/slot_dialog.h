#pragma once
// The save/load slot dialog (TFfile): 80 slots, four a page on 20 pages, each row
// showing the chapter title and time of its save or "データがありません". One dialog
// serves both ways; its background colour tells which.
#include "ui/dialog.h"
#include "ui/image_button.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

// What outlives an opening: the page the player last looked at, 0-19.
struct SlotDialogState {
    int page = 0;
};

class SlotDialog : public ui::Dialog {
public:
    static constexpr int kSlots = 80;
    static constexpr int kRowsPerPage = 4;
    static constexpr int kPages = kSlots / kRowsPerPage;

    struct Row {
        std::string text;  // Shift-JIS
        bool hasData = false;
        std::string spoken;  // for self-voicing: "3番 chapter 2000/01/01 12:00"
    };
    // The list as an opening shows it: slot index i is slot number i + 1, whose
    // status file data<n>.hsd gives the chapter title (its first line) and the time.
    // A save a crash cut short is finished first, so the list shows the slot as a
    // load will find it. A folder that is no folder shows every slot empty.
    static std::vector<Row> readRows(const std::filesystem::path& saveFolder);

    // Asks the overwrite question (title, text; Shift-JIS); the engine's box by default.
    using Ask = std::function<platform::Answer(const std::string&, const std::string&)>;

    SlotDialog(bool saveMode, const std::filesystem::path& saveFolder, SlotDialogState& state, Ask ask = {});

    // Runs over the scene until a slot is taken (its number, 1-80) or the dialog is
    // cancelled. Headless auto-play cancels it.
    std::optional<int> run(ui::UiHost& host);

    int page() const { return state_.page; }
    void showPage(int page);
    // The page indicator, "3/20".
    std::string pageText() const;
    const ui::ImageButton& row(int k) const { return *rows_[std::size_t(k)]; }
    const ui::ImageButton& previousButton() const { return *previous_; }
    const ui::ImageButton& nextButton() const { return *next_; }
    const ui::ImageButton& closeButton() const { return *cancel_; }

protected:
    bool onKey(const platform::Event& event) override;
    bool onAnswer(platform::Answer answer) override;
    bool onWheel(const platform::Event& event) override;
    bool onPick(const platform::Event& event) override;
    void drawFace(Surface& overlay, platform::FontEngine& fonts) override;
    std::string openingSpeech() const override;
    void drawOver(Surface& overlay, platform::FontEngine& fonts) override;
    bool onPointer(const platform::Event& event) override;

private:
    void take(int k);
    bool turn(int pages);
    bool moveFocus(int step);
    int focusedRow() const;
    void finish(platform::Answer answer);
    // The slot whose thumbnail shows: the row under the pointer, else the focused
    // one; -1 for none (an empty slot shows none).
    int previewRow() const;
    const std::optional<Surface>& thumbnail(int slot);

    bool saveMode_;
    SlotDialogState& state_;
    std::vector<Row> slots_;
    std::array<ui::ImageButton*, kRowsPerPage> rows_{};  // TkBtn6 ... TkBtn9
    ui::ImageButton* previous_ = nullptr;                // TkBtn1
    ui::ImageButton* next_ = nullptr;                    // TkBtn2
    ui::ImageButton* cancel_ = nullptr;                  // TkBtn5
    std::optional<int> chosen_;
    Ask ask_;
    std::filesystem::path folder_;
    int pointerRow_ = -1;
    std::map<int, std::optional<Surface>> thumbnails_;  // read when first shown
};

// Shows the dialog over the scene; the chosen slot number 1-80, or nothing when
// the player cancels.
std::optional<int> chooseSlot(ui::UiHost& host, bool saveMode, const std::filesystem::path& saveFolder,
                              SlotDialogState& state, SlotDialog::Ask ask = {});

}  // namespace qvl
