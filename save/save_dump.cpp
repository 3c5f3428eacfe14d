#include "save/save_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const SavePointSnapshot& snap) {
    return {
        {"exists", snap.exists()},
        {"ProgFileName", platform::sjisToUtf8(snap.interpreter.ProgFileName)},
        {"ProgChapter", platform::sjisToUtf8(snap.ProgChapter)},
        {"ProgExecLine", int64_t(snap.interpreter.ProgExecLine)},
        {"ProgTextPos", int64_t(snap.interpreter.ProgTextPos)},
        {"ProgMultiStateFlag", int64_t(snap.interpreter.ProgMultiStateFlag)},
    };
}

}  // namespace qvl
