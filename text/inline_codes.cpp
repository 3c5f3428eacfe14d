#include "text/inline_codes.h"

#include "base/fault.h"
#include "base/sjis.h"

#include <algorithm>
#include <climits>

namespace qvl::inline_codes {

int32_t readNumber(std::string_view line, std::size_t& p) {
    std::size_t i = p - 1;
    const std::size_t start = i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
    const std::size_t digits = i;
    int64_t value = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        // Saturate rather than overflow on absurd digit runs.
        if (value <= INT64_MAX / 100) value = value * 10 + (line[i] - '0');
        ++i;
    }
    if (i == digits) {
        const std::string shown(line.substr(std::min(start, line.size()), i - start + 1));
        throw Fault("'" + shown + "' is not a valid integer value");
    }
    if (line[start] == '-') value = -value;
    p = i + 1;
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

uint32_t readColour(std::string_view line, std::size_t& p) {
    const std::string_view text = p - 1 < line.size() ? line.substr(p - 1, 7) : std::string_view();
    p += text.size();
    if (text.size() != 7 || text[0] != '#') return 0xFFFFFF;
    uint32_t rgb = 0;
    for (char c : text.substr(1)) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return 0xFFFFFF;
        rgb = rgb << 4 | uint32_t(d);
    }
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

Part readToken(std::string_view line, std::size_t p, char terminator) {
    Part part;
    std::size_t i = p > 0 ? p - 1 : 0;
    auto isEnd = [&](char c) { return c == '\n' || c == ',' || c == terminator; };
    const bool quoted = i < line.size() && line[i] == '"';
    if (quoted) {
        ++i;
        while (i < line.size()) {
            const std::size_t n = sjis::charLength(line, i);
            if (n == 1 && (line[i] == '"' || line[i] == '\n')) break;
            part.text.append(line.substr(i, n));
            i += n;
        }
        if (i < line.size() && line[i] == '"') ++i;
    }
    while (i < line.size()) {
        const std::size_t n = sjis::charLength(line, i);
        if (n == 1 && isEnd(line[i])) {
            part.ended = line[i];
            ++i;
            break;
        }
        if (!quoted && !(n == 1 && sjis::isBlank(static_cast<unsigned char>(line[i]))))
            part.text.append(line.substr(i, n));
        i += n;
    }
    part.next = i + 1;
    return part;
}

Part readValuePart(std::string_view line, std::size_t p) {
    Part part;
    int depth = 0;
    std::size_t i = p > 0 ? p - 1 : 0;
    while (i < line.size()) {
        const std::size_t n = sjis::charLength(line, i);
        if (n == 1) {
            const char c = line[i];
            if (c == '[') ++depth;
            if (c == ']' && depth > 0) {
                --depth;
            } else if (c == ',' || c == ']' || c == '\n') {
                part.ended = c;
                ++i;
                break;
            }
            if (c == ' ' || c == '\t') {
                ++i;
                continue;
            }
        }
        part.text.append(line.substr(i, n));
        i += n;
    }
    part.next = i + 1;
    return part;
}

std::size_t rubyEnd(std::string_view line, std::size_t p) {
    const Part base = readToken(line, p, ')');
    return base.ended == ',' ? readToken(line, base.next, ')').next : base.next;
}

std::size_t valueEnd(std::string_view line, std::size_t p) {
    const Part value = readValuePart(line, p);
    return value.ended == ',' ? readValuePart(line, value.next).next : value.next;
}

std::size_t controlSequenceEnd(std::string_view line, std::size_t p) {
    std::size_t i = p > 0 ? p - 1 : 0;
    while (i < line.size()) {
        const std::size_t n = sjis::charLength(line, i);
        i += n;
        if (n == 1 && line[i - 1] == '>') break;
    }
    return i + 1;
}

std::string fitToWidth(std::string text, int32_t width) {
    // A script's width can be anything; no value line is ever wider than this.
    width = std::clamp(width, -kMaxWidth, kMaxWidth);
    if (width > 0) {
        text.resize(std::size_t(width), ' ');
    } else if (width < 0) {
        const std::size_t n = std::size_t(-int64_t(width));
        if (text.size() < n) text.insert(0, n - text.size(), ' ');
        text.erase(0, text.size() - n);
    }
    return text;
}

void readControlCode(std::string_view line, std::size_t& p, ControlCode& code) {
    code = ControlCode{};
    while (p <= line.size()) {
        const char letter = line[p - 1];
        const std::size_t n = sjis::charLength(line, p - 1);
        p += n;
        if (n != 1) continue;
        switch (letter) {
            case '>':
                code.letter = letter;
                return;
            case 'S': case 'F': case 'X': case 'Y': case 'M': case 'N': case 'L': case 'H': case 'J':
            case 'K': case 'T': case 'W': case 'Q': case 'I': case 'R': case 'U': case 'D': case 'P':
            case 'E':
                code.letter = letter;
                code.number = readNumber(line, p);
                return;
            case 'C':
            case 'B':
                code.letter = letter;
                code.colour = readColour(line, p);
                return;
            case 'V':
            case 'O':
            case 'A':
                code.letter = letter;
                code.name = readToken(line, p, '>');
                p = code.name.next;
                return;
            default:
                break;
        }
    }
}

}  // namespace qvl::inline_codes
