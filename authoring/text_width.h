#pragma once
// Follows a text line through the text window's layout rules (cells, wrapping,
// centring, size and position codes) without drawing it, to find characters
// that would land outside the window, and notes the files its codes name.
#include <cstdint>
#include <string>
#include <vector>

namespace qvl::authoring {

// The layout that carries from one text line to the next.
struct TextLayout {
    int32_t cellWidth = 24;
    int32_t leftEdge = 0;
    int32_t rightLimit = 616;
    int32_t fontIndex = 0;
};

struct TextLineReport {
    // Empty when every character fits; otherwise why one does not.
    std::string overflow;
    // A code letter without its number: a fault that ends the run.
    std::string badCode;
    std::vector<std::string> pictures, sounds;  // Shift-JIS names from <A>, <V>, <O>

    // [value,width] as the text window reads them (blanks dropped); closed when
    // its ']' was found.
    struct Value {
        std::string value, width;
        bool closed = true;
    };
    std::vector<Value> values;
    // (base,reading) groups; closed when the ')' was found.
    struct Ruby {
        std::string base, reading;
        bool closed = true;
    };
    std::vector<Ruby> rubies;
    // Every code letter read with a number, in order.
    struct Code {
        char letter = 0;
        int32_t number = 0;
    };
    std::vector<Code> codes;
};

TextLineReport followTextLine(const std::string& line, TextLayout& layout);

}  // namespace qvl::authoring
