#pragma once
// Files named the way scripts name them: Shift-JIS bytes, '\' separators, any letter
// case, perhaps a drive prefix such as "Q:\". Names on disk may be UTF-8 (usual) or
// the raw Shift-JIS bytes of a copied disc; both are found.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qvl::platform {

class FileSystem {
public:
    // Where a drive prefix ("Q:\...") leads: the data drive's mount point when one
    // is known, otherwise the current directory.
    void setDriveRoot(std::filesystem::path root) { driveRoot_ = std::move(root); }
    // Called with (script name, resolved path) after each lookup, for --verbose.
    void setTrace(std::function<void(std::string_view, const std::filesystem::path&)> trace) {
        trace_ = std::move(trace);
    }

    // The real file for a script's name, or nothing when none exists.
    std::optional<std::filesystem::path> resolve(std::string_view sjisName) const;
    bool exists(std::string_view sjisName) const { return resolve(sjisName).has_value(); }
    // Whole-file read; nothing when the file is missing, unreadable or not a
    // regular file (a FIFO or a device would block or never end).
    std::optional<std::string> read(std::string_view sjisName) const;
    std::optional<int64_t> modificationTime(std::string_view sjisName) const;

    // Written to a temporary file beside the target and renamed into place, so a
    // crash or a full disk never leaves a half-written file. False on failure.
    bool writeAtomically(std::string_view sjisName, std::string_view bytes) const;

    // A bounded read of a host path: only regular files, opened without blocking,
    // and refused past maxBytes before more than that is read.
    enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Unreadable };
    struct ReadResult {
        ReadStatus status = ReadStatus::Missing;
        std::string bytes;
    };
    static ReadResult readRegular(const std::filesystem::path& path, std::size_t maxBytes);
    // Creates path (never there before, never through a link), writes the bytes
    // and flushes them to the disk. On failure nothing is left at path.
    static bool writeNewFile(const std::filesystem::path& path, std::string_view bytes);
    // Flushes a folder's entries (renames, removals) to the disk.
    static void syncFolder(const std::filesystem::path& dir);

    // The process's current directory, as Shift-JIS text and as a path.
    static std::filesystem::path currentPath();
    static bool setCurrentPath(const std::filesystem::path& dir);

    // A host path (UTF-8) as the engine's Shift-JIS text, and back.
    static std::string toSjis(const std::filesystem::path& p);
    static std::filesystem::path fromSjis(std::string_view sjis);

private:
    std::filesystem::path driveRoot_;
    std::function<void(std::string_view, const std::filesystem::path&)> trace_;
};

}  // namespace qvl::platform
