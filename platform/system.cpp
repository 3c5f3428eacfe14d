#include "platform/system.h"

#include "base/config_list.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <system_error>

namespace qvl::platform {

namespace {

// Drive letters A..Z: the original could never see more volumes than that.
constexpr std::size_t kMaxVolumes = 26;
// Config files are a few lines; anything larger is not ours.
constexpr std::streamsize kMaxInstallPathsBytes = 1 << 20;

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::filesystem::path homeDirectory() {
    std::string home = envOrEmpty("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

// -1 when the file cannot be opened or another holder has it; `busy` tells which.
int openAndLock(const std::filesystem::path& path, bool& busy) {
    busy = false;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> readBounded(const std::filesystem::path& path, std::streamsize limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    while (in && std::streamsize(bytes.size()) < limit) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, std::size_t(in.gcount()));
    }
    if (std::streamsize(bytes.size()) > limit) bytes.resize(std::size_t(limit));
    return bytes;
}

int octalDigit(char c) { return (c >= '0' && c <= '7') ? c - '0' : -1; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The mount table writes blanks, tabs, newlines and backslashes as \ooo.
std::string unescapeOctal(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            int a = octalDigit(s[i + 1]), b = octalDigit(s[i + 2]), c = octalDigit(s[i + 3]);
            if (a >= 0 && b >= 0 && c >= 0 && a <= 3) {
                out += char(a * 64 + b * 8 + c);
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// udev names its by-label links with unsafe bytes as \xHH.
std::string unescapeHex(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            int hi = hexDigit(s[i + 2]), lo = hexDigit(s[i + 3]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// A device as one name, so "/dev/disk/by-uuid/..." and "/dev/sr0" compare equal;
// names that do not exist (sample tables) are compared as written.
std::string canonicalDevice(const std::string& device) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(device, ec);
    return ec ? device : p.string();
}

std::vector<std::string> fields(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

void describeFileSystem(const std::string& type, VolumeInfo& volume) {
    if (type == "iso9660") {
        volume.fileSystem = "CDFS";
        volume.cdRom = true;
    } else if (type == "udf") {
        volume.fileSystem = "UDF";
        volume.cdRom = true;
    } else if (type == "vfat") {
        volume.fileSystem = "FAT";
    } else if (type == "msdos") {
        volume.fileSystem = "FAT";
        volume.maxComponentLength = 12;  // 8.3 names
    } else if (type == "ntfs" || type == "ntfs3") {
        volume.fileSystem = "NTFS";
    } else {
        volume.fileSystem = type;
        std::transform(volume.fileSystem.begin(), volume.fileSystem.end(), volume.fileSystem.begin(),
                       [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
    }
}

}  // namespace

InstanceLock::InstanceLock(const std::string& name) {
    // The name becomes part of a file name; anything that could leave the directory
    // is refused rather than followed.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return;
    bool busy = false;
    std::string runtimeDir = envOrEmpty("XDG_RUNTIME_DIR");
    if (!runtimeDir.empty() && runtimeDir.front() == '/') {
        fd_ = openAndLock(std::filesystem::path(runtimeDir) / (name + ".lock"), busy);
        // Only an unusable runtime directory sends us to /tmp; a held lock is an answer.
        if (fd_ >= 0 || busy) return;
    }
    fd_ = openAndLock(std::filesystem::path("/tmp") / (name + "-" + std::to_string(getuid()) + ".lock"), busy);
}

InstanceLock::~InstanceLock() {
    // Closing the descriptor drops the lock; the file stays, since removing it
    // would race with a copy that is just opening it.
    if (fd_ >= 0) ::close(fd_);
}

bool folderWritable(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path installPathsFile() {
    std::string configHome = envOrEmpty("XDG_CONFIG_HOME");
    std::filesystem::path base =
        (!configHome.empty() && configHome.front() == '/') ? std::filesystem::path(configHome)
                                                             : homeDirectory() / ".config";
    return base / "quorvel" / "install-paths.ini";
}

std::string lookupInstallPath(const std::string& programId) {
    std::optional<std::string> bytes = readBounded(installPathsFile(), kMaxInstallPathsBytes);
    return bytes ? lookupInstallPathIn(*bytes, programId) : std::string();
}

std::string lookupInstallPathIn(const std::string& fileBytes, const std::string& programId) {
    // An empty id would match a line that starts with '='.
    if (programId.empty()) return {};
    return ConfigList::fromBytes(fileBytes).value(programId);
}

std::optional<std::vector<VolumeInfo>> listVolumes() {
    std::optional<std::string> table = readBounded("/proc/self/mounts", std::streamsize(16) << 20);
    if (!table) return std::nullopt;

    std::vector<std::pair<std::string, std::string>> labels;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/dev/disk/by-label", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkError;
        std::filesystem::path device = std::filesystem::canonical(it->path(), linkError);
        if (!linkError) labels.emplace_back(it->path().filename().string(), device.string());
    }
    return parseVolumes(*table, labels);
}

std::vector<VolumeInfo> parseVolumes(const std::string& mountTable,
                                     const std::vector<std::pair<std::string, std::string>>& labelToDevice) {
    std::vector<std::pair<std::string, std::string>> labels;  // canonical device, label
    for (const auto& [label, device] : labelToDevice)
        labels.emplace_back(canonicalDevice(device), unescapeHex(label));

    std::vector<VolumeInfo> volumes;
    std::size_t start = 0;
    while (start < mountTable.size() && volumes.size() < kMaxVolumes) {
        std::size_t end = mountTable.find('\n', start);
        if (end == std::string::npos) end = mountTable.size();
        std::vector<std::string> f = fields(std::string_view(mountTable).substr(start, end - start));
        start = end + 1;
        if (f.size() < 3) continue;

        std::string source = unescapeOctal(f[0]);
        if (source.rfind("/dev/", 0) != 0) continue;

        VolumeInfo volume;
        volume.root = unescapeOctal(f[1]);
        if (volume.root.empty() || volume.root.back() != '/') volume.root += '/';
        describeFileSystem(f[2], volume);
        std::string device = canonicalDevice(source);
        auto found = std::find_if(labels.begin(), labels.end(),
                                  [&](const auto& entry) { return entry.first == device; });
        if (found != labels.end()) volume.label = found->second;
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

std::optional<int64_t> processStartRealtimeNs() {
    std::ifstream in("/proc/self/stat");
    std::string stat;
    if (!std::getline(in, stat)) return std::nullopt;
    // The command name in parentheses may hold spaces; the fields after it do not.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    // The start time is field 22 of the line; the state after the name is field 3.
    for (int n = 3; n <= 22; ++n)
        if (!(fields >> field)) return std::nullopt;
    const long tick = sysconf(_SC_CLK_TCK);
    if (tick <= 0) return std::nullopt;
    int64_t ticks = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        ticks = ticks * 10 + (c - '0');
    }
    // Counted in clock ticks since boot, rounded down: the middle of its tick is
    // the better guess of the moment.
    const int64_t tickNs = 1000000000 / tick;
    const int64_t startBoot = ticks * tickNs + tickNs / 2;
    timespec boot{}, real{};
    if (clock_gettime(CLOCK_BOOTTIME, &boot) != 0 || clock_gettime(CLOCK_REALTIME, &real) != 0) return std::nullopt;
    const int64_t bootNs = int64_t(boot.tv_sec) * 1000000000 + boot.tv_nsec;
    const int64_t realNs = int64_t(real.tv_sec) * 1000000000 + real.tv_nsec;
    return realNs - std::max<int64_t>(bootNs - startBoot, 0);
}

}  // namespace qvl::platform
