#pragma once
// The popup menu's items: the tree in its order with names, captions, shortcuts,
// check marks and enabled states. The states follow the engine: update() takes
// what they depend on, and the rules of which wait enables what live here.
#include "platform/platform.h"
#include "ui/popup_menu.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

// In tree order; items after Mskipout, and the last items of 設定変更, are our
// additions, placed so the positions of the others stay.
enum class MenuItem : int {
    Mdisplay,
    Khideimage,
    Khidetext,
    Kwinmode,
    Kfullscr,
    Mdarkness,
    Moption,
    Kmusic,
    Ksound,
    Ktxtwait,
    Ktxtskip,
    Kfont,
    Kautotext,
    Mmusicvolume,
    Kmusicvol100,
    Kmusicvol75,
    Kmusicvol50,
    Kmusicvol25,
    Msoundvolume,
    Ksoundvol100,
    Ksoundvol75,
    Ksoundvol50,
    Ksoundvol25,
    Msave,
    Mload,
    Mback,
    Mtitle,
    Mversion,
    Mexit,
    Mdebug,
    Mskipout,
    Mscreenshot,
    Ksharptext,
    Mscaling,
    Kscalesharp,
    Kscalenearest,
    Kscalebilinear,
    Kscalewhole,
    Mconvenience,
    Krollback,
    Kquicksave,
    Kquickload,
    Mautospeed,
    Kautoslow,
    Kautonormal,
    Kautofast,
    Kvoicing,
    Count
};

inline constexpr std::size_t kMenuItemCount = std::size_t(MenuItem::Count);
// The auto-advance speeds of 自動送りの速さ, slow to fast (qvl.ini's AutoAdvanceSpeed).
inline constexpr int kAutoSpeeds = 3;
// The volume steps of the two volume submenus, in percent.
inline constexpr std::array<int, 4> kVolumeSteps{100, 75, 50, 25};

// What the states of the items depend on.
struct MenuConditions {
    bool clickWait = false;   // the text window waits for a click
    bool stopWait = false;    // _stop waits
    bool saveAllowed = false; // saving is not suppressed and a save point exists
    bool choiceSave = false;  // a choice offers saving
    bool readMarks = false;   // TextMaxIndex is set
    bool fullScreen = false;
    bool frameShown = true;
    bool music = true, sound = true;
    bool highSpeed = false, pageMode = false, darkness = false;
    bool debugMode = false;
    bool autoAdvance = false;
    int musicVolume = 100, soundVolume = 100;
    bool sharpText = true;
    platform::ScaleFilter scaleFilter = platform::ScaleFilter::SharpBilinear;
    bool selfVoicing = false;
    bool canRollback = false;  // a page to go back to, at a click wait
    bool quickSlot = false;    // the quick save's files exist
    int autoSpeed = 1;         // 0 slow, 1 normal, 2 fast
};

struct MenuItemState {
    std::string caption;  // Shift-JIS
    bool checked = false;
    bool enabled = true;
};

class PopupMenuModel {
public:
    PopupMenuModel();

    void update(const MenuConditions& c);
    const MenuItemState& operator[](MenuItem item) const { return items_[std::size_t(item)]; }

    // The item's given name ("Msave").
    static const char* name(MenuItem item);
    static std::optional<MenuItem> parent(MenuItem item);
    static char shortcut(MenuItem item);
    static bool isSubmenu(MenuItem item);
    // The items of a submenu, or of the top level for nothing, in order.
    static std::vector<MenuItem> children(std::optional<MenuItem> parent);
    // The volume of a volume item; nothing for the others.
    static std::optional<int> volumeOf(MenuItem item);
    // The scaling of a scaling item; nothing for the others.
    static std::optional<platform::ScaleFilter> scaleFilterOf(MenuItem item);
    // The speed of an auto-advance speed item (0-2); nothing for the others.
    static std::optional<int> autoSpeedOf(MenuItem item);

    std::optional<MenuItem> findCaption(const std::string& sjis) const;
    std::optional<MenuItem> findShortcut(char ch) const;
    // The tree for the menu widget, ids being MenuItem values.
    std::vector<ui::MenuEntry> entries() const;

private:
    std::array<MenuItemState, kMenuItemCount> items_;
};

}  // namespace qvl
