#include "script/messages.h"

#include "platform/encoding.h"

#include <array>

namespace qvl {

const std::string& message(Message m) {
    static const std::array<std::string, 15> kTexts{
        platform::utf8ToSjis("ラベルが多すぎます。最大："),
        platform::utf8ToSjis("ラベルが見つかりません"),
        platform::utf8ToSjis("コマンドが変です"),
        platform::utf8ToSjis("ファイルを開けません："),
        platform::utf8ToSjis("算術エラーが発生しました。コード:"),
        platform::utf8ToSjis(" 式:"),
        platform::utf8ToSjis("演算子が異常です:"),
        platform::utf8ToSjis("フラグの添字が異常です"),
        platform::utf8ToSjis("が見つかりません"),
        platform::utf8ToSjis("GOSUBのスタックが溢れました"),
        platform::utf8ToSjis("GOSUB無しでRETURNが実行されました"),
        platform::utf8ToSjis("選択肢が多すぎます。最大："),
        platform::utf8ToSjis("このシナリオを実行するには ver"),
        platform::utf8ToSjis("以上のＱＶＬが必要です。"),
        platform::utf8ToSjis("コマンドの入れ子が深すぎます。最大："),
    };
    return kTexts[std::size_t(m)];
}

}  // namespace qvl
