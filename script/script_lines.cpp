#include "script/script_lines.h"

#include <algorithm>

namespace qvl {

namespace {

std::string joined(auto const& lines) {
    std::size_t total = 0;
    for (const auto& line : lines) total += std::string_view(line).size() + 1;
    std::string bytes;
    bytes.reserve(total);
    for (const auto& line : lines) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

}  // namespace

ScriptLines ScriptLines::fromBytes(std::string bytes) {
    ScriptLines lines;
    if (std::size_t nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
    // The reader's buffer grows by doubling; a script keeps only what it holds.
    if (bytes.capacity() - bytes.size() > bytes.size() / 8) bytes.shrink_to_fit();
    lines.bytes_ = std::move(bytes);
    lines.index();
    return lines;
}

ScriptLines::ScriptLines(const std::vector<std::string>& lines) : bytes_(joined(lines)) { index(); }

ScriptLines::ScriptLines(std::initializer_list<std::string_view> lines) : bytes_(joined(lines)) { index(); }

void ScriptLines::index() {
    starts_.clear();
    count_ = 0;
    for (std::size_t offset = 0; offset < bytes_.size(); offset = nextLine(offset)) {
        if (count_ % kStride == 0) starts_.push_back(offset);
        ++count_;
    }
    starts_.shrink_to_fit();
}

std::string_view ScriptLines::lineAt(std::size_t offset) const {
    const std::string_view all = bytes_;
    const std::size_t end = std::min(all.find_first_of("\r\n", offset), all.size());
    return all.substr(offset, end - offset);
}

std::size_t ScriptLines::nextLine(std::size_t offset) const {
    std::size_t end = std::string_view(bytes_).find_first_of("\r\n", offset);
    if (end == std::string_view::npos) return bytes_.size();
    if (bytes_[end] == '\r' && end + 1 < bytes_.size() && bytes_[end + 1] == '\n') ++end;
    return end + 1;
}

ScriptLines::Iterator& ScriptLines::Iterator::operator++() {
    offset_ = lines_->nextLine(offset_);
    ++index_;
    return *this;
}

ScriptLines::Iterator ScriptLines::at(std::size_t i) const {
    if (i >= count_) return end();
    Iterator it{this, i - i % kStride, starts_[i / kStride]};
    while (it.index_ < i) ++it;
    return it;
}

std::string_view ScriptLines::operator[](std::size_t i) const { return *at(i); }

std::vector<std::string> ScriptLines::toStrings() const {
    std::vector<std::string> out;
    out.reserve(count_);
    for (std::string_view line : *this) out.emplace_back(line);
    return out;
}

}  // namespace qvl
