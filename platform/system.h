#pragma once
// Process and machine services: the single-instance lock, the install-path table
// that takes the place of a registry, and the mounted volumes a data drive is
// searched among.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qvl::platform {

// A lock file in the user's runtime directory ($XDG_RUNTIME_DIR, else /tmp),
// held with flock for the life of the object.
class InstanceLock {
public:
    explicit InstanceLock(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    bool acquired() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// $XDG_CONFIG_HOME/quorvel/install-paths.ini (default ~/.config/...), lines
// "ProgramID=directory"; the id is matched without regard to letter case.
std::filesystem::path installPathsFile();
std::string lookupInstallPath(const std::string& programId);
// The same lookup on given file contents, for tests.
std::string lookupInstallPathIn(const std::string& fileBytes, const std::string& programId);

// Whether this user may create files in the folder: false on a read-only mount or
// a folder without write permission, root's rights included.
bool folderWritable(const std::filesystem::path& folder);

// When this process started, as CLOCK_REALTIME nanoseconds, from the kernel's own
// record of it (so the time to load the program and its libraries counts, as an
// outside stopwatch counts it). Nothing when /proc cannot tell.
std::optional<int64_t> processStartRealtimeNs();

struct VolumeInfo {
    std::string root;  // the mount point, with a trailing '/'
    std::string label;  // the volume label (from /dev/disk/by-label), may be empty
    std::string fileSystem;  // "CDFS" / "UDF" for discs, "FAT", "NTFS", or the type
    int maxComponentLength = 255;
    bool cdRom = false;  // iso9660 or udf
    bool readable = true;  // label and file system could be read
};

// Mounted block-device volumes in mount-table order.
std::optional<std::vector<VolumeInfo>> listVolumes();
// The same from the text of a mount table and a label -> device map, for tests.
std::vector<VolumeInfo> parseVolumes(const std::string& mountTable,
                                     const std::vector<std::pair<std::string, std::string>>& labelToDevice);

}  // namespace qvl::platform
