#pragma once
// The two inline forms that put text of their own into a line: (base,ruby), a
// reading drawn small over its base, and [value,width], an expression's or text
// flag's value. Each reads its form and hands back the text the window draws as
// part of the line it is showing: the base, or the value fitted to its width.
#include "text/text_host.h"
#include "text/text_layer.h"
#include "text/text_window_state.h"

#include <cstddef>
#include <optional>
#include <string>

namespace qvl {

class RubyAndValues {
public:
    struct Form {
        std::size_t next = 1;             // after the form's closing character
        std::optional<std::string> text;  // none: the form draws nothing
        std::string reading = {};         // ruby: the reading drawn over the base
    };

    RubyAndValues(TextHost& host, const TextWindowState& state, TextLayer& layer)
        : host_(host), t_(state), layer_(layer) {}

    // Both take the position after the opening character. ruby draws the reading
    // over the cells the base is about to take.
    Form ruby(const std::string& line, std::size_t p);
    Form embeddedValue(const std::string& line, std::size_t p);

private:
    TextHost& host_;
    const TextWindowState& t_;
    TextLayer& layer_;
};

}  // namespace qvl
