#include "platform/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvl::platform {

namespace {

void fail(std::string* reason, const std::string& path, const char* why) {
    if (reason) *reason = "cannot open " + path + ": " + why;
}

}  // namespace

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int openRegularFile(const std::string& path, std::string* reason) {
    // Looked at before opening, so that no device is ever opened (some act on open);
    // and again on the descriptor, for what may have been put in its place meanwhile.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        fail(reason, path, std::strerror(errno));
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(reason, path, "not a regular file");
        return -1;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(reason, path, std::strerror(errno));
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail(reason, path, "not a regular file");
        return -1;
    }
    // A regular file's reads never wait anyway; the libraries get a plain descriptor.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::FILE* openRegularStream(const std::string& path, std::string* reason) {
    const int fd = openRegularFile(path, reason);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream) {
        fail(reason, path, std::strerror(errno));
        ::close(fd);
    }
    return stream;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit, std::string* reason) {
    const int fd = openRegularFile(path, reason);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= limit) {
        const std::size_t want = std::min(sizeof buffer, limit + 1 - bytes.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            if (reason) *reason = "cannot read " + path + ": " + std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return bytes;
}

}  // namespace qvl::platform
