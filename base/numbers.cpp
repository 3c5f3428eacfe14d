#include "base/numbers.h"

#include "base/fault.h"
#include "base/sjis.h"

#include <string>

namespace qvl {

namespace {
std::optional<int32_t> readDigits(std::string_view text, std::size_t& i) {
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::size_t first = i;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(INT32_MAX) + 1) return std::nullopt;
        ++i;
    }
    if (i == first) return std::nullopt;
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}
}  // namespace

std::optional<int32_t> parseInt(std::string_view text) {
    std::size_t i = 0;
    auto v = readDigits(text, i);
    if (!v || i != text.size()) return std::nullopt;
    return v;
}

int32_t toInt(std::string_view text) {
    if (auto v = parseInt(text)) return *v;
    throw Fault("'" + sjis::shownValue(text) + "' is not a valid integer value");
}

int32_t toIntOr(std::string_view text, int32_t emptyDefault) {
    return text.empty() ? emptyDefault : toInt(text);
}

std::optional<int32_t> scanInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    return readDigits(text, i);
}

uint32_t toHex8(std::string_view text) {
    uint32_t value = 0;
    bool ok = text.size() == 8;
    for (std::size_t i = 0; ok && i < text.size(); ++i) {
        char c = text[i];
        int d = (c >= '0' && c <= '9') ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                       : -1;
        if (d < 0) ok = false;
        value = value * 16 + uint32_t(d);
    }
    if (!ok) throw Fault("'0x" + sjis::shownValue(text) + "' is not a valid integer value");
    return value;
}

}  // namespace qvl
