#include "app/engine_settings.h"
#include "app/popup_menu_model.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvl {
namespace {

std::vector<std::string> names(std::optional<MenuItem> parent) {
    std::vector<std::string> out;
    for (MenuItem item : PopupMenuModel::children(parent)) out.push_back(PopupMenuModel::name(item));
    return out;
}

// Scripts and saved states address items by position: ours only ever come last.
TEST(PopupMenuModel, TheDescribedItemsKeepTheirPositions) {
    const std::vector<std::string> top = names(std::nullopt);
    const std::vector<std::string> described{"Mdisplay", "Moption", "Msave",    "Mload",  "Mback",
                                             "Mtitle",   "Mversion", "Mexit",   "Mdebug", "Mskipout"};
    ASSERT_GE(top.size(), described.size());
    EXPECT_EQ(std::vector<std::string>(top.begin(), top.begin() + long(described.size())), described);
    const std::vector<std::string> display = names(MenuItem::Mdisplay);
    ASSERT_GE(display.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(display.begin(), display.begin() + 5),
              (std::vector<std::string>{"Khideimage", "Khidetext", "Kwinmode", "Kfullscr", "Mdarkness"}));
    const std::vector<std::string> option = names(MenuItem::Moption);
    EXPECT_EQ(std::vector<std::string>(option.begin(), option.begin() + 5),
              (std::vector<std::string>{"Kmusic", "Ksound", "Ktxtwait", "Ktxtskip", "Kfont"}));

    // Shortcuts are unique, so a key never runs two items.
    std::string seen;
    for (int i = 0; i < int(MenuItem::Count); ++i) {
        const char c = PopupMenuModel::shortcut(MenuItem(i));
        if (!c) continue;
        EXPECT_EQ(seen.find(c), std::string::npos) << c;
        seen += c;
    }
}

TEST(PopupMenuModel, FullScreenDisablesTheFrameItemAndDebugModeRenamesItsItem) {
    PopupMenuModel m;
    EXPECT_FALSE(m[MenuItem::Msave].enabled) << "disabled until a wait enables it";
    MenuConditions c;
    c.fullScreen = true;
    c.debugMode = true;
    c.musicVolume = 50;
    m.update(c);
    EXPECT_FALSE(m[MenuItem::Kwinmode].enabled);
    EXPECT_TRUE(m[MenuItem::Kfullscr].checked);
    EXPECT_EQ(m[MenuItem::Mdebug].caption, platform::utf8ToSjis("デバッグモード"));
    EXPECT_TRUE(m[MenuItem::Kmusicvol50].checked);
    EXPECT_FALSE(m[MenuItem::Kmusicvol100].checked);
    // Saving at a click wait needs a save point; a choice decides for itself.
    c.clickWait = true;
    m.update(c);
    EXPECT_FALSE(m[MenuItem::Msave].enabled);
    c.clickWait = false;
    c.choiceSave = true;
    m.update(c);
    EXPECT_TRUE(m[MenuItem::Msave].enabled);
    EXPECT_FALSE(m[MenuItem::Mload].enabled);
}

TEST(PlayerOptions, OurKeysAreWrittenOnlyWhenChangedAndReadLeniently) {
    EngineSettings s;
    const std::string plain = settingsFileBytes(s);
    EXPECT_EQ(plain.find("Volume"), std::string::npos) << "a file of the original's options stays as it was";
    s.MusicVolume = 25;
    s.AutoAdvance = true;
    const std::string written = settingsFileBytes(s);
    EXPECT_EQ(written.rfind(plain, 0), 0u) << "our lines come after the original's";
    EngineSettings back;
    const ConfigList ini = ConfigList::fromBytes(written);
    applySettings(back, ConfigList::fromBytes(""), &ini);
    EXPECT_EQ(back.MusicVolume, 25);
    EXPECT_EQ(back.SoundVolume, 100);
    EXPECT_TRUE(back.AutoAdvance);

    EngineSettings odd;
    const ConfigList bad = ConfigList::fromBytes("MusicVolume=loud\r\nSoundVolume=250\r\nAutoAdvance=x\r\n");
    EXPECT_NO_THROW(applySettings(odd, ConfigList::fromBytes(""), &bad));
    EXPECT_EQ(odd.MusicVolume, 100);
    EXPECT_EQ(odd.SoundVolume, 100);
    EXPECT_FALSE(odd.AutoAdvance);
}

}  // namespace
}  // namespace qvl
