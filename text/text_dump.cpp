#include "text/text_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

using nlohmann::ordered_json;

ordered_json toJson(const TextWindowState& t) {
    return {
        {"cursorX", int64_t(t.cursorX)},
        {"cursorY", int64_t(t.cursorY)},
        {"originX", int64_t(t.originX)},
        {"originY", int64_t(t.originY)},
        {"cellWidth", int64_t(t.cellWidth)},
        {"cellHeight", int64_t(t.cellHeight)},
        {"rubyGap", int64_t(t.rubyGap)},
        {"fontHeight", int64_t(t.fontHeight)},
        {"rubyHeight", int64_t(t.rubyHeight)},
        {"sizeIndex", int64_t(t.sizeIndex)},
        {"leftEdge", int64_t(t.leftEdge)},
        {"rightLimit", int64_t(t.rightLimit)},
        {"bottomLimit", int64_t(t.bottomLimit)},
        {"textColour", int64_t(t.textColour)},
        {"shadowColour", int64_t(t.shadowColour)},
        {"shadowOn", bool(t.shadowOn)},
        {"outlineMode", int64_t(t.outlineMode)},
        {"textVisible", bool(t.textVisible)},
        {"fontIndex", int64_t(t.fontIndex)},
        {"fontName", platform::sjisToUtf8(t.fontName)},
        {"rubyFontName", platform::sjisToUtf8(t.rubyFontName)},
        {"charDelay", int64_t(t.charDelay)},
    };
}

ordered_json toJson(const MessageLog& log) {
    ordered_json pages = ordered_json::array();
    for (const auto& page : log.pages) {
        ordered_json lines = ordered_json::array();
        for (const std::string& line : page) lines.push_back(platform::sjisToUtf8(line));
        pages.push_back(std::move(lines));
    }
    return {
        {"LogTotalPage", int64_t(log.LogTotalPage)},
        {"LogCurrentPage", int64_t(log.LogCurrentPage)},
        {"LogCurrentLine", int64_t(log.LogCurrentLine)},
        {"SaveLogStartPage", int64_t(log.SaveLogStartPage)},
        {"SaveLogTotalPage", int64_t(log.SaveLogTotalPage)},
        {"viewActive", log.viewActive},
        {"viewOffset", int64_t(log.viewOffset)},
        {"pages", std::move(pages)},
    };
}

ordered_json logViewJson(const MessageLog& log) {
    return {{"open", log.viewActive}, {"page", int64_t(log.viewOffset + 1)}, {"total", int64_t(log.LogTotalPage)}};
}

}  // namespace qvl
