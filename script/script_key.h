#pragma once
// The light scramble of ".txd" scripts: every byte of 32 or more is XORed with one
// of two key bytes, alternating along the line. Encoding and decoding are the same
// transform. Control bytes are never touched and never produced, so line breaks
// survive both ways.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

// The key used when the scenario ships no "decode.key".
inline constexpr int32_t kDefaultScriptKey = 23;

// The key a "decode.key" value stands for.
int32_t scriptKeyFromValue(int32_t value);

// Reads the decimal value of a "decode.key" file's text the way a "%d" scan does;
// nothing when it holds no number.
std::optional<int32_t> scriptKeyFromFile(std::string_view fileText);

struct ScriptKeyBytes {
    uint8_t k0, k1;
};
ScriptKeyBytes scriptKeyBytes(int32_t key);

// In place; its own inverse.
void scrambleLine(std::string& line, int32_t key);
// A whole file in place, line by line: the byte counter restarts after every CR or
// LF, as the reader's does when it decodes the file's lines.
void scrambleFile(std::string& bytes, int32_t key);

}  // namespace qvl
