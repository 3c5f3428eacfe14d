#include "dialogs/dialogs_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const FontDialogState& dialog) {
    nlohmann::ordered_json faces = nlohmann::ordered_json::array();
    for (const std::string& face : dialog.faces) faces.push_back(platform::sjisToUtf8(face));
    return {{"open", dialog.open}, {"faces", std::move(faces)}};
}

}  // namespace qvl
