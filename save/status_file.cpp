#include "save/status_file.h"

#include "base/fault.h"
#include "base/numbers.h"
#include "base/sjis.h"

#include <functional>
#include <vector>

namespace qvl {

namespace {

// One line of the file: how to write it and how to read it back.
struct Line {
    std::function<std::string()> write;
    std::function<void(const std::string&)> read;
};

class Layout {
public:
    explicit Layout(SavePointSnapshot& s) : s_(s) { build(); }
    const std::vector<Line>& lines() const { return lines_; }

private:
    void number(int32_t& v) {
        lines_.push_back({[&v] { return std::to_string(v); }, [&v](const std::string& t) { v = toInt(t); }});
    }
    void flag(uint8_t& v) {
        // Written from a byte; anything but 0 reads as 1.
        lines_.push_back({[&v] { return std::to_string(int(v)); }, [&v](const std::string& t) { v = toInt(t) != 0; }});
    }
    void flag(bool& v) {
        lines_.push_back(
            {[&v] { return std::string(v ? "1" : "0"); }, [&v](const std::string& t) { v = toInt(t) != 0; }});
    }
    void colour(uint32_t& v) {
        lines_.push_back(
            {[&v] { return std::to_string(int32_t(v)); }, [&v](const std::string& t) { v = uint32_t(toInt(t)); }});
    }
    void text(std::string& v) {
        lines_.push_back({[&v] { return v; }, [&v](const std::string& t) { v = t; }});
    }
    void reserved() {
        lines_.push_back({[] { return std::string("0"); }, [](const std::string& t) { (void)toInt(t); }});
    }
    void ignored(std::string& v) {
        lines_.push_back({[&v] { return v; }, [](const std::string&) {}});
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
        persons([&](SurfaceState& v) { number(v.maskMode); });
        persons([&](SurfaceState& v) { number(v.spare); });
        persons([&](SurfaceState& v) { number(v.x); });
        persons([&](SurfaceState& v) { number(v.y); });
        persons([&](SurfaceState& v) { number(v.order); });
        others([&](SurfaceState& v) { number(v.maskMode); });
        others([&](SurfaceState& v) { number(v.spare); });
        others([&](SurfaceState& v) { number(v.x); });
        others([&](SurfaceState& v) { number(v.y); });
        others([&](SurfaceState& v) { number(v.order); });
        sprites([&](SpriteSlot& v) { number(v.x); });
        sprites([&](SpriteSlot& v) { number(v.y); });
        sprites([&](SpriteSlot& v) { number(v.column); });
        sprites([&](SpriteSlot& v) { number(v.row); });
        sprites([&](SpriteSlot& v) { number(v.animationCount); });
        channels([&](PlaybackChannel& c) { number(c.playCount); });
        channels([&](PlaybackChannel& c) { number(c.loopLimit); });
        channels([&](PlaybackChannel& c) { number(c.trackStart); });
        channels([&](PlaybackChannel& c) { number(c.trackLength); });
        for (int32_t& r : p.ProgRetAddr) number(r);
        number(t.cursorX);
        number(t.cursorY);
        number(t.outlineMode);
        number(t.cellWidth);
        number(t.cellHeight);
        number(t.rubyGap);
        number(t.fontHeight);
        number(t.rubyHeight);
        number(t.leftEdge);
        number(t.rightLimit);
        number(t.bottomLimit);
        number(t.sizeIndex);
        number(t.originX);
        number(t.originY);
        number(s.lineLargestSize);
        number(t.fontIndex);
        number(t.charDelay);
        number(s.spriteSheet.columns);
        number(s.spriteSheet.rows);
        number(s.spriteSheet.cellWidth);
        number(s.spriteSheet.cellHeight);
        reserved();
        number(p.ProgExecLine);
        number(p.ProgNextLine);
        number(p.ProgTextPos);
        number(p.ProgRetStack);
        number(p.ProgIfResult);
        number(p.ProgSelResult);
        number(p.ProgMultiStateFlag);
        number(s.ClickFlagIndex);
        reserved();
        reserved();
        reserved();
        persons([&](SurfaceState& v) { number(v.effectKind); });
        others([&](SurfaceState& v) { number(v.effectKind); });
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
        throw Fault("the status file has " + std::to_string(lines.size()) + " lines, not " +
                    std::to_string(layout.lines().size()));
    for (std::size_t i = 0; i < layout.lines().size(); ++i) layout.lines()[i].read(lines[i]);
    into = std::move(read);
}

}  // namespace qvl
