#pragma once
// Rollback: the save points of the last pages, kept in memory, so the player can
// go back a page (or several) after a mis-click and read or choose again. Going
// back is a load from memory; what is never part of a save point (global flags,
// read marks, the player's options) is never taken back.
#include "choice/choices.h"
#include "save/save_point.h"
#include "text/message_log.h"

#include <cstddef>
#include <deque>
#include <optional>

namespace qvl {

class Rollback {
public:
    // The pages kept, the current one included.
    static constexpr std::size_t kMaxPages = 51;

    // Beyond the save point, what a file need not keep but going back should
    // bring back too, so the page is exactly as it was: the whole option list, the
    // last choice as shown, and whether the scene waited to be shown again.
    struct Extras {
        OptionList options;
        ChoiceRecord choice;
        bool sceneDirty = false;
    };
    struct Page {
        SavePointSnapshot snapshot;
        MessageLog log;  // as it stood right after the save point
        Extras extras;
    };

    // At each save point: the new page on top; the oldest goes past kMaxPages.
    // Right after a page was taken back, a save point at the same place (a line
    // resumed in its middle clears the window again) replaces it instead.
    void record(const SavePointSnapshot& snapshot, const MessageLog& log, const Extras& extras);
    // A load or the title starts a history of its own: the loaded page alone.
    void restart(const SavePointSnapshot& snapshot, const MessageLog& log, const Extras& extras);
    void clear() { pages_.clear(); }

    // How many pages back there are to go.
    int available() const { return pages_.empty() ? 0 : int(pages_.size()) - 1; }
    // The page n back from the current one (1: the previous page), which becomes
    // the current one; the pages after it are dropped. Nothing when n is out of reach.
    std::optional<Page> goBack(int n);
    // The pages back to the page the message log shows `offset` pages back from its
    // current one; nothing when that page is no longer kept.
    std::optional<int> pagesBackToLogPage(int offset, const MessageLog& log) const;

    // What the history holds in memory, in bytes (strings included).
    std::size_t memoryBytes() const;

private:
    std::deque<Page> pages_;
    bool resumed_ = false;
};

}  // namespace qvl
