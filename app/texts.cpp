#include "app/texts.h"

#include "platform/encoding.h"

#include <array>

namespace qvl {

const std::string& text(Text t) {
    static const std::array<const char*, std::size_t(Text::Count)> kUtf8{
        "Quorvel",
        "既に起動中です。",
        "終了",
        "終了しますか？",
        "エラー発生！！強制終了しますか？(設定ファイルを保存しません)",
        "16Bit HighColor 以上でないと色が正しく表示されません",
        "画面解像度を変更出来ませんでした。",
        "保存場所の指定(パスしか見ません)",
        "data0.hfd",
        "実行ファイル指定",
        "スクリプト(*.txt)|*.txt|暗号化スクリプト(*.txd)|*.txd|全てのファイル(*.*)|*.*",
        "カレントＤＩＲを変更しますか？",
        "例：\nサンプルプログラム実行の時→はい\n制作中ソフトのテストプレイの時→いいえ",
        "ＭＡＧ画像が読めません:",
        "Failed by MMAG_MagtoBmp",
        "警告",
        "画像が読めません:",
        "画像の読み込み失敗もしくはサイズ指定が異常です",
        "移動方向の指定が異常です:",
        "システムがセーブ可能な状態ではありません",
        "フラグデータ保存できず．．．",
        "ステータスデータ保存できず．．．",
        "回想データ保存できず．．．",
        "ステータスデータが読めません．．．",
        "確認",
        "タイトルに戻りますか？",
        "画面を保存できませんでした:",
    };
    static const auto kSjis = [] {
        std::array<std::string, std::size_t(Text::Count)> out;
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = platform::utf8ToSjis(kUtf8[i]);
        return out;
    }();
    return kSjis[std::size_t(t)];
}

}  // namespace qvl
