#include "debug/debug_texts.h"

#include "platform/encoding.h"

#include <array>

namespace qvl {

namespace {
constexpr std::array<const char*, std::size_t(DebugText::Count)> kUtf8 = {
    "デバッグモード",
    "エラーリスト",
    "変数リスト",
    "実行時ステータス",
    "画像バッファ",
    "選択：",
    "SET",
    "強制更新",
    "←ここは自動的に更新されます",
    "更新",
    "選択し直せば更新",
    "閉じる",
    "プログラム終了",
    "**実行が終了しているか、スクリプトが走っていません**",
    "カレントDIR:\"",
};
}  // namespace

const std::string& debugText(DebugText t) {
    static const auto table = [] {
        std::array<std::string, kUtf8.size()> sjis;
        for (std::size_t i = 0; i < kUtf8.size(); ++i) sjis[i] = platform::utf8ToSjis(kUtf8[i]);
        return sjis;
    }();
    static const std::string kNone;
    const auto i = std::size_t(t);
    return i < table.size() ? table[i] : kNone;
}

}  // namespace qvl
