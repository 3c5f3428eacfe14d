#include "authoring/message_channel.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace qvl::authoring {

namespace {

// A header block larger than this is no protocol's.
constexpr std::size_t kMaxHeader = 8192;

}  // namespace

std::optional<nlohmann::json> MessageChannel::takeBuffered() {
    for (;;) {
        const std::size_t end = buffer_.find("\r\n\r\n");
        if (end == std::string::npos) {
            if (buffer_.size() > kMaxHeader) buffer_.clear();
            return std::nullopt;
        }
        std::size_t length = 0;
        bool known = false;
        for (std::size_t at = 0; at < end;) {
            std::size_t eol = buffer_.find("\r\n", at);
            if (eol == std::string::npos || eol > end) eol = end;
            const std::string line = buffer_.substr(at, eol - at);
            constexpr std::string_view kLength = "content-length:";
            if (line.size() > kLength.size()) {
                std::string head = line.substr(0, kLength.size());
                for (char& c : head) c = char(std::tolower(static_cast<unsigned char>(c)));
                if (head == kLength) {
                    length = std::strtoull(line.c_str() + kLength.size(), nullptr, 10);
                    known = true;
                }
            }
            at = eol + 2;
        }
        if (!known) {
            buffer_.erase(0, end + 4);
            continue;
        }
        if (buffer_.size() < end + 4 + length) return std::nullopt;
        const std::string body = buffer_.substr(end + 4, length);
        buffer_.erase(0, end + 4 + length);
        nlohmann::json message = nlohmann::json::parse(body, nullptr, false);
        if (!message.is_discarded()) return message;
    }
}

std::optional<nlohmann::json> MessageChannel::read(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (auto m = takeBuffered()) return m;
        if (closed_) return std::nullopt;
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 && timeoutMs > 0) return std::nullopt;
            wait = int(std::max<long long>(left, 0));
        }
        pollfd p{in_, POLLIN, 0};
        const int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return std::nullopt;
        char chunk[65536];
        const ssize_t n = ::read(in_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            closed_ = true;
            continue;
        }
        buffer_.append(chunk, std::size_t(n));
        if (timeoutMs == 0) timeoutMs = 1;  // what has arrived is still read whole
    }
}

void MessageChannel::write(const nlohmann::json& message) {
    // Texts that are not UTF-8 are replaced rather than ending the server.
    const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    const std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    std::lock_guard lock(writing_);
    for (std::size_t done = 0; done < framed.size();) {
        const ssize_t n = ::write(out_, framed.data() + done, framed.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += std::size_t(n);
    }
}

}  // namespace qvl::authoring
