#pragma once
// The script errors the reader chose to go on after, in the order they came: the
// debug window's error list shows them, and so does a headless run's state dump.
// Errors are kept whether or not debug mode is on.
#include <cstddef>
#include <string>
#include <vector>

namespace qvl {

class ErrorList {
public:
    // The longest list kept; older entries make way for newer ones.
    static constexpr std::size_t kLimit = 4096;

    // detail: the report's text in Shift-JIS ("File:... Line:.../message").
    void add(std::string detail);
    const std::vector<std::string>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    std::vector<std::string> entries_;
};

}  // namespace qvl
