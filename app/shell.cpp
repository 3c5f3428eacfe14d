// The popup menu's items, the views they open, the hiding views and the display
// modes. Every item but 終了する clears the click flags, so the click that chose
// it does not also end the wait it interrupted.
#include "app/shell.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "graphics/composition.h"
#include "graphics/png_io.h"
#include "platform/encoding.h"
#include "text/log_view.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ctime>
#include <exception>
#include <utility>

namespace qvl {

using platform::Answer;
using platform::Event;
using platform::MediaDevice;
using platform::WaitHint;
using platform::WaitKind;

namespace {

// The view's wait runs the engine's events, all but the wait icon's ticks: they
// would only draw under the view, and the icon goes on where it stopped.
class LogViewHost final : public ui::UiHost {
public:
    explicit LogViewHost(ui::UiHost& engine) : engine_(engine) {}
    platform::Platform& platform() override { return engine_.platform(); }
    const Surface* currentOverlay() override { return engine_.currentOverlay(); }
    void presentOverlay(const Surface* overlay) override { engine_.presentOverlay(overlay); }
    void passEvent(const Event& event) override {
        if (event.type == Event::Type::Timer && event.id == TextLink::kIconTimer) return;
        engine_.passEvent(event);
    }
    void announce(std::string_view sjis) override { engine_.announce(sjis); }

private:
    ui::UiHost& engine_;
};

}  // namespace

Shell::Shell(TFmain& main) : main_(main), displayMode_(main.platform()) {}

MenuConditions Shell::menuConditions() const {
    const EngineSettings& settings = main_.settings;
    MenuConditions c;
    c.clickWait = waitMenuItemsEnabled;
    c.stopWait = stopMenuItemsEnabled;
    c.saveAllowed = !saveSuppressed && main_.saves.snapshot().exists();
    c.choiceSave = saveMenuEnabled;
    c.readMarks = settings.TextMaxIndex.has_value();
    c.fullScreen = fullScreen;
    c.frameShown = !windowFrameRemoved;
    c.music = settings.EnableMusic;
    c.sound = settings.EnableSound;
    c.highSpeed = settings.HighSpeedText;
    c.pageMode = settings.SkipText;
    c.darkness = settings.BGDarkness;
    c.debugMode = settings.DebugMode;
    c.autoAdvance = settings.AutoAdvance;
    c.musicVolume = settings.MusicVolume;
    c.soundVolume = settings.SoundVolume;
    c.sharpText = settings.SharpText;
    c.scaleFilter = settings.ScaleFilter;
    c.selfVoicing = settings.SelfVoicing;
    c.canRollback = waitMenuItemsEnabled && main_.saveLink.rollback().available() > 0;
    c.quickSlot = (waitMenuItemsEnabled || stopMenuItemsEnabled) && main_.saveLink.quickSlotExists();
    c.autoSpeed = settings.AutoAdvanceSpeed;
    return c;
}

void Shell::openPopupMenu(int x, int y) {
    syncMenu();
    main_.transcript.writeUtf8("menu: open");
    ui::PopupMenu popup(menu.entries());
    popup.openAt(x, y, main_.platform().fonts());
    menuOpen_ = true;
    // A patient reader closes a menu nobody asked for.
    std::optional<int> picked = popup.run(main_.cycle, {WaitKind::Question, Answer::Cancel});
    menuOpen_ = false;
    if (picked) runMenuItem(MenuItem(*picked), true);
}

void Shell::onMenuPick(const std::string& caption) {
    syncMenu();
    if (auto item = menu.findCaption(platform::utf8ToSjis(caption))) runMenuItem(*item, false);
}

void Shell::runMenuItem(MenuItem item, bool fromMenu) {
    EngineSettings& settings = main_.settings;
    InputFlags& input = main_.cycle.input;
    syncMenu();
    if (!menu[item].enabled || PopupMenuModel::isSubmenu(item)) return;
    if (fromMenu) main_.transcript.write("menu", menu[item].caption);
    if (auto percent = PopupMenuModel::volumeOf(item)) {
        (item < MenuItem::Msoundvolume ? settings.MusicVolume : settings.SoundVolume) = *percent;
        applyVolumes();
        input.clearClicks();
        return;
    }
    if (auto filter = PopupMenuModel::scaleFilterOf(item)) {
        settings.ScaleFilter = *filter;
        applyScaling();
        input.clearClicks();
        return;
    }
    if (auto speed = PopupMenuModel::autoSpeedOf(item)) {
        settings.AutoAdvanceSpeed = *speed;
        main_.cycle.restartAutoAdvance();
        input.clearClicks();
        return;
    }
    switch (item) {
        case MenuItem::Mexit:
            main_.closeRequest();  // clears the flags itself when cancelled
            return;
        case MenuItem::Khideimage:
            hideBackground();
            break;
        case MenuItem::Khidetext:
            hideText();
            break;
        case MenuItem::Kwinmode:
            toggleWindowFrame();
            break;
        case MenuItem::Kfullscr:
            toggleFullScreen();
            break;
        case MenuItem::Mdarkness:
            settings.BGDarkness = !settings.BGDarkness;
            // A scene waiting for its next presentation shows the change then.
            if (!main_.bank().sceneDirty) main_.scene.presentScene(false);
            break;
        case MenuItem::Kmusic:
            main_.playback.musicSwitchToggled();
            break;
        case MenuItem::Ksound:
            main_.playback.soundSwitchToggled();
            break;
        case MenuItem::Ktxtwait:
            settings.HighSpeedText = !settings.HighSpeedText;
            break;
        case MenuItem::Ktxtskip:
            settings.SkipText = !settings.SkipText;
            break;
        case MenuItem::Kautotext:
            settings.AutoAdvance = !settings.AutoAdvance;
            main_.cycle.restartAutoAdvance();
            break;
        case MenuItem::Kvoicing:
            main_.voicing.setOn(!settings.SelfVoicing);
            break;
        case MenuItem::Kfont:
            showFontDialog();
            break;
        case MenuItem::Msave:
            if (auto slot = main_.saveLink.chooseSlot(true)) main_.saveLink.saveSlot(*slot);
            break;
        case MenuItem::Mload:
            if (auto slot = main_.saveLink.chooseSlot(false)) main_.saveLink.requestLoad(*slot);
            break;
        case MenuItem::Mback:
            showMessageLog();
            break;
        case MenuItem::Mtitle:
            if (main_.boxes.messageBox(text(Text::ConfirmTitle), text(Text::TitleQuestion), ui::BoxIcon::Question,
                                       ui::BoxButtons::OkCancel, Answer::Ok) != Answer::Cancel)
                main_.cycle.PendingAction = kPendingTitle;
            break;
        case MenuItem::Mversion:
            showVersionDialog();
            break;
        case MenuItem::Mdebug:
            // Without debug mode the item only closes the menu.
            if (settings.DebugMode) main_.debugLink.show();
            break;
        case MenuItem::Mskipout:
            main_.cycle.skipReadMode = true;
            break;
        case MenuItem::Mscreenshot:
            saveScreenshot();
            break;
        case MenuItem::Ksharptext:
            settings.SharpText = !settings.SharpText;
            applyScaling();
            break;
        case MenuItem::Krollback:
            main_.saveLink.requestRollback(1);
            break;
        case MenuItem::Kquicksave:
            main_.saveLink.quickSave();
            break;
        case MenuItem::Kquickload:
            main_.saveLink.quickLoad();
            break;
        default:
            break;
    }
    input.clearClicks();
}

// --- The hiding views ----------------------------------------------------------

void Shell::beginHiding(const char* utf8Caption) {
    platform::Platform& platform = main_.platform();
    main_.transcript.writeUtf8(std::string("dialog: ") + utf8Caption);
    hidingView_ = true;
    hidingTimer_ = main_.text.waitIcon().running();
    if (hidingTimer_) platform.stopTimer(TextLink::kIconTimer);
    hidingPopup_ = popupAutoOpen;
    popupAutoOpen = false;
    platform.setCursor(platform::Cursor::Wait);
    screenBackup_ = main_.view().image().clone();
}

void Shell::waitForHidingClick() {
    InputFlags& input = main_.cycle.input;
    main_.view().show();
    input.clickPending = false;
    main_.cycle.waitFor([&input] { return input.clickPending; }, {WaitKind::Click, Answer::None});
}

void Shell::endHiding() {
    platform::Platform& platform = main_.platform();
    platform.setCursor(platform::Cursor::Pen);
    main_.view().image().blit(screenBackup_, 0, 0);
    screenBackup_ = Surface(8, 8);
    main_.view().show();
    if (hidingTimer_) platform.startTimer(TextLink::kIconTimer, 100);
    popupAutoOpen = hidingPopup_;
    hidingView_ = false;
}

void Shell::hideBackground() {
    const TextWindowState& textWindow = main_.textWindow;
    if (!textWindow.textVisible || hidingView_) return;
    beginHiding("背景を消す");
    // Light text goes on black, dark text on white, so it can be read either way.
    const uint32_t c = textWindow.textColour;
    const bool light = (c & 0xFF) > 126 || ((c >> 8) & 0xFF) > 126 || ((c >> 16) & 0xFF) > 126;
    Surface& window = main_.view().image();
    window.fill(light ? 0x000000 : 0xFFFFFF);
    layText(main_.bank(), window);
    waitForHidingClick();
    endHiding();
}

void Shell::hideText() {
    if (hidingView_) return;
    beginHiding("文字を消す");
    SurfaceBank& bank = main_.bank();
    EngineSettings& settings = main_.settings;
    // The picture is shown as it is, without the darkening that sits under text.
    const bool undarken = !bank.sceneDirty && settings.BGDarkness;
    if (undarken) {
        settings.BGDarkness = false;
        composeScene(bank, main_.scene.darkness());
    }
    main_.view().image().blit(std::as_const(bank)[SurfaceId::VirtualVram], 0, 0, 0, 0, platform::kSceneWidth, platform::kSceneHeight);
    waitForHidingClick();
    endHiding();
    if (undarken) {
        settings.BGDarkness = true;
        composeScene(bank, main_.scene.darkness());
    }
}

// --- Dialogs and the additions -------------------------------------------------

void Shell::showMessageLog() {
    MessageLog& log = main_.log;
    const EngineSettings& settings = main_.settings;
    log.viewOffset = 0;
    if (log.LogTotalPage == 0 || log.viewActive) return;
    Surface tile;
    if (!settings.Tile.empty()) {
        // A tile that cannot be read is reported; the view opens on black.
        try {
            main_.pictures.load(settings.Tile, tile);
        } catch (const Fault& fault) {
            main_.boxes.scriptError(fault.what());
            tile = Surface();
        }
    }
    const bool popup = popupAutoOpen;
    popupAutoOpen = false;
    LogView view(log, main_.platform().fonts(), settings.FontTable[0], tile);
    view.onPageShown = [this, &log, &view] {
        const std::string page = std::to_string(log.viewOffset + 1) + "/" + std::to_string(log.LogTotalPage);
        main_.transcript.writeUtf8("dialog: log page " + page);
        // Read aloud: the page's number, then its lines.
        std::string spoken = platform::utf8ToSjis("ログ ") + page;
        for (const std::string& line : view.shownPage())
            if (!line.empty()) spoken += " " + line;
        main_.voicing.announce(spoken);
    };
    // Backspace on an older page goes back to it: the view closes and the page is read again.
    std::optional<int> backTo;
    view.onGoBack = [this, &backTo, &log] {
        if (!main_.saveLink.rollback().pagesBackToLogPage(log.viewOffset, log)) return false;
        backTo = log.viewOffset;
        return true;
    };
    LogViewHost host(main_.cycle);
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
    main_.cycle.input.clearClicks();
    if (backTo) main_.saveLink.requestRollbackToLogPage(*backTo);
}

void Shell::showFontDialog() {
    EngineSettings& settings = main_.settings;
    TextWindowState& textWindow = main_.textWindow;
    FontFaces current;
    std::copy_n(settings.FontTable.begin(), kFontChoices, current.begin());
    FontDialog dialog(main_.platform().fonts().faceChoices(), current, fontDialog);
    main_.transcript.write("dialog", dialog.title());
    if (auto chosen = dialog.run(main_.cycle)) {
        std::copy(chosen->begin(), chosen->end(), settings.FontTable.begin());
        // Text already shown stays as it is; the next character uses the new faces.
        textWindow.fontName = settings.FontTable[std::size_t(std::clamp(textWindow.fontIndex, 0, kFontSlots - 1))];
        textWindow.rubyFontName = settings.FontTable[3];
        std::string faces;
        for (const std::string& face : *chosen) faces += (faces.empty() ? "" : " | ") + face;
        main_.transcript.write("fonts", faces);
    }
    main_.cycle.input.clearClicks();
}

void Shell::showVersionDialog() {
    const EngineSettings& settings = main_.settings;
    std::optional<Surface> picture;
    if (!settings.Version.empty()) {
        try {
            Surface loaded;
            main_.pictures.load(settings.Version, loaded);
            picture = std::move(loaded);
        } catch (const platform::RunStopped&) {
            throw;
        } catch (const std::exception& e) {
            // Reported like any fault; the dialog still opens, without the picture.
            main_.boxes.scriptError(e.what());
            picture = Surface(TFver::kPictureWidth, TFver::kPictureHeight, 0);
        }
    }
    VersionInfo info{settings.ProgramID, settings.InstallPath, platform::FileSystem::toSjis(settings.startDirectory)};
    versionDialog_.prepare(info, std::move(picture), main_.platform().fonts());
    main_.transcript.write("dialog", versionDialog_.caption());
    openDialog_ = OpenDialogTexts{versionDialog_.caption(), versionDialog_.lines()};
    versionDialog_.showModal(main_.cycle, Answer::Ok);
    openDialog_.reset();
}

void Shell::saveScreenshot() {
    std::tm t = main_.platform().localTime();
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &t);
    const std::filesystem::path folder = main_.saveLink.saveFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // Two in one second get a number rather than overwrite each other.
    std::filesystem::path file = folder / ("screenshot-" + std::string(stamp) + ".png");
    for (int n = 2; std::filesystem::exists(file, ec) && n < 1000; ++n)
        file = folder / ("screenshot-" + std::string(stamp) + "-" + std::to_string(n) + ".png");
    const std::string name = platform::FileSystem::toSjis(file.filename());
    if (!writePngFile(file.string(), main_.view().image())) {
        main_.boxes.warn(text(Text::ScreenshotFailed) + platform::FileSystem::toSjis(file));
        return;
    }
    main_.transcript.write("screenshot", name);
}

void Shell::applyVolumes() {
    const EngineSettings& settings = main_.settings;
    platform::AudioOutput& audio = main_.platform().audio();
    for (MediaDevice d : {MediaDevice::Music, MediaDevice::Cd, MediaDevice::Mp3})
        audio.setVolume(d, settings.MusicVolume);
    for (MediaDevice d : {MediaDevice::Sound, MediaDevice::Wave}) audio.setVolume(d, settings.SoundVolume);
}

// --- Display modes ------------------------------------------------------------------

void Shell::applyScaling() {
    main_.platform().setScaling(main_.settings.ScaleFilter, main_.settings.SharpText);
    main_.view().show();
}

void Shell::toggleFullScreen() {
    platform::Platform& platform = main_.platform();
    InputFlags& input = main_.cycle.input;
    if (fullScreen) {
        displayMode_.restore();
        fullScreen = false;
        windowFrameRemoved = false;
        platform.setBorder(true);
    } else if (displayMode_.change(platform::kSceneWidth, platform::kSceneHeight, 0)) {
        fullScreen = true;
    } else {
        main_.boxes.warn(text(Text::ModeChangeFailed));
        input.clearClicks();
        main_.view().show();
        return;
    }
    main_.playback.restartEndless(true);
    input.clearClicks();
    main_.view().show();
}

void Shell::toggleWindowFrame() {
    // Only a window has a frame; in full screen the item is disabled.
    if (fullScreen) return;
    main_.platform().setBorder(windowFrameRemoved);
    windowFrameRemoved = !windowFrameRemoved;
    main_.playback.restartEndless(false);
    main_.cycle.input.clearClicks();
}

void Shell::setWindowCaption(const std::string& sjis) {
    windowCaption = sjis;
    main_.platform().setCaption(platform::sjisToUtf8(sjis));
}

void Shell::restoreDisplayMode() {
    if (fullScreen) displayMode_.restore();
}

// --- The state dump -----------------------------------------------------------------

void Shell::writeMenuState(nlohmann::ordered_json& j) const {
    using nlohmann::ordered_json;
    auto u = [](const std::string& sjis) { return platform::sjisToUtf8(sjis); };
    PopupMenuModel now = menu;
    now.update(menuConditions());
    auto level = [&](auto& self, std::optional<MenuItem> parent) -> ordered_json {
        ordered_json items = ordered_json::array();
        for (MenuItem item : PopupMenuModel::children(parent)) {
            ordered_json entry = {
                {"name", PopupMenuModel::name(item)},
                {"caption", u(now[item].caption)},
                {"shortcut", ui::PopupMenu::shortcutText(PopupMenuModel::shortcut(item))},
                {"checked", now[item].checked},
                {"enabled", now[item].enabled},
            };
            if (PopupMenuModel::isSubmenu(item)) entry["items"] = self(self, item);
            items.push_back(std::move(entry));
        }
        return items;
    };
    j["menu"] = {{"open", menuOpen_}, {"hidingView", hidingView_}, {"items", level(level, std::nullopt)}};

    ordered_json lines = ordered_json::array();
    if (openDialog_)
        for (const std::string& line : openDialog_->lines) lines.push_back(u(line));
    j["versionDialog"] = {
        {"open", openDialog_.has_value()},
        {"caption", openDialog_ ? u(openDialog_->caption) : std::string()},
        {"lines", std::move(lines)},
    };
}

}  // namespace qvl
