#pragma once
// The 512 flag slots: texts read as integers through $flg and as text through
// @flg. 0-255 belong to the game being played, 256-511 are global.
#include "base/numbers.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qvl {

inline constexpr int kFlagCount = 512;
inline constexpr int kGameFlagCount = 256;

// Told about every changed slot; the debug window attaches one only in debug
// mode, so an ordinary run does no row formatting at all.
class FlagObserver {
public:
    virtual ~FlagObserver() = default;
    virtual void flagChanged(int index, const std::string& text) = 0;
};

// The debug list's row for a slot: "%03d = " and the text.
inline std::string flagRowText(int index, const std::string& text) {
    char head[16];
    std::snprintf(head, sizeof head, "%03d = ", index);
    return head + text;
}

class FlagStore {
public:
    FlagStore() { Flags.fill("0"); }

    static constexpr bool inRange(int32_t index) { return index >= 0 && index < kFlagCount; }

    // range 0: game flags, 1: global flags, 2: all; other ranges change nothing.
    // Every row is refreshed afterwards, whatever the range.
    void clearFlags(int32_t range, const std::string& text) {
        int from = range == 1 ? kGameFlagCount : 0;
        int to = range == 0 ? kGameFlagCount : range == 1 || range == 2 ? kFlagCount : 0;
        for (int i = from; i < to; ++i) Flags[std::size_t(i)] = text;
        if (observer_)
            for (int i = 0; i < kFlagCount; ++i) observer_->flagChanged(i, Flags[std::size_t(i)]);
    }

    // Targets come out of ParseFlagTarget, so they are in range; anything else
    // is dropped rather than trusted.
    void setFlagText(int32_t index, std::string text) {
        if (!inRange(index)) return;
        Flags[std::size_t(index)] = std::move(text);
        if (observer_) observer_->flagChanged(index, Flags[std::size_t(index)]);
    }

    // Empty text for an index outside the table.
    const std::string& text(int32_t index) const {
        static const std::string kEmpty;
        return inRange(index) ? Flags[std::size_t(index)] : kEmpty;
    }

    // $flg: empty text is 0; text that is not a number is a run-time fault.
    int32_t value(int32_t index) const { return toIntOr(text(index), 0); }

    void setObserver(FlagObserver* observer) { observer_ = observer; }

    std::array<std::string, kFlagCount> Flags;

private:
    FlagObserver* observer_ = nullptr;
};

}  // namespace qvl
