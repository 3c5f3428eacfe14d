#include "text/text_measure.h"

#include "base/fault.h"
#include "base/sjis.h"
#include "text/inline_codes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace qvl {

namespace {

int32_t clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

LineMeasure TextMeasure::measureLine(const std::string& line) {
    m_ = LineMeasure{};
    x_ = t_.leftEdge;
    try {
        walk(line);
    } catch (const Fault&) {
        // The run would end here; codeWithoutNumber says why.
    }
    return std::move(m_);
}

void TextMeasure::walk(const std::string& s) {
    std::size_t p = 1;
    while (p <= s.size()) {
        // The symbol fonts draw every byte as a character of its own.
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
            if (!base.text.empty() && !reading.text.empty()) walk(base.text);
        } else if (c == "[") {
            const inline_codes::Part value = inline_codes::readValuePart(s, p);
            inline_codes::Part width;
            width.next = value.next;
            if (value.ended == ',') width = inline_codes::readValuePart(s, value.next);
            p = width.next;
            // Only a written width says how long the value will be.
            char* end = nullptr;
            const long w = std::strtol(width.text.c_str(), &end, 10);
            if (!value.text.empty() && !width.text.empty() && *end == '\0')
                for (long i = 0; i < std::min(std::labs(w), long(inline_codes::kMaxWidth)); ++i) cell();
        } else if (c == "." || c == "|" || c == "&") {
            x_ = t_.leftEdge;
        } else if (c == "^" || c == "%") {
            // no character
        } else if (c == "/") {
            // Centres the rest of the line, counting two bytes as one cell.
            const int64_t rest = int64_t(s.size()) - int64_t(p);
            const int64_t wide = rest * t_.cellWidth / 2;
            if (wide > kWindowWidth && m_.outside == LineMeasure::Outside::None) {
                m_.outside = LineMeasure::Outside::CentredTooWide;
                m_.pixels = wide;
            }
            x_ = (kWindowWidth - wide) / 2;
        } else {
            cell();
        }
    }
}

void TextMeasure::cell() {
    if (m_.outside == LineMeasure::Outside::None) {
        if (x_ < 0) {
            m_.outside = LineMeasure::Outside::Left;
            m_.pixels = -x_;
        } else if (x_ + t_.cellWidth > kWindowWidth) {
            m_.outside = LineMeasure::Outside::Right;
            m_.pixels = x_ + t_.cellWidth - kWindowWidth;
        }
    }
    x_ += t_.cellWidth;
    if (x_ >= t_.rightLimit) x_ = t_.leftEdge;
}

// The window keeps the cursor in 32 bits; far outside the window is all a measure
// needs to know.
void TextMeasure::moveTo(int64_t x) { x_ = clamp32(x); }

std::size_t TextMeasure::control(const std::string& s, std::size_t p) {
    for (;;) {
        inline_codes::ControlCode code;
        try {
            inline_codes::readControlCode(s, p, code);
        } catch (const Fault&) {
            m_.codeWithoutNumber = code.letter;
            throw;
        }
        const int32_t v = code.number;
        switch (code.letter) {
            case 0:
            case '>':
                return p;
            case 'S':
                t_.cellWidth = 12 * (v < 1 || v > 26 ? 2 : v);
                t_.rightLimit = int32_t(kWindowWidth) - t_.cellWidth;
                break;
            case 'F':
                t_.fontIndex = v < 0 || v > 6 ? 0 : v;
                break;
            case 'X': moveTo(v); break;
            case 'M': moveTo(x_ + v); break;
            case 'L': moveTo(int64_t(v) * t_.cellWidth); break;
            case 'J': moveTo(x_ + int64_t(v) * t_.cellWidth); break;
            case 'I': t_.leftEdge = v; break;
            case 'R':
                t_.rightLimit = clamp32(t_.leftEdge + (v == 0 ? kWindowWidth - t_.cellWidth : int64_t(v)));
                break;
            case 'V':
            case 'O':
            case 'A':
                if (!code.name.text.empty()) (code.letter == 'A' ? m_.pictures : m_.sounds).push_back(code.name.text);
                if (code.name.ended == '>') return p;
                break;
            default:
                break;  // codes that move nothing sideways
        }
    }
}

}  // namespace qvl
