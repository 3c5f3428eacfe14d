#pragma once
// The transcript of a run: one UTF-8 line per event ("text: ...", "box: ...",
// "error: ...", "exit: N"), for authors' test runs and for the tests.
#include <ostream>
#include <string>
#include <string_view>

namespace qvl {

class Transcript {
public:
    explicit Transcript(std::ostream* out = nullptr) : out_(out) {}
    bool enabled() const { return out_ != nullptr; }
    // kind: the line's prefix; sjis: its text, converted to UTF-8. Line feeds in
    // the text are written as "\n" so that one event stays one line.
    void write(std::string_view kind, std::string_view sjis);
    void writeUtf8(std::string_view line);

private:
    std::ostream* out_;
};

}  // namespace qvl
