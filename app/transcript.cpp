#include "app/transcript.h"

#include "platform/encoding.h"

namespace qvl {

void Transcript::write(std::string_view kind, std::string_view sjis) {
    if (!out_) return;
    std::string line(kind);
    line += ": ";
    for (char c : platform::sjisToUtf8(sjis)) {
        if (c == '\n')
            line += "\\n";
        else if (c != '\r')
            line += c;
    }
    writeUtf8(line);
}

void Transcript::writeUtf8(std::string_view line) {
    if (!out_) return;
    *out_ << line << '\n';
    out_->flush();
}

}  // namespace qvl
