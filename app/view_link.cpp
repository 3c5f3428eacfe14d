// The message-log view and the font dialog, opened from the popup menu.
#include "app/tfmain.h"
#include "base/fault.h"
#include "text/log_view.h"

#include <algorithm>

namespace qvl {

using platform::Answer;
using platform::Event;

namespace {

// The view's wait runs the engine's events, all but the wait icon's ticks: they
// would only draw under the view, and the icon goes on where it stopped.
class LogViewHost final : public ui::UiHost {
public:
    explicit LogViewHost(TFmain& main) : main_(main) {}
    platform::Platform& platform() override { return main_.platform(); }
    const Surface* currentOverlay() override { return main_.currentOverlay(); }
    void presentOverlay(const Surface* overlay) override { main_.presentOverlay(overlay); }
    void passEvent(const Event& event) override {
        if (event.type == Event::Type::Timer && event.id == TextLink::kIconTimer) return;
        main_.passEvent(event);
    }

private:
    TFmain& main_;
};

}  // namespace

void TFmain::showMessageLog() {
    log.viewOffset = 0;
    if (log.LogTotalPage == 0 || log.viewActive) return;
    Surface tile;
    if (!settings.Tile.empty()) {
        // A tile that cannot be read is reported; the view opens on black.
        try {
            loadPicture(settings.Tile, tile);
        } catch (const Fault& fault) {
            scriptError(fault.what());
            tile = Surface();
        }
    }
    const bool popup = popupAutoOpen;
    popupAutoOpen = false;
    LogView view(log, platform_.fonts(), settings.FontTable[0], tile);
    view.onPageShown = [this] {
        transcript_.writeUtf8("dialog: log page " + std::to_string(log.viewOffset + 1) + "/" +
                              std::to_string(log.LogTotalPage));
    };
    LogViewHost host(*this);
    try {
        view.run(host, {platform::WaitKind::Question, Answer::Cancel});
    } catch (const platform::RunStopped&) {
        throw;  // the state keeps showing the open view
    } catch (...) {
        log.viewActive = false;
        popupAutoOpen = popup;
        throw;
    }
    popupAutoOpen = popup;
    input.clearClicks();
}

void TFmain::showFontDialog() {
    FontFaces current;
    std::copy_n(settings.FontTable.begin(), kFontChoices, current.begin());
    FontDialog dialog(platform_.fonts().families(), current, fontDialog);
    transcript_.write("dialog", dialog.title());
    if (auto chosen = dialog.run(*this)) {
        std::copy(chosen->begin(), chosen->end(), settings.FontTable.begin());
        // Text already shown stays as it is; the next character uses the new faces.
        textWindow.fontName = settings.FontTable[std::size_t(std::clamp(textWindow.fontIndex, 0, kFontSlots - 1))];
        textWindow.rubyFontName = settings.FontTable[3];
        std::string faces;
        for (const std::string& face : *chosen) faces += (faces.empty() ? "" : " | ") + face;
        transcript_.write("fonts", faces);
    }
    input.clearClicks();
}

}  // namespace qvl
