#include "ui/ui_strings.h"

#include "platform/encoding.h"

#include <array>

namespace qvl::ui {

namespace {
constexpr std::array kUtf8Texts = {
    "OK",
    "キャンセル",
    "はい",
    "いいえ",
    "ファイルが見つかりません。",
    "ファイルの場所:",
    "ファイル名:",
    "ファイルの種類:",
    "すべてのファイル (*.*)",
    "メニュー",
    "無効",
    "チェック",
};
}  // namespace

const std::string& uiText(UiText id) {
    static const auto table = [] {
        std::array<std::string, kUtf8Texts.size()> sjis;
        for (std::size_t i = 0; i < kUtf8Texts.size(); ++i) sjis[i] = platform::utf8ToSjis(kUtf8Texts[i]);
        return sjis;
    }();
    auto index = static_cast<std::size_t>(id);
    static const std::string kNone;
    return index < table.size() ? table[index] : kNone;
}

}  // namespace qvl::ui
