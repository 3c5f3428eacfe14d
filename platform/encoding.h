#pragma once
// Conversions between the engine's Shift-JIS (CP932) bytes and the outside world.
// CP932, not plain SHIFT_JIS: the latter turns '\' into a yen sign.
#include <string>
#include <string_view>

namespace qvl::platform {

// Undecodable bytes become U+FFFD.
std::string sjisToUtf8(std::string_view sjis);
std::u32string sjisToUtf32(std::string_view sjis);
// Characters CP932 lacks become '?'.
std::string utf8ToSjis(std::string_view utf8);

}  // namespace qvl::platform
