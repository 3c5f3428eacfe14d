#pragma once
// <...> control sequences inside text lines: the codes that set the size, font,
// cursor, limits, colours and delay of the text window, wait a while, show a
// picture or play a sound. The measuring pass reads the same codes
// (inline_codes::readControlCode) without drawing.
#include "text/text_host.h"
#include "text/text_layer.h"
#include "text/text_window_state.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvl {

class ControlSequence {
public:
    ControlSequence(TextHost& host, TextEngineValues values, TextWindowState& state, TextLayer& layer)
        : host_(host), v_(values), t_(state), layer_(layer) {}

    // Runs the codes from p, the position after the '<', and returns the position
    // after the '>' that closes them.
    std::size_t run(const std::string& line, std::size_t p);

private:
    void codeWait(int32_t ms);
    void inlineImage(const std::string& name);

    TextHost& host_;
    TextEngineValues v_;
    TextWindowState& t_;
    TextLayer& layer_;
};

}  // namespace qvl
