#pragma once
// A configuration file as a list of key=value lines. A key is found by the first
// line whose text before its first '=' equals it, letter case ignored; the value is
// everything after that '=', untrimmed. Section headers are kept but never match.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

class ConfigList {
public:
    ConfigList() = default;
    static ConfigList fromBytes(std::string_view bytes);

    // Empty text when the key is absent.
    std::string value(std::string_view key) const;
    bool contains(std::string_view key) const;
    // 1-based number of the line that holds the key, 0 when absent (for messages).
    std::size_t lineOf(std::string_view key) const;
    // Empty reads as emptyDefault; a non-number is a fault.
    int32_t intValue(std::string_view key, int32_t emptyDefault) const;

    void add(std::string line) { lines_.push_back(std::move(line)); }
    const std::vector<std::string>& lines() const { return lines_; }
    // The lines joined with CR LF after each one, as the files are written.
    std::string toBytes() const;

private:
    const std::string* find(std::string_view key) const;
    std::vector<std::string> lines_;
};

}  // namespace qvl
