#include "app/popup_menu_model.h"

#include "platform/encoding.h"

#include <utility>

namespace qvl {

namespace {

constexpr auto kTop = MenuItem::Count;  // the parent of the top level

struct ItemDef {
    MenuItem item;
    MenuItem parent;
    const char* name;
    const char* caption;  // UTF-8; converted once
    char shortcut;
    bool initiallyEnabled;
};

// The tree in order, each item after its parent.
constexpr ItemDef kItems[kMenuItemCount] = {
    {MenuItem::Mdisplay, kTop, "Mdisplay", "画面表示", 0, true},
    {MenuItem::Khideimage, MenuItem::Mdisplay, "Khideimage", "背景を消す", 't', false},
    {MenuItem::Khidetext, MenuItem::Mdisplay, "Khidetext", "文字を消す", 'b', false},
    {MenuItem::Kwinmode, MenuItem::Mdisplay, "Kwinmode", "画面の枠の表示", 'w', true},
    {MenuItem::Kfullscr, MenuItem::Mdisplay, "Kfullscr", "フルスクリーン表示", 'g', true},
    {MenuItem::Mdarkness, MenuItem::Mdisplay, "Mdarkness", "背景を暗くする", 'd', false},
    {MenuItem::Moption, kTop, "Moption", "設定変更", 0, true},
    {MenuItem::Kmusic, MenuItem::Moption, "Kmusic", "音楽再生", 'm', true},
    {MenuItem::Ksound, MenuItem::Moption, "Ksound", "効果音再生", 'v', true},
    {MenuItem::Ktxtwait, MenuItem::Moption, "Ktxtwait", "高速文字表示", 'h', true},
    {MenuItem::Ktxtskip, MenuItem::Moption, "Ktxtskip", "ページ単位表示", 'p', true},
    {MenuItem::Kfont, MenuItem::Moption, "Kfont", "フォント設定", 0, true},
    {MenuItem::Kautotext, MenuItem::Moption, "Kautotext", "自動送り", 'a', true},
    {MenuItem::Mmusicvolume, MenuItem::Moption, "Mmusicvolume", "音楽の音量", 0, true},
    {MenuItem::Kmusicvol100, MenuItem::Mmusicvolume, "Kmusicvol100", "音楽 100%", 0, true},
    {MenuItem::Kmusicvol75, MenuItem::Mmusicvolume, "Kmusicvol75", "音楽 75%", 0, true},
    {MenuItem::Kmusicvol50, MenuItem::Mmusicvolume, "Kmusicvol50", "音楽 50%", 0, true},
    {MenuItem::Kmusicvol25, MenuItem::Mmusicvolume, "Kmusicvol25", "音楽 25%", 0, true},
    {MenuItem::Msoundvolume, MenuItem::Moption, "Msoundvolume", "効果音の音量", 0, true},
    {MenuItem::Ksoundvol100, MenuItem::Msoundvolume, "Ksoundvol100", "効果音 100%", 0, true},
    {MenuItem::Ksoundvol75, MenuItem::Msoundvolume, "Ksoundvol75", "効果音 75%", 0, true},
    {MenuItem::Ksoundvol50, MenuItem::Msoundvolume, "Ksoundvol50", "効果音 50%", 0, true},
    {MenuItem::Ksoundvol25, MenuItem::Msoundvolume, "Ksoundvol25", "効果音 25%", 0, true},
    {MenuItem::Msave, kTop, "Msave", "データ保存", 's', false},
    {MenuItem::Mload, kTop, "Mload", "データ読み込み", 'l', false},
    {MenuItem::Mback, kTop, "Mback", "前の文章を読む", 0, true},
    {MenuItem::Mtitle, kTop, "Mtitle", "タイトルへ戻る", 0, false},
    {MenuItem::Mversion, kTop, "Mversion", "バージョン情報", 0, true},
    {MenuItem::Mexit, kTop, "Mexit", "終了する", 'q', true},
    {MenuItem::Mdebug, kTop, "Mdebug", "キャンセル", 0, true},
    {MenuItem::Mskipout, kTop, "Mskipout", "読んだ文章を飛ばす", 'f', false},
    {MenuItem::Mscreenshot, kTop, "Mscreenshot", "画面を画像で保存", 0, true},
    {MenuItem::Ksharptext, MenuItem::Mdisplay, "Ksharptext", "文字を画面の解像度で描く", 0, true},
    {MenuItem::Mscaling, MenuItem::Mdisplay, "Mscaling", "絵の拡大の仕方", 0, true},
    {MenuItem::Kscalesharp, MenuItem::Mscaling, "Kscalesharp", "くっきりなめらか（標準）", 0, true},
    {MenuItem::Kscalenearest, MenuItem::Mscaling, "Kscalenearest", "ドットのまま", 0, true},
    {MenuItem::Kscalebilinear, MenuItem::Mscaling, "Kscalebilinear", "なめらか", 0, true},
    {MenuItem::Kscalewhole, MenuItem::Mscaling, "Kscalewhole", "整数倍だけ（まわりは黒）", 0, true},
    {MenuItem::Mconvenience, kTop, "Mconvenience", "便利機能", 0, true},
    {MenuItem::Krollback, MenuItem::Mconvenience, "Krollback", "前のページへ戻る", 0, false},
    {MenuItem::Kquicksave, MenuItem::Mconvenience, "Kquicksave", "クイックセーブ", 0, false},
    {MenuItem::Kquickload, MenuItem::Mconvenience, "Kquickload", "クイックロード", 0, false},
    {MenuItem::Mautospeed, MenuItem::Mconvenience, "Mautospeed", "自動送りの速さ", 0, true},
    {MenuItem::Kautoslow, MenuItem::Mautospeed, "Kautoslow", "遅い", 0, true},
    {MenuItem::Kautonormal, MenuItem::Mautospeed, "Kautonormal", "普通", 0, true},
    {MenuItem::Kautofast, MenuItem::Mautospeed, "Kautofast", "速い", 0, true},
    {MenuItem::Kvoicing, MenuItem::Mconvenience, "Kvoicing", "読み上げ", 0, true},
};

constexpr std::pair<MenuItem, platform::ScaleFilter> kScalings[] = {
    {MenuItem::Kscalesharp, platform::ScaleFilter::SharpBilinear},
    {MenuItem::Kscalenearest, platform::ScaleFilter::Nearest},
    {MenuItem::Kscalebilinear, platform::ScaleFilter::Bilinear},
    {MenuItem::Kscalewhole, platform::ScaleFilter::WholeOnly},
};

const ItemDef& def(MenuItem item) {
    return kItems[std::size_t(item)];
}

// Captions converted once; the last one is the debug item's caption in debug mode.
const std::string& caption(std::size_t index) {
    static const auto kTable = [] {
        std::array<std::string, kMenuItemCount + 1> out;
        for (std::size_t i = 0; i < kMenuItemCount; ++i) out[i] = platform::utf8ToSjis(kItems[i].caption);
        out[kMenuItemCount] = platform::utf8ToSjis("デバッグモード");
        return out;
    }();
    return kTable[index];
}

}  // namespace

PopupMenuModel::PopupMenuModel() {
    for (std::size_t i = 0; i < kMenuItemCount; ++i) {
        items_[i].caption = caption(i);
        items_[i].enabled = kItems[i].initiallyEnabled;
    }
    for (MenuItem on : {MenuItem::Kwinmode, MenuItem::Kmusic, MenuItem::Ksound, MenuItem::Kmusicvol100,
                        MenuItem::Ksoundvol100, MenuItem::Ksharptext, MenuItem::Kscalesharp, MenuItem::Kautonormal})
        items_[std::size_t(on)].checked = true;
}

void PopupMenuModel::update(const MenuConditions& c) {
    auto set = [&](MenuItem item, bool enabled, bool checked) {
        items_[std::size_t(item)].enabled = enabled;
        items_[std::size_t(item)].checked = checked;
    };
    // What a click wait opens up; _stop waits only for a load or the title.
    set(MenuItem::Khideimage, c.clickWait, false);
    set(MenuItem::Khidetext, c.clickWait, false);
    set(MenuItem::Mdarkness, c.clickWait, c.darkness);
    set(MenuItem::Msave, (c.clickWait && c.saveAllowed) || c.choiceSave, false);
    set(MenuItem::Mload, c.clickWait || c.stopWait, false);
    set(MenuItem::Mtitle, c.clickWait || c.stopWait, false);
    set(MenuItem::Mskipout, c.readMarks, false);
    // A full screen has no frame to show or hide.
    set(MenuItem::Kwinmode, !c.fullScreen, c.frameShown);
    set(MenuItem::Kfullscr, true, c.fullScreen);
    set(MenuItem::Kmusic, true, c.music);
    set(MenuItem::Ksound, true, c.sound);
    set(MenuItem::Ktxtwait, true, c.highSpeed);
    set(MenuItem::Ktxtskip, true, c.pageMode);
    set(MenuItem::Kautotext, true, c.autoAdvance);
    set(MenuItem::Kvoicing, true, c.selfVoicing);
    for (std::size_t i = 0; i < kVolumeSteps.size(); ++i) {
        set(MenuItem(int(MenuItem::Kmusicvol100) + int(i)), true, c.musicVolume == kVolumeSteps[i]);
        set(MenuItem(int(MenuItem::Ksoundvol100) + int(i)), true, c.soundVolume == kVolumeSteps[i]);
    }
    set(MenuItem::Ksharptext, true, c.sharpText);
    for (auto [item, filter] : kScalings) set(item, true, c.scaleFilter == filter);
    // 便利機能: the keys' items, enabled when the keys would work.
    set(MenuItem::Krollback, c.canRollback, false);
    set(MenuItem::Kquicksave, (c.clickWait && c.saveAllowed) || c.choiceSave, false);
    set(MenuItem::Kquickload, (c.clickWait || c.stopWait) && c.quickSlot, false);
    for (int i = 0; i < kAutoSpeeds; ++i) set(MenuItem(int(MenuItem::Kautoslow) + i), true, c.autoSpeed == i);
    items_[std::size_t(MenuItem::Mdebug)].caption =
        caption(c.debugMode ? kMenuItemCount : std::size_t(MenuItem::Mdebug));
}

const char* PopupMenuModel::name(MenuItem item) {
    return def(item).name;
}

std::optional<MenuItem> PopupMenuModel::parent(MenuItem item) {
    if (def(item).parent == kTop) return std::nullopt;
    return def(item).parent;
}

char PopupMenuModel::shortcut(MenuItem item) {
    return def(item).shortcut;
}

bool PopupMenuModel::isSubmenu(MenuItem item) {
    for (const ItemDef& d : kItems)
        if (d.parent == item) return true;
    return false;
}

std::vector<MenuItem> PopupMenuModel::children(std::optional<MenuItem> parent) {
    const MenuItem p = parent.value_or(kTop);
    std::vector<MenuItem> out;
    for (const ItemDef& d : kItems)
        if (d.parent == p) out.push_back(d.item);
    return out;
}

std::optional<int> PopupMenuModel::volumeOf(MenuItem item) {
    for (MenuItem first : {MenuItem::Kmusicvol100, MenuItem::Ksoundvol100}) {
        const int step = int(item) - int(first);
        if (step >= 0 && step < int(kVolumeSteps.size())) return kVolumeSteps[std::size_t(step)];
    }
    return std::nullopt;
}

std::optional<platform::ScaleFilter> PopupMenuModel::scaleFilterOf(MenuItem item) {
    for (auto [each, filter] : kScalings)
        if (each == item) return filter;
    return std::nullopt;
}

std::optional<int> PopupMenuModel::autoSpeedOf(MenuItem item) {
    const int speed = int(item) - int(MenuItem::Kautoslow);
    if (speed >= 0 && speed < kAutoSpeeds) return speed;
    return std::nullopt;
}

std::optional<MenuItem> PopupMenuModel::findCaption(const std::string& caption) const {
    for (std::size_t i = 0; i < kMenuItemCount; ++i)
        if (items_[i].caption == caption) return MenuItem(i);
    return std::nullopt;
}

std::optional<MenuItem> PopupMenuModel::findShortcut(char ch) const {
    if (!ch) return std::nullopt;
    for (const ItemDef& d : kItems)
        if (d.shortcut == ch) return d.item;
    return std::nullopt;
}

std::vector<ui::MenuEntry> PopupMenuModel::entries() const {
    auto build = [this](auto& self, std::optional<MenuItem> parent) -> std::vector<ui::MenuEntry> {
        std::vector<ui::MenuEntry> out;
        for (MenuItem item : children(parent)) {
            const MenuItemState& s = (*this)[item];
            ui::MenuEntry e;
            e.id = int(item);
            e.caption = s.caption;
            e.shortcut = shortcut(item);
            e.checked = s.checked;
            e.enabled = s.enabled;
            if (isSubmenu(item)) e.children = self(self, item);
            out.push_back(std::move(e));
        }
        return out;
    };
    return build(build, std::nullopt);
}

}  // namespace qvl
