#pragma once
// The text window: the scenario's text drawn a character at a time onto a grid
// over the scene, with line and page waits, the click-wait icon and read-text
// skipping. It walks each line itself and hands the inline codes to the parts
// it is made of: control sequences, ruby and embedded values; the text commands
// go to TextCommands. All of them draw through one TextLayer.
#include "text/control_sequence.h"
#include "text/ruby_and_values.h"
#include "text/text_commands.h"
#include "text/text_host.h"
#include "text/text_layer.h"
#include "text/text_window_state.h"
#include "text/wait_icon.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

class TextWindow {
public:
    // What DrawCharacter and NewLine report.
    enum LineResult : int { kSameLine = 0, kWrapped = 1, kPageEnded = 2 };

    TextWindow(TextHost& host, TextEngineValues values, TextWindowState& state);
    // Its parts keep references to the layer it owns.
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;

    // One text line from 1-based byte position start, with its codes and line end.
    void showTextLine(const std::string& line, int32_t start);
    // Text without codes and without line waits (page ends still wait).
    void showUnpagedText(const std::string& text);
    // c is one character, "\n" (line feed), "\f" (page end) or empty.
    int drawCharacter(std::string_view c);
    int newLine(bool page);
    // kind 0: line wait, 1: page wait.
    void waitForClick(int kind);
    void clearTextWindow();
    void resetTextWindow();

    // The icon sheet as loaded from the Icon setting (may be empty).
    void setIconSheet(Surface sheet) { icon_.setSheet(std::move(sheet)); }
    // Every 100 ms while the icon timer runs.
    void onIconTimer();
    const WaitIcon& waitIcon() const { return icon_; }

    // Script commands; an empty optional is an argument not given.
    void textClear();
    void textRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { commands_.textRect(x1, y1, x2, y2); }
    void textCur(std::optional<int32_t> column, std::optional<int32_t> row) { commands_.textCur(column, row); }
    void textCurTo(int32_t columns, int32_t rows) { commands_.textCurTo(columns, rows); }
    void textLoc(std::optional<int32_t> x, std::optional<int32_t> y) { commands_.textLoc(x, y); }
    void textLocTo(int32_t dx, int32_t dy) { commands_.textLocTo(dx, dy); }
    void textWait(std::optional<int32_t> delay) { commands_.textWait(delay); }
    void textOffset(int32_t x, int32_t y) { commands_.textOffset(x, y); }
    void textImage(std::optional<int32_t> x, std::optional<int32_t> y, const std::string& file,
                   const std::string& colour) {
        commands_.textImage(x, y, file, colour);
    }
    void sysSave(int32_t n) { v_.saveSuppressed = n != 0; }

    TextWindowState& state() { return t_; }
    // The layer's drawing for a window that draws text at its own scale.
    TextLayer& layer() { return layer_; }

private:
    // The start of the character or code group that holds position target.
    std::size_t resumePosition(const std::string& line, std::size_t target) const;
    // A ruby base (paged) or a value: text of the line being shown, not a line of its own.
    void showInnerText(const std::string& text, bool paged);

    // Hands the text drawn since the last wait to the host, to be read aloud.
    void passTextToRead();
    bool readMarkStep();
    void characterDelay(bool skipping);
    bool skippingRead() const { return v_.skipReadMode && v_.CurrentTextId >= 0; }
    std::size_t charLength(std::string_view s, std::size_t i) const;

    TextHost& host_;
    TextEngineValues v_;
    TextWindowState& t_;
    WaitIcon icon_;
    TextLayer layer_;
    ControlSequence controlSequence_;
    RubyAndValues rubyAndValues_;
    TextCommands commands_;
    bool innerText_ = false;  // ruby bases and values: already part of a shown line
    std::string toRead_;      // drawn since the last wait (Shift-JIS)
};

}  // namespace qvl
