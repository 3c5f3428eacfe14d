#include "authoring/dap/output_events.h"

namespace qvl::authoring {

int OutputEvents::overflow(int c) {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    line_ += char(c);
    if (c == '\n') send();
    return c;
}

std::streamsize OutputEvents::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) overflow(static_cast<unsigned char>(s[i]));
    return n;
}

void OutputEvents::send() {
    emit_(line_);
    line_.clear();
}

}  // namespace qvl::authoring
