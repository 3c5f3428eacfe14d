#include "script/script_key.h"

#include "base/numbers.h"

#include <optional>

namespace qvl {

namespace {
// The fixed chain that turns a key file's number into the key. Small constants;
// the encoder (qvl-txd) shares this code, so both always agree.
constexpr uint32_t kMixA = 0x2D5B;
constexpr uint32_t kMixB = 0x0A6E;
constexpr int kShift = 3;
constexpr int32_t kModulus = 97;
}  // namespace

int32_t scriptKeyFromValue(int32_t value) {
    // Unsigned arithmetic keeps the 32-bit wrap-around well defined.
    uint32_t v = uint32_t(value) ^ kMixA;
    v = 0u - v;
    v ^= kMixB;
    int32_t s = int32_t(v) >> kShift;  // arithmetic shift
    int32_t q = s / kModulus;
    // The negation of the most negative value cannot happen after the shift.
    int32_t r = (-s) % kModulus;
    return int32_t(0u - uint32_t(q ^ r));
}

std::optional<int32_t> scriptKeyFromFile(std::string_view fileText) {
    auto v = scanInt(fileText);
    if (!v) return std::nullopt;
    return scriptKeyFromValue(*v);
}

ScriptKeyBytes scriptKeyBytes(int32_t key) {
    // Keys 0..31 use their own value twice. Larger keys, and negative ones, take
    // two 5-bit pieces: a key byte of 32 or more could turn text into control
    // bytes and break the file's lines.
    if (key >= 0 && key < 32) return {uint8_t(key), uint8_t(key)};
    return {uint8_t((key >> 5) & 31), uint8_t(key & 31)};
}

void scrambleLine(std::string& line, int32_t key) {
    const ScriptKeyBytes k = scriptKeyBytes(key);
    for (std::size_t n = 0; n < line.size(); ++n) {
        auto c = static_cast<unsigned char>(line[n]);
        if (c >= 32) line[n] = char(c ^ ((n & 1) ? k.k1 : k.k0));
    }
}

void scrambleFile(std::string& bytes, int32_t key) {
    const ScriptKeyBytes k = scriptKeyBytes(key);
    std::size_t n = 0;  // the position in the line
    for (char& byte : bytes) {
        auto c = static_cast<unsigned char>(byte);
        if (c == '\r' || c == '\n') {
            n = 0;
            continue;
        }
        if (c >= 32) byte = char(c ^ ((n & 1) ? k.k1 : k.k0));
        ++n;
    }
}

}  // namespace qvl
