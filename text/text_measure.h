#pragma once
// The text window's layout without drawing: follows a text line through the cells,
// wrapping, centring and the size and position codes, reading the inline codes as
// the text window does (inline_codes::readControlCode), and tells where characters
// would land and which files the codes name. The scenario checker runs it over
// every text line.
#include <cstdint>
#include <string>
#include <vector>

namespace qvl {

// The layout that carries from one text line to the next.
struct MeasureLayout {
    int32_t cellWidth = 24;
    int32_t leftEdge = 0;
    int32_t rightLimit = 616;
    int32_t fontIndex = 0;
};

struct LineMeasure {
    enum class Outside { None, Left, Right, CentredTooWide };
    // The first character that would not fit the 640-pixel window, and by how many
    // pixels: left of it, past its right edge, or the width of the centred text.
    Outside outside = Outside::None;
    int64_t pixels = 0;
    // A code letter without its number: the run ends there, and so does the measure.
    char codeWithoutNumber = 0;
    std::vector<std::string> pictures, sounds;  // Shift-JIS names from <A>, <V>, <O>
};

class TextMeasure {
public:
    static constexpr int64_t kWindowWidth = 640;

    explicit TextMeasure(MeasureLayout& layout) : t_(layout) {}
    LineMeasure measureLine(const std::string& line);

private:
    void walk(const std::string& s);
    std::size_t control(const std::string& s, std::size_t p);
    void cell();
    void moveTo(int64_t x);

    MeasureLayout& t_;
    LineMeasure m_;
    int64_t x_ = 0;
};

}  // namespace qvl
