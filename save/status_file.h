#pragma once
// The status file of a save slot (data<n>.hsd): the save point as 516 Shift-JIS
// lines, CR LF, in the order the original program wrote them, so saves move
// between the two in both directions.
#include "base/fault.h"
#include "save/save_point.h"

#include <string>
#include <string_view>

namespace qvl {

inline constexpr int kStatusLines = 516;
// Limits of what a save file may hold. Real saves have short lines (the original
// program's lines held at most 255 bytes) and files of a few kilobytes.
inline constexpr std::size_t kMaxSaveLine = 4096;
inline constexpr std::size_t kMaxSaveFile = 1 << 20;
// No script has more lines; a larger line number in a save is damage.
inline constexpr int32_t kMaxScriptLine = 10'000'000;

// A line of a save file that cannot be used: its number (from 1), its text and
// what it should have held (UTF-8 words for the message made from it).
class SaveFileFault : public Fault {
public:
    SaveFileFault(int line, std::string value, std::string expected)
        : Fault("line " + std::to_string(line)),
          line_(line),
          value_(std::move(value)),
          expected_(std::move(expected)) {}
    // The expectation of a line that is too long.
    static std::string tooLong();
    int line() const { return line_; }
    const std::string& value() const { return value_; }
    const std::string& expected() const { return expected_; }

private:
    int line_;
    std::string value_, expected_;
};

// The file's bytes for a snapshot that exists.
std::string writeStatusFile(const SavePointSnapshot& snapshot);

// Reads a status file over `into`, or changes nothing. The first line is ignored.
// Throws SaveFileFault on a line over kMaxSaveLine, a number that is not one or
// lies outside its field's range, or a file that ends early.
void readStatusFile(std::string_view bytes, SavePointSnapshot& into);

}  // namespace qvl
