#include "platform/encoding.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace qvl::platform {

namespace {

// What the C library's iconv calls the encoding (Windows' code page 932).
#ifndef QVL_ICONV_CP932
#define QVL_ICONV_CP932 "CP932"
#endif

// One converter per direction and thread, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert CP932");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; an unconvertible input sequence of `skip` bytes
    // is replaced by `replacement` and conversion goes on.
    std::string run(std::string_view in, std::string_view replacement, std::size_t skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        char buffer[1024];
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        while (left > 0) {
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buffer, std::size_t(dst - buffer));
            if (r == std::size_t(-1)) {
                if (errno == E2BIG) continue;
                // EILSEQ or EINVAL (truncated sequence at the end): replace and skip.
                out += replacement;
                std::size_t n = std::min(left, skip);
                src += n;
                left -= n;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

Converter& toUtf8() {
    thread_local Converter c("UTF-8", QVL_ICONV_CP932);
    return c;
}
Converter& toUtf32() {
    thread_local Converter c("UTF-32LE", QVL_ICONV_CP932);
    return c;
}
Converter& fromUtf8() {
    thread_local Converter c(QVL_ICONV_CP932, "UTF-8");
    return c;
}

std::size_t utf8SequenceLength(unsigned char c) {
    if (c >= 0xF0) return 4;
    if (c >= 0xE0) return 3;
    if (c >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::string sjisToUtf8(std::string_view sjis) { return toUtf8().run(sjis, "\xEF\xBF\xBD", 1); }

std::u32string sjisToUtf32(std::string_view sjis) {
    static const std::string replacement("\xFD\xFF\x00\x00", 4);
    std::string bytes = toUtf32().run(sjis, replacement, 1);
    std::u32string out(bytes.size() / 4, U'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + i * 4);
        out[i] = char32_t(b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24));
    }
    return out;
}

std::string utf8ToSjis(std::string_view utf8) {
    // Skip a whole UTF-8 sequence when its character has no CP932 form.
    std::string out;
    std::size_t start = 0;
    Converter& c = fromUtf8();
    while (start < utf8.size()) {
        std::size_t i = start;
        // Convert in runs of complete characters so a failure is located precisely.
        std::size_t runEnd = std::min(utf8.size(), start + 256);
        while (runEnd < utf8.size() && (static_cast<unsigned char>(utf8[runEnd]) & 0xC0) == 0x80) ++runEnd;
        std::string_view run = utf8.substr(i, runEnd - i);
        std::size_t pos = 0;
        while (pos < run.size()) {
            std::size_t n = std::min(utf8SequenceLength(static_cast<unsigned char>(run[pos])), run.size() - pos);
            out += c.run(run.substr(pos, n), "?", n);
            pos += n;
        }
        start = runEnd;
    }
    return out;
}

}  // namespace qvl::platform
