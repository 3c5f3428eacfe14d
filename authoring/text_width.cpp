#include "authoring/text_width.h"

#include "base/fault.h"
#include "base/sjis.h"
#include "text/inline_codes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace qvl::authoring {

namespace {

constexpr int64_t kWindowWidth = 640;

class LineWalker {
public:
    LineWalker(TextLayout& t, TextLineReport& r) : t_(t), r_(r), x_(t.leftEdge) {}

    void walk(const std::string& s) {
        std::size_t p = 1;
        while (p <= s.size()) {
            const std::size_t n = t_.fontIndex >= 4 ? 1 : sjis::charLength(s, p - 1);
            const std::string c = s.substr(p - 1, n);
            p += n;
            if (c == "<") {
                p = control(s, p);
            } else if (c == "(") {
                const inline_codes::Part base = inline_codes::readToken(s, p, ')');
                inline_codes::Part reading;
                reading.next = base.next;
                if (base.ended == ',') reading = inline_codes::readToken(s, base.next, ')');
                p = reading.next;
                r_.rubies.push_back({base.text, reading.text, (base.ended == ',' ? reading.ended : base.ended) != 0});
                if (!base.text.empty() && !reading.text.empty()) walk(base.text);
            } else if (c == "[") {
                const inline_codes::Part value = inline_codes::readValuePart(s, p);
                inline_codes::Part width;
                width.next = value.next;
                if (value.ended == ',') width = inline_codes::readValuePart(s, value.next);
                p = width.next;
                r_.values.push_back({value.text, width.text, (value.ended == ',' ? width.ended : value.ended) == ']'});
                // Only a written width says how long the value will be.
                char* end = nullptr;
                const long w = std::strtol(width.text.c_str(), &end, 10);
                if (!value.text.empty() && !width.text.empty() && *end == '\0')
                    for (long i = 0; i < std::min(std::labs(w), 4096L); ++i) draw();
            } else if (c == "." || c == "|" || c == "&") {
                x_ = t_.leftEdge;
            } else if (c == "^" || c == "%") {
                // no character
            } else if (c == "/") {
                const int64_t rest = int64_t(s.size()) - int64_t(p);
                const int64_t wide = rest * t_.cellWidth / 2;
                if (wide > kWindowWidth && r_.overflow.empty())
                    r_.overflow = "centred text is " + std::to_string(wide) + " pixels wide, more than the " +
                                  std::to_string(kWindowWidth) + "-pixel window";
                x_ = (kWindowWidth - wide) / 2;
            } else {
                draw();
            }
        }
    }

private:
    void draw() {
        if (r_.overflow.empty()) {
            if (x_ < 0)
                r_.overflow = "text starts " + std::to_string(-x_) + " pixels left of the window";
            else if (x_ + t_.cellWidth > kWindowWidth)
                r_.overflow = "text runs " + std::to_string(x_ + t_.cellWidth - kWindowWidth) +
                              " pixels past the right edge of the window";
        }
        x_ += t_.cellWidth;
        if (x_ >= t_.rightLimit) x_ = t_.leftEdge;
    }

    static int32_t clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
    // The engine keeps the cursor in 32 bits; far outside the window is all we need to know.
    void moveTo(int64_t x) { x_ = clamp32(x); }

    int32_t number(const std::string& s, std::size_t& p, char code) {
        try {
            const int32_t v = inline_codes::readNumber(s, p);
            r_.codes.push_back({code, v});
            return v;
        } catch (const Fault&) {
            r_.badCode = std::string("the code letter ") + code + " has no number after it";
            throw;
        }
    }

    std::size_t control(const std::string& s, std::size_t p) {
        while (p <= s.size()) {
            const char code = s[p - 1];
            const std::size_t n = sjis::charLength(s, p - 1);
            p += n;
            if (n != 1) continue;
            switch (code) {
                case '>':
                    return p;
                case 'S': {
                    int32_t v = number(s, p, code);
                    if (v < 1 || v > 26) v = 2;
                    t_.cellWidth = 12 * v;
                    t_.rightLimit = int32_t(kWindowWidth) - t_.cellWidth;
                    break;
                }
                case 'F': {
                    const int32_t v = number(s, p, code);
                    t_.fontIndex = v < 0 || v > 6 ? 0 : v;
                    break;
                }
                case 'X': moveTo(number(s, p, code)); break;
                case 'M': moveTo(x_ + number(s, p, code)); break;
                case 'L': moveTo(int64_t(number(s, p, code)) * t_.cellWidth); break;
                case 'J': moveTo(x_ + int64_t(number(s, p, code)) * t_.cellWidth); break;
                case 'I': t_.leftEdge = number(s, p, code); break;
                case 'R': {
                    const int64_t v = number(s, p, code);
                    t_.rightLimit = clamp32(t_.leftEdge + (v == 0 ? kWindowWidth - t_.cellWidth : v));
                    break;
                }
                case 'Y': case 'N': case 'H': case 'K': case 'T': case 'W':
                case 'Q': case 'U': case 'D': case 'P': case 'E':
                    number(s, p, code);
                    break;
                case 'C':
                case 'B':
                    inline_codes::readColour(s, p);
                    break;
                case 'V':
                case 'O':
                case 'A': {
                    const inline_codes::Part name = inline_codes::readToken(s, p, '>');
                    p = name.next;
                    if (!name.text.empty()) (code == 'A' ? r_.pictures : r_.sounds).push_back(name.text);
                    if (name.ended == '>') return p;
                    break;
                }
                default:
                    break;
            }
        }
        return p;
    }

    TextLayout& t_;
    TextLineReport& r_;
    int64_t x_;
};

}  // namespace

TextLineReport followTextLine(const std::string& line, TextLayout& layout) {
    TextLineReport report;
    try {
        LineWalker(layout, report).walk(line);
    } catch (const Fault&) {
        // The run would end here; badCode says why.
    }
    return report;
}

}  // namespace qvl::authoring
