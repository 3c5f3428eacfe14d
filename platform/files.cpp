#include "platform/files.h"

#include "base/sjis.h"
#include "platform/encoding.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qvl::platform {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string foldAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// The entry of dir whose name is the script's component, letter case ignored.
// The name on disk may be UTF-8 or the component's own Shift-JIS bytes.
std::optional<fs::path> findEntry(const fs::path& dir, std::string_view sjisComponent) {
    const std::string utf8 = sjisToUtf8(sjisComponent);
    std::error_code ec;
    if (fs::exists(dir / utf8, ec)) return dir / utf8;
    if (fs::exists(dir / std::string(sjisComponent), ec)) return dir / std::string(sjisComponent);

    const std::string wantedUtf8 = foldAscii(utf8);
    const std::string wantedSjis = sjis::toLower(sjisComponent);
    std::optional<fs::path> best;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (foldAscii(name) == wantedUtf8 || sjis::toLower(name) == wantedSjis) {
            // Several spellings may match; take the smallest so runs are repeatable.
            if (!best || name < best->filename().string()) best = it->path();
        }
    }
    return best;
}

}  // namespace

std::optional<fs::path> FileSystem::resolve(std::string_view name) const {
    if (name.empty()) return std::nullopt;
    fs::path at;
    std::string_view rest = name;
    if (rest.front() == '/') {
        at = "/";
    } else if (rest.size() >= 2 && rest[1] == ':' &&
               ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
        // A drive letter: the data drive when we know it, else where we are.
        rest.remove_prefix(2);
        at = driveRoot_.empty() ? currentPath() : driveRoot_;
    } else if (isSeparator(rest.front())) {
        at = driveRoot_.empty() ? currentPath() : driveRoot_;
    } else {
        at = currentPath();
    }

    std::size_t i = 0;
    while (i <= rest.size()) {
        std::size_t j = i;
        // Separators are single bytes; a trail byte 0x5C inside a double-byte
        // character is not one.
        while (j < rest.size() && !(sjis::charLength(rest, j) == 1 && isSeparator(rest[j])))
            j += sjis::charLength(rest, j);
        std::string_view component = rest.substr(i, j - i);
        if (component == "..") {
            at = at.parent_path();
        } else if (!component.empty() && component != ".") {
            auto next = findEntry(at, component);
            if (!next) return std::nullopt;
            at = *next;
        }
        i = j + 1;
    }
    std::error_code ec;
    if (!fs::exists(at, ec)) return std::nullopt;
    if (trace_) trace_(name, at);
    return at;
}

std::optional<std::string> FileSystem::read(std::string_view name) const {
    auto path = resolve(name);
    if (!path) return std::nullopt;
    ReadResult r = readRegular(*path, SIZE_MAX);
    if (r.status != ReadStatus::Ok) return std::nullopt;
    return std::move(r.bytes);
}

FileSystem::ReadResult FileSystem::readRegular(const fs::path& path, std::size_t maxBytes) {
    ReadResult r;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        r.status = errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        r.status = ReadStatus::NotRegular;
        return r;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (uint64_t(st.st_size) > maxBytes) {
        ::close(fd);
        r.status = ReadStatus::TooLarge;
        return r;
    }
    r.bytes.reserve(std::size_t(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            r.bytes.clear();
            r.status = ReadStatus::Unreadable;
            return r;
        }
        if (n == 0) break;
        // The file may grow while it is read.
        if (r.bytes.size() + std::size_t(n) > maxBytes) {
            ::close(fd);
            r.bytes.clear();
            r.status = ReadStatus::TooLarge;
            return r;
        }
        r.bytes.append(buffer, std::size_t(n));
    }
    ::close(fd);
    r.status = ReadStatus::Ok;
    return r;
}

bool FileSystem::writeNewFile(const fs::path& path, std::string_view bytes) {
    // O_EXCL with O_CREAT never follows a link planted at the name.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += std::size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

void FileSystem::syncFolder(const fs::path& dir) {
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::optional<int64_t> FileSystem::modificationTime(std::string_view name) const {
    auto path = resolve(name);
    if (!path) return std::nullopt;
    struct stat st {};
    if (::stat(path->c_str(), &st) != 0) return std::nullopt;
    return int64_t(st.st_mtime);
}

bool FileSystem::writeAtomically(std::string_view name, std::string_view bytes) const {
    // The folder must exist; the file itself keeps the spelling it already has on
    // disk, so "QVL.INI" is not joined by a second "qvl.ini".
    fs::path target;
    if (auto existing = resolve(name)) {
        target = *existing;
    } else {
        std::string_view folder, file = name;
        for (std::size_t i = 0; i < name.size(); i += sjis::charLength(name, i))
            if (sjis::charLength(name, i) == 1 && isSeparator(name[i])) {
                folder = name.substr(0, i + 1);
                file = name.substr(i + 1);
            }
        fs::path dir = currentPath();
        if (!folder.empty()) {
            auto d = resolve(folder);
            if (!d) return false;
            dir = *d;
        }
        target = dir / sjisToUtf8(file);
    }
    // A name nobody else uses; a file or link already there is never reused.
    static unsigned counter = 0;
    fs::path temp;
    bool written = false;
    for (int attempt = 0; attempt < 8 && !written; ++attempt) {
        temp = target;
        temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        written = writeNewFile(temp, bytes);
        if (!written && errno != EEXIST) return false;
    }
    if (!written) return false;
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

fs::path FileSystem::currentPath() {
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    return ec ? fs::path(".") : p;
}

bool FileSystem::setCurrentPath(const fs::path& dir) {
    std::error_code ec;
    fs::current_path(dir, ec);
    return !ec;
}

std::string FileSystem::toSjis(const fs::path& p) { return utf8ToSjis(p.string()); }

fs::path FileSystem::fromSjis(std::string_view s) { return fs::path(sjisToUtf8(s)); }

}  // namespace qvl::platform
