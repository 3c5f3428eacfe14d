#pragma once
// Cutting Shift-JIS text to a byte budget or a pixel width without ever splitting a
// double-byte character.
#include "platform/fonts.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qvl::ui {

// Length of the longest prefix of at most maxBytes bytes that ends on a character boundary.
std::size_t prefixWithinBytes(std::string_view sjis, std::size_t maxBytes);
// Start of the character that ends at pos (pos itself on a boundary); 0 at the start.
std::size_t previousCharStart(std::string_view sjis, std::size_t pos);
// The longest prefix that is at most maxWidth pixels wide.
std::string fitToWidth(platform::FontEngine& fonts, std::string_view sjis,
                       const platform::FontSpec& font, int maxWidth);

}  // namespace qvl::ui
