// Text lines in their plainest form: each line goes to the transcript and is
// written into the text layer across the bottom of the scene, and the reader
// clicks to go on.
#include "app/tfmain.h"
#include "base/sjis.h"
#include "platform/fonts.h"

namespace qvl {

namespace {
constexpr int kBandTop = 376;
constexpr int kMargin = 16;
constexpr int kLineHeight = 24;

// Draws the text into the text layer's band: the text surface gets the letters
// (black elsewhere), the mask black letters on white, so the scene shows through
// everywhere else. Wraps at the right margin without splitting a double-byte
// character.
void drawPlainText(Surface& text, Surface& mask, platform::FontEngine& fonts, const std::string& face,
                   const std::string& line) {
    const Rect band{0, kBandTop, text.width(), text.height() - kBandTop};
    text.fillRect(band, 0x000000);
    mask.fillRect(band, 0xFFFFFF);
    platform::FontSpec spec{face, kLineHeight - 2, false};
    int x = kMargin, y = kBandTop + 12;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t n = sjis::charLength(line, i);
        std::string ch = line.substr(i, n);
        i += n;
        int w = fonts.measureText(ch, spec);
        if (x + w > text.width() - kMargin) {
            x = kMargin;
            y += kLineHeight;
            if (y + kLineHeight > text.height()) break;
        }
        // One level of letters in both surfaces, so the mask covers exactly the text.
        fonts.drawText(mask, x, y, ch, spec, 0x000000, false);
        x += fonts.drawText(text, x, y, ch, spec, 0xFFFFFF, false);
    }
}
}  // namespace

void TFmain::recordInLog(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = sjis::charLength(text, i);
        log.appendToLog(std::string_view(text).substr(i, n));
        i += n;
    }
    log.appendToLog("\n");
}

void TFmain::showTextLine(const std::string& line, int32_t startPosition) {
    std::string shown = sjis::copy(line, std::size_t(std::max(startPosition, 1)));
    transcript_.write("text", shown);
    state.ProgMultiStateFlag = 2;
    state.ProgTextPos = startPosition;
    drawPlainText(bank_[SurfaceId::Text], bank_[SurfaceId::TextMask], platform_.fonts(), settings.FontTable[0], shown);
    recordInLog(shown);
    presentScene(false);
    input.clearClicks();
    waitFor([&] { return input.clickPending || PendingAction != kPendingNone; },
            {platform::WaitKind::Click, platform::Answer::None});
    input.clickPending = false;
    state.ProgTextPos = 0;
}

void TFmain::showUnpagedText(const std::string& text) {
    std::string shown = text;
    if (!shown.empty() && shown.back() == '\n') shown.pop_back();
    transcript_.write("text", shown);
    drawPlainText(bank_[SurfaceId::Text], bank_[SurfaceId::TextMask], platform_.fonts(), settings.FontTable[0], shown);
    recordInLog(shown);
    presentScene(false);
}

void TFmain::clearTextWindow() {
    bank_[SurfaceId::Text].fill(0x000000);
    bank_[SurfaceId::TextMask].fill(0xFFFFFF);
    log.nextLogPage();
    presentScene(false);
}

}  // namespace qvl
