#pragma once
// The text window: the scenario's text drawn a character at a time onto a grid
// over the scene, with line and page waits, the click-wait icon, read-text
// skipping, inline codes, ruby and embedded values, and the text commands.
#include "text/text_host.h"
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
    void setSize(int32_t n);

    // The icon sheet as loaded from the Icon setting (may be empty).
    void setIconSheet(Surface sheet) { icon_.setSheet(std::move(sheet)); }
    // Every 100 ms while the icon timer runs.
    void onIconTimer();
    const WaitIcon& waitIcon() const { return icon_; }

    // Script commands; an empty optional is an argument not given.
    void textClear();
    void textRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void textCur(std::optional<int32_t> column, std::optional<int32_t> row);
    void textCurTo(int32_t columns, int32_t rows);
    void textLoc(std::optional<int32_t> x, std::optional<int32_t> y);
    void textLocTo(int32_t dx, int32_t dy);
    void textWait(std::optional<int32_t> delay);
    void textOffset(int32_t x, int32_t y);
    // colour: a transparency text; empty or "#NONE" for an opaque picture.
    void textImage(std::optional<int32_t> x, std::optional<int32_t> y, const std::string& file,
                   const std::string& colour);
    void sysSave(int32_t n) { v_.saveSuppressed = n != 0; }

    TextWindowState& state() { return t_; }

private:
    // Inline codes; each takes the position after its opening character and
    // returns the position after its closing one.
    std::size_t controlSequence(const std::string& line, std::size_t p);
    std::size_t ruby(const std::string& line, std::size_t p);
    std::size_t embeddedValue(const std::string& line, std::size_t p);
    // The start of the character or code group that holds position target.
    std::size_t resumePosition(const std::string& line, std::size_t target) const;
    void inlineImage(const std::string& name);
    void codeWait(int32_t ms);

    void drawGlyphs(std::string_view c, int x, int y, bool ruby);
    void showRect(Rect r);
    void showPendingText();
    void placePicture(const Surface& picture, const Surface& mask, int x, int y);
    bool readMarkStep();
    void characterDelay(bool skipping);
    bool skippingRead() const { return v_.skipReadMode && v_.CurrentTextId >= 0; }
    std::size_t charLength(std::string_view s, std::size_t i) const;
    std::string expandDataDrive(const std::string& name) const;

    TextHost& host_;
    TextEngineValues v_;
    TextWindowState& t_;
    WaitIcon icon_;
    bool textPending_ = false;  // drawn text not yet shown
    bool innerText_ = false;    // ruby bases and values: already part of a shown line
};

}  // namespace qvl
