#pragma once
// The lines of a script file, kept as the file's own bytes: a script of a hundred
// megabytes or of millions of short lines costs little more than its size. Lines
// end at CR LF, LF or CR; the text ends at its first NUL byte; a final line break
// starts no empty line. Lines are handed out as views into the bytes, valid while
// the ScriptLines lives and is not assigned to.
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

class ScriptLines {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        Iterator() = default;
        std::string_view operator*() const { return lines_->lineAt(offset_); }
        Iterator& operator++();
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }
        std::size_t index() const { return index_; }

    private:
        friend class ScriptLines;
        Iterator(const ScriptLines* lines, std::size_t index, std::size_t offset)
            : lines_(lines), index_(index), offset_(offset) {}
        const ScriptLines* lines_ = nullptr;
        std::size_t index_ = 0;
        std::size_t offset_ = 0;
    };

    ScriptLines() = default;
    // A file's bytes, taken over without a copy.
    static ScriptLines fromBytes(std::string bytes);
    // Separate lines (tests, the checker), joined by line feeds: a line holding a
    // line break becomes two.
    ScriptLines(const std::vector<std::string>& lines);
    ScriptLines(std::initializer_list<std::string_view> lines);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Line i (< size()), untrimmed, without its line break.
    std::string_view operator[](std::size_t i) const;
    Iterator begin() const { return {this, 0, 0}; }
    Iterator end() const { return {this, count_, bytes_.size()}; }
    // Iterator to line i (<= size()).
    Iterator at(std::size_t i) const;

    std::vector<std::string> toStrings() const;
    // Bytes held, for the checks that a script costs about its size.
    std::size_t memoryUsed() const { return bytes_.capacity() + starts_.capacity() * sizeof(std::size_t); }

private:
    // Every sixteenth line's start is kept; the lines between are found by
    // reading on from there.
    static constexpr std::size_t kStride = 16;

    void index();
    std::string_view lineAt(std::size_t offset) const;
    std::size_t nextLine(std::size_t offset) const;

    std::string bytes_;
    std::vector<std::size_t> starts_;
    std::size_t count_ = 0;
};

}  // namespace qvl
