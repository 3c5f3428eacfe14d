#include "base/config_list.h"

#include "base/numbers.h"
#include "base/sjis.h"

namespace qvl {

ConfigList ConfigList::fromBytes(std::string_view bytes) {
    ConfigList list;
    list.lines_ = sjis::splitLines(bytes, false);
    return list;
}

const std::string* ConfigList::find(std::string_view key) const {
    for (const auto& line : lines_) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (sjis::equalsIgnoreCase(std::string_view(line).substr(0, eq), key)) return &line;
    }
    return nullptr;
}

std::string ConfigList::value(std::string_view key) const {
    const std::string* line = find(key);
    return line ? line->substr(line->find('=') + 1) : std::string();
}

bool ConfigList::contains(std::string_view key) const { return find(key) != nullptr; }

std::size_t ConfigList::lineOf(std::string_view key) const {
    const std::string* line = find(key);
    return line ? std::size_t(line - lines_.data()) + 1 : 0;
}

int32_t ConfigList::intValue(std::string_view key, int32_t emptyDefault) const {
    return toIntOr(value(key), emptyDefault);
}

std::string ConfigList::toBytes() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace qvl
