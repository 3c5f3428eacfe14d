#include "save/status_file.h"

#include "base/fault.h"
#include "base/numbers.h"
#include "base/sjis.h"

#include <climits>
#include <functional>
#include <optional>
#include <vector>

namespace qvl {

namespace {

// The ranges a loaded number must lie in: wide enough for anything a script can
// make, narrow enough that the arithmetic on it cannot overflow.
constexpr int32_t kAny = INT32_MAX;
constexpr int32_t kPosition = 1 << 25;  // coordinates, with the sprites' not-drawn bit
constexpr int32_t kSize = 1 << 16;      // cell and font sizes, sheet cells
constexpr int32_t kSmall = 1'000'000;   // switches read as numbers, delays, kinds
constexpr int32_t kCount = 1 << 30;     // play counts and track times, with room to add

}  // namespace

std::string SaveFileFault::tooLong() { return std::to_string(kMaxSaveLine) + "バイト以下の行"; }

namespace {

// One line of the file: how to write it and how to read it back. read returns
// what the line should have held (UTF-8) when it holds something else.
struct Line {
    std::function<std::string()> write;
    std::function<std::optional<std::string>(const std::string&)> read;
};

std::optional<std::string> rangeError(const std::string& t, int64_t lo, int64_t hi, int32_t& out) {
    auto v = parseInt(t);
    if (v && *v >= lo && *v <= hi) {
        out = *v;
        return std::nullopt;
    }
    if (lo == INT32_MIN && hi == INT32_MAX) return std::string("整数");
    return std::to_string(lo) + "から" + std::to_string(hi) + "までの整数";
}

class Layout {
public:
    explicit Layout(SavePointSnapshot& s) : s_(s) { build(); }
    const std::vector<Line>& lines() const { return lines_; }

private:
    void number(int32_t& v, int32_t lo, int32_t hi) {
        lines_.push_back({[&v] { return std::to_string(v); },
                          [&v, lo, hi](const std::string& t) { return rangeError(t, lo, hi, v); }});
    }
    // Symmetric ranges, the usual case.
    void number(int32_t& v, int32_t limit = kAny) { number(v, limit == kAny ? INT32_MIN : -limit, limit); }
    template <typename B>
    void flag(B& v) {
        // Written from a byte; any other number reads as 1.
        lines_.push_back({[&v] { return std::to_string(int(v)); },
                          [&v](const std::string& t) -> std::optional<std::string> {
                              int32_t n = 0;
                              if (auto e = rangeError(t, INT32_MIN, INT32_MAX, n)) return e;
                              v = n != 0;
                              return std::nullopt;
                          }});
    }
    void colour(uint32_t& v) {
        lines_.push_back({[&v] { return std::to_string(int32_t(v)); },
                          [&v](const std::string& t) -> std::optional<std::string> {
                              int32_t n = 0;
                              if (auto e = rangeError(t, INT32_MIN, INT32_MAX, n)) return e;
                              v = uint32_t(n);
                              return std::nullopt;
                          }});
    }
    void text(std::string& v) {
        lines_.push_back({[&v] { return v; }, [&v](const std::string& t) -> std::optional<std::string> {
                              v = t;
                              return std::nullopt;
                          }});
    }
    void reserved() {
        lines_.push_back({[] { return std::string("0"); }, [](const std::string& t) {
                              int32_t n = 0;
                              return rangeError(t, INT32_MIN, INT32_MAX, n);
                          }});
    }
    void ignored(std::string& v) {
        lines_.push_back({[&v] { return v; }, [](const std::string&) -> std::optional<std::string> { return {}; }});
    }
    // Persons and their masks (9-14), then the other surfaces (0-8).
    template <typename F>
    void persons(F f) {
        for (int i = 9; i <= 14; ++i) f(s_.surfaces[std::size_t(i)]);
    }
    template <typename F>
    void others(F f) {
        for (int i = 0; i <= 8; ++i) f(s_.surfaces[std::size_t(i)]);
    }
    template <typename F>
    void sprites(F f) {
        for (SpriteSlot& slot : s_.sprites) f(slot);
    }
    template <typename F>
    void channels(F f) {
        for (PlaybackChannel& c : s_.channels) f(c);
    }

    void build() {
        SavePointSnapshot& s = s_;
        TextWindowState& t = s.textWindow;
        InterpreterState& p = s.interpreter;
        ignored(s.ProgChapter);
        persons([&](SurfaceState& v) { number(v.maskMode, kSmall); });
        persons([&](SurfaceState& v) { number(v.spare); });
        persons([&](SurfaceState& v) { number(v.x, kPosition); });
        persons([&](SurfaceState& v) { number(v.y, kPosition); });
        persons([&](SurfaceState& v) { number(v.order, kSmall); });
        others([&](SurfaceState& v) { number(v.maskMode, kSmall); });
        others([&](SurfaceState& v) { number(v.spare); });
        others([&](SurfaceState& v) { number(v.x, kPosition); });
        others([&](SurfaceState& v) { number(v.y, kPosition); });
        others([&](SurfaceState& v) { number(v.order, kSmall); });
        sprites([&](SpriteSlot& v) { number(v.x, kPosition); });
        sprites([&](SpriteSlot& v) { number(v.y, kPosition); });
        sprites([&](SpriteSlot& v) { number(v.column, kSize); });
        sprites([&](SpriteSlot& v) { number(v.row, kSize); });
        sprites([&](SpriteSlot& v) { number(v.animationCount); });
        channels([&](PlaybackChannel& c) { number(c.playCount, 0, kCount); });
        channels([&](PlaybackChannel& c) { number(c.loopLimit); });
        channels([&](PlaybackChannel& c) { number(c.trackStart, kCount); });
        channels([&](PlaybackChannel& c) { number(c.trackLength, kCount); });
        for (int32_t& r : p.ProgRetAddr) number(r, -1, kMaxScriptLine);
        number(t.cursorX, kPosition);
        number(t.cursorY, kPosition);
        number(t.outlineMode, 0, 1);
        number(t.cellWidth, kSize);
        number(t.cellHeight, kSize);
        number(t.rubyGap, kSize);
        number(t.fontHeight, kSize);
        number(t.rubyHeight, kSize);
        number(t.leftEdge, kPosition);
        number(t.rightLimit, kPosition);
        number(t.bottomLimit, kPosition);
        number(t.sizeIndex, kSize);
        number(t.originX, kPosition);
        number(t.originY, kPosition);
        number(s.lineLargestSize, kSize);
        number(t.fontIndex, 0, 6);
        number(t.charDelay, kSmall);
        number(s.spriteSheet.columns, 0, kSize);
        number(s.spriteSheet.rows, 0, kSize);
        number(s.spriteSheet.cellWidth, kSize);
        number(s.spriteSheet.cellHeight, kSize);
        reserved();
        number(p.ProgExecLine, 0, kMaxScriptLine);
        number(p.ProgNextLine, -1, kMaxScriptLine);
        number(p.ProgTextPos, 0, kMaxScriptLine);
        number(p.ProgRetStack, -1, kReturnStackSize - 1);
        number(p.ProgIfResult, kSmall);
        number(p.ProgSelResult, kSmall);
        number(p.ProgMultiStateFlag, 0, 2);
        number(s.ClickFlagIndex, -1, 511);
        reserved();
        reserved();
        reserved();
        persons([&](SurfaceState& v) { number(v.effectKind, kSmall); });
        others([&](SurfaceState& v) { number(v.effectKind, kSmall); });
        persons([&](SurfaceState& v) { number(v.colourKey); });
        others([&](SurfaceState& v) { number(v.colourKey); });
        colour(t.textColour);
        colour(t.shadowColour);
        number(s.spriteSheet.colourKey);
        persons([&](SurfaceState& v) { flag(v.spareFlag); });
        persons([&](SurfaceState& v) { flag(v.shown); });
        persons([&](SurfaceState& v) { flag(v.loaded); });
        persons([&](SurfaceState& v) { flag(v.masked); });
        others([&](SurfaceState& v) { flag(v.shown); });
        others([&](SurfaceState& v) { flag(v.loaded); });
        others([&](SurfaceState& v) { flag(v.masked); });
        others([&](SurfaceState& v) { flag(v.spareFlag); });
        channels([&](PlaybackChannel& c) { flag(c.playing); });
        channels([&](PlaybackChannel& c) { flag(c.deviceOpen); });
        channels([&](PlaybackChannel& c) { flag(c.resumePending); });
        sprites([&](SpriteSlot& v) { flag(v.visible); });
        flag(s.whiteText);
        flag(t.shadowOn);
        flag(t.textVisible);
        flag(s.spriteSheet.masked);
        flag(s.spriteSheet.valid);
        flag(s.lineMode);
        flag(s.darknessSuppressed);
        flag(s.popupSuppressed);
        reserved();
        for (std::string& l : s.OptionLabels) text(l);
        for (std::string& c : s.OptionCommands) text(c);
        persons([&](SurfaceState& v) { text(v.fileName); });
        persons([&](SurfaceState& v) { text(v.maskName); });
        others([&](SurfaceState& v) { text(v.fileName); });
        others([&](SurfaceState& v) { text(v.maskName); });
        channels([&](PlaybackChannel& c) { text(c.fileName); });
        for (std::string& a : p.ProgArgs) text(a);
        text(s.ProgChapter);
        text(t.fontName);
        text(t.rubyFontName);
        text(s.spriteSheet.fileName);
        text(s.spriteSheet.maskName);
        text(p.ProgFileName);
        text(s.autoRefreshMode);
    }

    SavePointSnapshot& s_;
    std::vector<Line> lines_;
};

}  // namespace

std::string writeStatusFile(const SavePointSnapshot& snapshot) {
    // The layout binds references; writing changes nothing.
    SavePointSnapshot copy = snapshot;
    Layout layout(copy);
    std::string out;
    for (const Line& line : layout.lines()) out += line.write() + "\r\n";
    return out;
}

void readStatusFile(std::string_view bytes, SavePointSnapshot& into) {
    const std::vector<std::string> lines = sjis::splitLines(bytes, false);
    // Read into a copy: a bad line leaves the snapshot as it was.
    SavePointSnapshot read = into;
    Layout layout(read);
    if (lines.size() < layout.lines().size())
        throw SaveFileFault(int(lines.size()) + 1, "",
                            std::to_string(layout.lines().size()) + "行のはずが" + std::to_string(lines.size()) +
                                "行で終わっています");
    for (std::size_t i = 0; i < layout.lines().size(); ++i) {
        if (lines[i].size() > kMaxSaveLine) throw SaveFileFault(int(i) + 1, lines[i], SaveFileFault::tooLong());
        if (auto expected = layout.lines()[i].read(lines[i])) throw SaveFileFault(int(i) + 1, lines[i], *expected);
    }
    into = std::move(read);
}

}  // namespace qvl
