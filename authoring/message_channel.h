#pragma once
// JSON messages framed by a Content-Length header, as the language server and
// the debug adapter protocols carry them over a pipe. Reading waits on the
// descriptor with a time limit, so a server can keep timers without spinning;
// writing may happen from any thread.
#include <nlohmann/json.hpp>

#include <mutex>
#include <optional>
#include <string>

namespace qvl::authoring {

class MessageChannel final {
public:
    MessageChannel(int in, int out) : in_(in), out_(out) {}

    // The next message, waiting at most timeoutMs (negative: as long as it
    // takes). Nothing on a timeout, at the end of the input, or for a message
    // that is not JSON (dropped).
    std::optional<nlohmann::json> read(int timeoutMs);
    bool closed() const { return closed_; }
    void write(const nlohmann::json& message);

private:
    std::optional<nlohmann::json> takeBuffered();

    int in_, out_;
    std::string buffer_;
    bool closed_ = false;
    std::mutex writing_;
};

}  // namespace qvl::authoring
