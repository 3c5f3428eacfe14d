#include "text/ruby_and_values.h"

#include "text/inline_codes.h"

#include <utility>

namespace qvl {

RubyAndValues::Form RubyAndValues::ruby(const std::string& line, std::size_t p) {
    const inline_codes::Part base = inline_codes::readToken(line, p, ')');
    inline_codes::Part reading;
    reading.next = base.next;
    // Only a ',' leads on to the reading; ')' closes the form at once.
    if (base.ended == ',') reading = inline_codes::readToken(line, base.next, ')');
    if (base.text.empty() || reading.text.empty()) return {reading.next, std::nullopt};

    const platform::FontSpec font{t_.rubyFontName, t_.rubyHeight, true};
    const int w = host_.fonts().measureText(reading.text, font);
    const int64_t cells = int64_t(base.text.size() / 2);
    const int x = drawCoordinate(t_.cursorX + (cells * t_.cellWidth - w) / 2 + t_.originX);
    const int y = drawCoordinate(int64_t(t_.cursorY) + t_.originY);
    layer_.drawGlyphs(reading.text, x, y, true);
    layer_.showRect({x - 1, y, w + 3, 16});
    return {reading.next, base.text, reading.text};
}

RubyAndValues::Form RubyAndValues::embeddedValue(const std::string& line, std::size_t p) {
    const inline_codes::Part value = inline_codes::readValuePart(line, p);
    inline_codes::Part width;
    width.next = value.next;
    if (value.ended == ',') width = inline_codes::readValuePart(line, value.next);
    if (value.text.empty()) return {width.next, std::nullopt};
    std::string text =
        value.text.front() == '@' ? host_.textFlag(value.text) : std::to_string(host_.evaluate(value.text));
    const int32_t w = width.text.empty() ? 0 : host_.evaluate(width.text);
    return {width.next, inline_codes::fitToWidth(std::move(text), w)};
}

}  // namespace qvl
