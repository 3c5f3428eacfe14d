// The popup menu of the main window: opening it, the states of its items, and
// what each item does. Handlers run inside whatever wait is going on and talk to
// it only through the input flags, PendingAction and the skip switch; every one
// but 終了する clears the click flags, so the click that chose it does not also
// end the wait it interrupted.
#include "app/texts.h"
#include "app/tfmain.h"
#include "graphics/composition.h"
#include "graphics/png_io.h"
#include "platform/encoding.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <exception>

namespace qvl {

using platform::Answer;
using platform::MediaDevice;
using platform::WaitHint;
using platform::WaitKind;

namespace {

// How long an auto-advancing line stays before it goes on.
constexpr uint32_t kAutoAdvanceBaseMs = 1500;
constexpr uint32_t kAutoAdvancePerCharMs = 60;

bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

MenuConditions TFmain::menuConditions() const {
    MenuConditions c;
    c.clickWait = waitMenuItemsEnabled;
    c.stopWait = stopMenuItemsEnabled;
    c.saveAllowed = !saveSuppressed && saves.snapshot().exists();
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
    return c;
}

void TFmain::openPopupMenu(int x, int y) {
    syncMenu();
    transcript_.writeUtf8("menu: open");
    ui::PopupMenu popup(menu.entries());
    popup.openAt(x, y, platform_.fonts());
    menuOpen_ = true;
    // A patient reader closes a menu nobody asked for.
    std::optional<int> picked = popup.run(*this, {WaitKind::Question, Answer::Cancel});
    menuOpen_ = false;
    if (picked) runMenuItem(MenuItem(*picked), true);
}

void TFmain::onMenuPick(const std::string& caption) {
    syncMenu();
    if (auto item = menu.findCaption(platform::utf8ToSjis(caption))) runMenuItem(*item, false);
}

void TFmain::runMenuItem(MenuItem item, bool fromMenu) {
    syncMenu();
    if (!menu[item].enabled || PopupMenuModel::isSubmenu(item)) return;
    if (fromMenu) transcript_.write("menu", menu[item].caption);
    if (auto percent = PopupMenuModel::volumeOf(item)) {
        (item < MenuItem::Msoundvolume ? settings.MusicVolume : settings.SoundVolume) = *percent;
        applyVolumes();
        input.clearClicks();
        return;
    }
    switch (item) {
        case MenuItem::Mexit:
            closeRequest();  // clears the flags itself when cancelled
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
            if (!bank_.sceneDirty) presentScene(false);
            break;
        case MenuItem::Kmusic:
            playback_.musicSwitchToggled();
            break;
        case MenuItem::Ksound:
            playback_.soundSwitchToggled();
            break;
        case MenuItem::Ktxtwait:
            settings.HighSpeedText = !settings.HighSpeedText;
            break;
        case MenuItem::Ktxtskip:
            settings.SkipText = !settings.SkipText;
            break;
        case MenuItem::Kautotext:
            settings.AutoAdvance = !settings.AutoAdvance;
            autoAdvanceDeadline_.reset();
            break;
        case MenuItem::Kfont:
            showFontDialog();
            break;
        case MenuItem::Msave:
            if (auto slot = chooseSaveSlot(true)) saveSlot(*slot);
            break;
        case MenuItem::Mload:
            if (auto slot = chooseSaveSlot(false)) requestLoad(*slot);
            break;
        case MenuItem::Mback:
            showMessageLog();
            break;
        case MenuItem::Mtitle:
            if (messageBox(text(Text::ConfirmTitle), text(Text::TitleQuestion), ui::BoxIcon::Question,
                           ui::BoxButtons::OkCancel, Answer::Ok) != Answer::Cancel)
                PendingAction = kPendingTitle;
            break;
        case MenuItem::Mversion:
            showVersionDialog();
            break;
        case MenuItem::Mdebug:
            // Without debug mode the item only closes the menu.
            if (settings.DebugMode) showDebugWindow();
            break;
        case MenuItem::Mskipout:
            skipReadMode = true;
            break;
        case MenuItem::Mscreenshot:
            saveScreenshot();
            break;
        default:
            break;
    }
    input.clearClicks();
}

// --- The hiding views ----------------------------------------------------------

void TFmain::beginHiding(const char* utf8Caption) {
    transcript_.writeUtf8(std::string("dialog: ") + utf8Caption);
    hidingView_ = true;
    hidingTimer_ = text_.waitIcon().running();
    if (hidingTimer_) platform_.stopTimer(TextLink::kIconTimer);
    hidingPopup_ = popupAutoOpen;
    popupAutoOpen = false;
    platform_.setCursor(platform::Cursor::Wait);
    screenBackup_ = view_.image().clone();
}

void TFmain::waitForHidingClick() {
    present();
    input.clickPending = false;
    waitFor([this] { return input.clickPending; }, {WaitKind::Click, Answer::None});
}

void TFmain::endHiding() {
    platform_.setCursor(platform::Cursor::Pen);
    view_.image().blit(screenBackup_, 0, 0);
    screenBackup_ = Surface(8, 8);
    present();
    if (hidingTimer_) platform_.startTimer(TextLink::kIconTimer, 100);
    popupAutoOpen = hidingPopup_;
    hidingView_ = false;
}

void TFmain::hideBackground() {
    if (!textWindow.textVisible || hidingView_) return;
    beginHiding("背景を消す");
    // Light text goes on black, dark text on white, so it can be read either way.
    const uint32_t c = textWindow.textColour;
    const bool light = (c & 0xFF) > 126 || ((c >> 8) & 0xFF) > 126 || ((c >> 16) & 0xFF) > 126;
    Surface& window = view_.image();
    window.fill(light ? 0x000000 : 0xFFFFFF);
    layText(bank_, window);
    waitForHidingClick();
    endHiding();
}

void TFmain::hideText() {
    if (hidingView_) return;
    beginHiding("文字を消す");
    // The picture is shown as it is, without the darkening that sits under text.
    const bool undarken = !bank_.sceneDirty && settings.BGDarkness;
    if (undarken) {
        settings.BGDarkness = false;
        composeScene(bank_, darkness());
    }
    view_.image().blit(bank_[SurfaceId::VirtualVram], 0, 0, 0, 0, platform::kSceneWidth, platform::kSceneHeight);
    waitForHidingClick();
    endHiding();
    if (undarken) {
        settings.BGDarkness = true;
        composeScene(bank_, darkness());
    }
}

// --- Dialogs and the additions -------------------------------------------------

void TFmain::showVersionDialog() {
    std::optional<Surface> picture;
    if (!settings.Version.empty()) {
        try {
            Surface loaded;
            loadPicture(settings.Version, loaded);
            picture = std::move(loaded);
        } catch (const platform::RunStopped&) {
            throw;
        } catch (const std::exception& e) {
            // Reported like any fault; the dialog still opens, without the picture.
            failureHandler(e.what());
            picture = Surface(TFver::kPictureWidth, TFver::kPictureHeight, 0);
        }
    }
    VersionInfo info{settings.ProgramID, settings.InstallPath,
                     platform::FileSystem::toSjis(settings.startDirectory)};
    versionDialog_.prepare(info, std::move(picture), platform_.fonts());
    transcript_.write("dialog", versionDialog_.caption());
    openDialog_ = OpenDialogTexts{versionDialog_.caption(), versionDialog_.lines()};
    versionDialog_.showModal(*this, Answer::Ok);
    openDialog_.reset();
}

void TFmain::saveScreenshot() {
    std::tm t = platform_.localTime();
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &t);
    const std::filesystem::path folder = saveFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // Two in one second get a number rather than overwrite each other.
    std::filesystem::path file = folder / ("screenshot-" + std::string(stamp) + ".png");
    for (int n = 2; std::filesystem::exists(file, ec) && n < 1000; ++n)
        file = folder / ("screenshot-" + std::string(stamp) + "-" + std::to_string(n) + ".png");
    const std::string name = platform::FileSystem::toSjis(file.filename());
    if (!writePngFile(file.string(), view_.image())) {
        messageBox(text(Text::AppTitle), text(Text::ScreenshotFailed) + platform::FileSystem::toSjis(file),
                   ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, Answer::Ok);
        return;
    }
    transcript_.write("screenshot", name);
}

void TFmain::applyVolumes() {
    platform::AudioOutput& audio = platform_.audio();
    for (MediaDevice d : {MediaDevice::Music, MediaDevice::Cd, MediaDevice::Mp3})
        audio.setVolume(d, settings.MusicVolume);
    for (MediaDevice d : {MediaDevice::Sound, MediaDevice::Wave}) audio.setVolume(d, settings.SoundVolume);
}

uint32_t TFmain::autoAdvanceDelay() const {
    // In proportion to the line being read: the script line the text came from.
    uint32_t characters = 0;
    if (state.ProgExecLine >= 0 && std::size_t(state.ProgExecLine) < program.Lines.size()) {
        const std::string_view line = program.Lines[std::size_t(state.ProgExecLine)];
        for (std::size_t i = 0; i < line.size(); ++characters)
            i += isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
    }
    return kAutoAdvanceBaseMs + kAutoAdvancePerCharMs * characters;
}

void TFmain::writeMenuState(nlohmann::ordered_json& j) const {
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
