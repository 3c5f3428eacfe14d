#pragma once
// Readers for the parts of inline text codes: <...> control sequences,
// (base,ruby) and [value,width]. Positions are 1-based byte positions.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvl::inline_codes {

// An optional sign and decimal digits right at p; p moves past them. A code
// letter with no digit after it is a fault that ends the run.
int32_t readNumber(std::string_view line, std::size_t& p);

// "#RRGGBB" at p as a red-low colour; p moves past up to seven bytes. Anything
// malformed reads as white.
uint32_t readColour(std::string_view line, std::size_t& p);

struct Part {
    std::string text;
    std::size_t next = 1;  // after the delimiter that ended it
    char ended = 0;        // that delimiter, 0 at the end of the line
};

// A token as command arguments are read: quoted text keeps everything up to its
// closing quote and the rest up to the delimiter is dropped; unquoted text drops
// blanks. ',', a line feed or the terminator end it.
Part readToken(std::string_view line, std::size_t p, char terminator);

// One part of an embedded value, up to ',' or the ']' that closes the value;
// brackets of flag references inside ("$flg[3]") belong to the text.
Part readValuePart(std::string_view line, std::size_t p);

// One code of a <...> control sequence, as the text window and its measuring pass
// both read it: a new code letter is taught here once.
struct ControlCode {
    char letter = 0;      // 0: the line ended; '>': the sequence closed
    int32_t number = 0;   // S F X Y M N L H J K T W Q I R U D P E
    uint32_t colour = 0;  // C B
    Part name;            // A V O: a file name; name.ended == '>' closes the sequence too
};

// Reads the next code of a control sequence at p (after the '<' or the previous
// code) and moves p past it, passing over what is no code. letter is set before the
// code's number is read, so the fault of a missing number can name it.
void readControlCode(std::string_view line, std::size_t& p, ControlCode& code);

// Where each form ends: p is the position after its opening character, the
// result the position after its closing one (past the end when it is missing).
std::size_t rubyEnd(std::string_view line, std::size_t p);
std::size_t valueEnd(std::string_view line, std::size_t p);
// Up to the first '>'; a quoted file name holding one is not looked into.
std::size_t controlSequenceEnd(std::string_view line, std::size_t p);

inline constexpr int32_t kMaxWidth = 4096;

// Pads with spaces on the right and cuts to width (> 0), or pads on the left and
// keeps the last -width bytes (< 0); 0 leaves the text alone. Widths are bounded
// by kMaxWidth.
std::string fitToWidth(std::string text, int32_t width);

}  // namespace qvl::inline_codes
