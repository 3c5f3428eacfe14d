#pragma once
// Reading numbers out of script and configuration text with the engine's rules.
#include <cstdint>
#include <optional>
#include <string_view>

namespace qvl {

// A whole text as a 32-bit decimal integer: an optional sign then digits, nothing
// else. Returns nothing for anything else (empty text, blanks, overflow).
std::optional<int32_t> parseInt(std::string_view text);

// As parseInt, but a text that is not a number is a run-time fault.
int32_t toInt(std::string_view text);

// A configuration value: empty reads as the default, otherwise toInt.
int32_t toIntOr(std::string_view text, int32_t emptyDefault);

// The leading integer of a text the way a C "%d" scan reads it: leading white
// space, an optional sign, digits; the rest is ignored. Nothing when no digit.
std::optional<int32_t> scanInt(std::string_view text);

// Exactly eight hexadecimal digits (a text-line identifier); a fault otherwise.
uint32_t toHex8(std::string_view text);

}  // namespace qvl
