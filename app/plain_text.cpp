// Text lines in their plainest form: each line goes to the transcript and is
// written across the bottom of the scene, and the reader clicks to go on.
#include "app/tfmain.h"
#include "base/sjis.h"
#include "platform/fonts.h"

namespace qvl {

namespace {
constexpr int kBandTop = 376;
constexpr int kMargin = 16;
constexpr int kLineHeight = 24;

// Draws the text in the band, wrapping at the right margin without splitting a
// double-byte character.
void drawPlainText(Surface& image, platform::FontEngine& fonts, const std::string& face, const std::string& text) {
    image.fillRect({0, kBandTop, image.width(), image.height() - kBandTop}, 0x000000);
    platform::FontSpec spec{face, kLineHeight - 2, false};
    int x = kMargin, y = kBandTop + 12;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = sjis::charLength(text, i);
        std::string ch = text.substr(i, n);
        i += n;
        int w = fonts.measureText(ch, spec);
        if (x + w > image.width() - kMargin) {
            x = kMargin;
            y += kLineHeight;
            if (y + kLineHeight > image.height()) break;
        }
        x += fonts.drawText(image, x, y, ch, spec, 0xFFFFFF);
    }
}
}  // namespace

void TFmain::showTextLine(const std::string& line, int32_t startPosition) {
    std::string shown = sjis::copy(line, std::size_t(std::max(startPosition, 1)));
    transcript_.write("text", shown);
    state.ProgMultiStateFlag = 2;
    state.ProgTextPos = startPosition;
    drawPlainText(windowImage_, platform_.fonts(), settings.FontTable[0], shown);
    present();
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
    drawPlainText(windowImage_, platform_.fonts(), settings.FontTable[0], shown);
    present();
}

void TFmain::clearTextWindow() {
    windowImage_.fillRect({0, kBandTop, windowImage_.width(), windowImage_.height() - kBandTop}, 0x000000);
    present();
}

}  // namespace qvl
