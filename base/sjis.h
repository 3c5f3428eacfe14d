#pragma once
// Shift-JIS (CP932) byte-string helpers. Script text stays in its own bytes; these
// helpers know where a double-byte character starts so that no operation splits one.
// Positions handed to and from scripts are 1-based byte positions, as in the scripts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvl::sjis {

// CP932 lead bytes: 0x81-0x9F and 0xE0-0xFC.
constexpr bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length in bytes (1 or 2) of the character starting at 0-based index i. A lead
// byte at the very end of the text counts as a character of its own.
std::size_t charLength(std::string_view s, std::size_t i);

// Blanks are the bytes 0..32 (space, tab and the other control characters).
constexpr bool isBlank(unsigned char c) { return c <= 32; }
std::string trimLeft(std::string_view s);
std::string trimRight(std::string_view s);
std::string trim(std::string_view s);

// 1-based byte position of the first occurrence of needle that starts on a
// character boundary, or 0 when there is none.
std::size_t find(std::string_view s, std::string_view needle);

// Bytes pos..pos+count-1 (1-based); out-of-range parts are dropped, like the
// string copy of the scripting language this engine grew up with.
std::string copy(std::string_view s, std::size_t pos, std::size_t count = std::string_view::npos);

// ASCII letter case folding that leaves double-byte characters alone (their trail
// bytes may look like letters).
std::string toLower(std::string_view s);
std::string toUpper(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Split at a single-byte separator that is not the trail byte of a character.
std::vector<std::string> split(std::string_view s, char separator);

// Replace the first occurrence of from (on a character boundary).
std::string replaceFirst(std::string_view s, std::string_view from, std::string_view to);

// Split a text file's bytes into lines at CR LF, LF or CR. When stopAtNul, the
// text ends at its first NUL byte. A final line break does not start an empty line.
std::vector<std::string> splitLines(std::string_view bytes, bool stopAtNul);

// A value as a message may quote it: control bytes written as \xNN (a NUL as \0)
// so nothing cuts the message short or breaks its line, and at most about
// maxBytes of it, ended with "..." when it was longer. No character is split.
std::string shownValue(std::string_view s, std::size_t maxBytes = 60);

}  // namespace qvl::sjis
