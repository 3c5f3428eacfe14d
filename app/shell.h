#pragma once
// The shell around the scene: the popup menu (its model, opening it, what each
// item does), the views and dialogs it opens, the hiding views, and the display
// modes (full screen, the window frame, the caption). Handlers run inside
// whatever wait is going on and talk to it only through the input flags,
// PendingAction and the skip switch.
#include "app/display_mode.h"
#include "app/popup_menu_model.h"
#include "dialogs/font_dialog.h"
#include "dialogs/version_dialog.h"
#include "graphics/surface.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

class TFmain;

class Shell {
public:
    explicit Shell(TFmain& main);

    // The popup menu: opened by the right button, its items also reached by their
    // Ctrl shortcuts and by scripted picks.
    void openPopupMenu(int x, int y);
    void onMenuPick(const std::string& utf8Caption);
    // Runs an item if it is enabled; fromMenu: taken from the open menu.
    void runMenuItem(MenuItem item, bool fromMenu);
    MenuConditions menuConditions() const;
    void syncMenu() { menu.update(menuConditions()); }

    // The views and dialogs of the menu. Each returns when it is closed.
    void showMessageLog();  // 前の文章を読む, also from the wheel and Page Up
    void showFontDialog();
    void showVersionDialog();
    void hideBackground();
    void hideText();
    bool hidingView() const { return hidingView_; }
    void saveScreenshot();
    // The menu's volumes to the audio devices.
    void applyVolumes();

    // Display modes.
    void toggleFullScreen();
    void toggleWindowFrame();
    void setWindowCaption(const std::string& sjis);
    void restoreDisplayMode();
    // The scaling settings to the window, shown at once.
    void applyScaling();

    // The menu tree with its states, and the texts of an open dialog.
    void writeMenuState(nlohmann::ordered_json& j) const;

    PopupMenuModel menu;
    bool popupAutoOpen = true;          // the right button opens the menu
    bool popupSuppressed = false;       // _syspopup: saved with a game
    bool saveSuppressed = false;        // _syssave: saved with a game
    bool waitMenuItemsEnabled = false;  // the menu items a click wait enables
    bool stopMenuItemsEnabled = false;  // _stop waits for a load or the title
    bool saveMenuEnabled = false;       // データ保存 during a choice
    bool fullScreen = false;
    bool windowFrameRemoved = false;  // the check mark of 画面の枠の表示
    std::string windowCaption;        // as the window shows it: the chapter, or what _stop put there
    FontDialogState fontDialog;       // the font dialog while it is open

private:
    void beginHiding(const char* utf8Caption);
    void waitForHidingClick();
    void endHiding();

    TFmain& main_;
    DisplayModeChanger displayMode_;
    bool menuOpen_ = false;
    struct OpenDialogTexts {
        std::string caption;             // Shift-JIS
        std::vector<std::string> lines;  // Shift-JIS
    };
    std::optional<OpenDialogTexts> openDialog_;  // for the state dump
    TFver versionDialog_;
    bool hidingView_ = false;
    bool hidingTimer_ = false, hidingPopup_ = false;
    Surface screenBackup_{8, 8};
};

}  // namespace qvl
