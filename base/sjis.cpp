#include "base/sjis.h"

namespace qvl::sjis {

std::size_t charLength(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && isLeadByte(static_cast<unsigned char>(s[i]))) return 2;
    return 1;
}

std::string trimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && isBlank(static_cast<unsigned char>(s[b]))) ++b;
    return std::string(s.substr(b));
}

std::string trimRight(std::string_view s) {
    // A trail byte is never <= 32, so trimming from the right cannot split a character.
    std::size_t e = s.size();
    while (e > 0 && isBlank(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(0, e));
}

std::string trim(std::string_view s) { return trimRight(trimLeft(s)); }

std::size_t find(std::string_view s, std::string_view needle) {
    if (needle.empty()) return 0;
    for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) {
        if (s.substr(i, needle.size()) == needle) return i + 1;
    }
    return 0;
}

std::string copy(std::string_view s, std::size_t pos, std::size_t count) {
    if (pos < 1) pos = 1;
    if (pos > s.size()) return {};
    return std::string(s.substr(pos - 1, count));
}

namespace {
template <typename Fold>
std::string foldCase(std::string_view s, Fold fold) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size();) {
        std::size_t n = charLength(out, i);
        if (n == 1) out[i] = fold(out[i]);
        i += n;
    }
    return out;
}
}  // namespace

std::string toLower(std::string_view s) {
    return foldCase(s, [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
}

std::string toUpper(std::string_view s) {
    return foldCase(s, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && toLower(a) == toLower(b);
}

std::vector<std::string> split(std::string_view s, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = charLength(s, i);
        if (n == 1 && s[i] == separator) {
            parts.emplace_back(s.substr(start, i - start));
            start = i + 1;
        }
        i += n;
    }
    parts.emplace_back(s.substr(start));
    return parts;
}

std::string replaceFirst(std::string_view s, std::string_view from, std::string_view to) {
    std::size_t p = find(s, from);
    if (p == 0) return std::string(s);
    std::string out(s.substr(0, p - 1));
    out += to;
    out += s.substr(p - 1 + from.size());
    return out;
}

std::vector<std::string> splitLines(std::string_view bytes, bool stopAtNul) {
    if (stopAtNul) {
        std::size_t nul = bytes.find('\0');
        if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(bytes.substr(start, i - start));
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string shownValue(std::string_view s, std::size_t maxBytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (out.size() >= maxBytes) {
            out += "...";
            break;
        }
        const std::size_t n = charLength(s, i);
        const auto c = static_cast<unsigned char>(s[i]);
        if (n == 1 && c == 0) {
            out += "\\0";
        } else if (n == 1 && (c < 0x20 || c == 0x7F)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out.append(s.substr(i, n));
        }
        i += n;
    }
    return out;
}

}  // namespace qvl::sjis
