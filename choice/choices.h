#pragma once
// The three looks of a choice block: a text menu, a column of picture buttons and a
// grid of pictures. Each waits, with window events flowing, until the reader takes
// an item with the pointer (or, beyond the original, the arrow keys and Enter),
// restores the screen under it and returns the item's index.
#include "choice/choice_host.h"
#include "script/control_flow.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

// The arguments of _selmenu; an empty optional is an argument not given.
struct MenuArgs {
    std::optional<int32_t> x, y;
    std::string highlight, normal;  // "#RRGGBB"; empty for the defaults
};

// The arguments of _selbutton and _selcgmode.
struct SheetArgs {
    std::optional<int32_t> x, y;
    std::string file;
    int32_t cellWidth = 0, cellHeight = 0;
    int32_t columns = 1;  // the grid only
    std::string transparency;
};

// The last choice as it was shown, for the state dump and scripted input.
struct ChoiceRecord {
    ChoiceKind kind = ChoiceKind::Menu;
    std::vector<std::string> labels;  // as collected from the block
    Rect area{};                      // the box or the picture area
    std::vector<Rect> items;          // each item's band or cell
    std::vector<bool> selectable;
    int32_t result = -1;
    bool shown = false;  // false until a choice has run
};

class Choices final : public ChoiceOperation {
public:
    Choices(ChoiceHost& host, ChoiceInput input) : host_(host), in_(std::move(input)) {}

    // The arguments for the next choose(); the command wiring sets them first.
    void setMenu(MenuArgs args) { menu_ = std::move(args); }
    void setSheet(SheetArgs args) { sheet_ = std::move(args); }
    // MenuClickSound: played to its end before a choice returns.
    void setClickSound(std::string name) { clickSound_ = std::move(name); }

    int32_t choose(ChoiceKind kind, const OptionList& options) override;

    const ChoiceRecord& last() const { return record_; }
    // Going back a page brings back the choice shown last at that page.
    void restoreLast(const ChoiceRecord& record) { record_ = record; }
    // True while a look waits for the reader.
    bool waiting() const { return waiting_; }

    // "#RRGGBB" read as the original does (the first character skipped, six hex
    // digits) as a pixel; empty: the fallback. Throws Fault on other text.
    static uint32_t readColour(const std::string& text, uint32_t fallback);

    // A coordinate argument, or the text cursor's when none was given.
    static int origin(std::optional<int32_t> given, int32_t cursor) {
        return drawCoordinate(given ? int64_t(*given) : int64_t(cursor));
    }

private:
    // What the selection loop asks of a look; the differences between the three
    // looks are all here.
    struct Look {
        int32_t count = 0;
        int32_t columns = 1;  // the arrow keys' step down; a single column wraps round
        std::function<std::optional<int32_t>(int x, int y)> itemAt;
        std::function<void(int32_t item, bool lit)> drawItem;
        // Items under the pointer that show the pen and drop a click already made.
        std::function<bool(int32_t item)> showsLocked;
        // Whether a confirm takes the item.
        std::function<bool(int32_t item)> takes;
        // What self-voicing says of an item when the highlight reaches it.
        std::function<std::string(int32_t item)> spoken;
    };

    int32_t chooseMenu(const OptionList& options);
    int32_t choosePictures(ChoiceKind kind, const OptionList& options);
    // The pointer-and-keyboard loop every look shares: the item under the pointer
    // or the one the arrow keys reached is highlighted, and a click or Enter on it
    // takes it. Returns the item taken.
    int32_t select(const Look& look);

    // The parts every look shares.
    void saveArea(Rect area);
    void restoreArea(Rect area);
    void finish();
    // Waits until the pointer leaves where it was when the look appeared (or an
    // arrow key or a scripted choice comes).
    void waitForFirstMove(platform::WaitHint hint);
    // One event through the engine, then a scripted choice turned into a pointer
    // move; returns true when it clicked.
    bool pumpOnce(platform::WaitHint hint);
    platform::WaitHint hint() const;
    // The sheet for a picture look; false after the failure message.
    bool loadSheet(const OptionList& options, std::vector<int32_t>& values);
    // The wait for the first move, then a clean start of the selection loop.
    platform::WaitHint startSelection();
    // The arrow key waiting, as a step through the items (grid: columns wide);
    // moves the highlight to the next item that can be taken that way.
    // lit: the current item shows highlighted (else the first key picks an end).
    std::optional<int32_t> keyboardStep(int32_t current, int32_t columns, bool lit);

    ChoiceHost& host_;
    ChoiceInput in_;
    MenuArgs menu_;
    SheetArgs sheet_;
    std::string clickSound_;
    ChoiceRecord record_;
    bool waiting_ = false;
    bool pendingClick_ = false;  // a scripted choice clicked during the first wait
    bool keyboard_ = false;      // the highlight was last moved by the arrow keys
};

}  // namespace qvl
