#pragma once
// The text window's script commands that place the cursor, set the delay and the
// origin, erase part of the text layer or put a picture on it. Arguments arrive
// parsed; an empty optional is an argument not given.
#include "text/text_host.h"
#include "text/text_layer.h"
#include "text/text_window_state.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qvl {

class TextCommands {
public:
    TextCommands(TextHost& host, TextEngineValues values, TextWindowState& state, TextLayer& layer)
        : host_(host), v_(values), t_(state), layer_(layer) {}

    void textRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void textCur(std::optional<int32_t> column, std::optional<int32_t> row);
    void textCurTo(int32_t columns, int32_t rows);
    void textLoc(std::optional<int32_t> x, std::optional<int32_t> y);
    void textLocTo(int32_t dx, int32_t dy);
    void textWait(std::optional<int32_t> delay);
    void textOffset(int32_t x, int32_t y);
    // colour: a transparency text; empty or "#NONE" for an opaque picture.
    void textImage(std::optional<int32_t> x, std::optional<int32_t> y, const std::string& file,
                   const std::string& colour);

private:
    TextHost& host_;
    TextEngineValues v_;
    TextWindowState& t_;
    TextLayer& layer_;
};

}  // namespace qvl
