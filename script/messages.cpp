#include "script/messages.h"

#include "platform/encoding.h"

#include <array>

namespace qvl {

const std::string& message(Message m) {
    static const std::array<std::string, 4> kTexts{
        platform::utf8ToSjis("ラベルが多すぎます。最大："),
        platform::utf8ToSjis("ラベルが見つかりません"),
        platform::utf8ToSjis("コマンドが変です"),
        platform::utf8ToSjis("ファイルを開けません："),
    };
    return kTexts[std::size_t(m)];
}

}  // namespace qvl
