#pragma once
// Takes in a script file edited on disk while it runs: at a line boundary the
// file's size and time are compared with what was loaded, and a changed file is
// read again with the flags and the gosub stack kept, the position moved to the
// same place after the same label. A file that no longer reads is reported and
// the lines already loaded go on.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qvl {

class TFmain;

class ScriptReloader final {
public:
    explicit ScriptReloader(TFmain& main) : main_(main) {}

    // After each load of a script by its name: what it looks like on disk now.
    void watch(const std::string& name);
    // At a line boundary; true when the program was replaced. The file is looked
    // at when the clock moved since the last look, or after a run of lines that
    // never waited, so a tight loop does not stat it on every line.
    bool check();
    // The same, looking at the file now (after a debugger let the run go on).
    bool checkNow();

private:
    struct Stamp {
        std::filesystem::path path;
        std::filesystem::file_time_type time{};
        std::uintmax_t size = 0;
        bool operator==(const Stamp&) const = default;
    };
    std::optional<Stamp> stamp() const;

    TFmain& main_;
    std::string name_;  // as the script named it, Shift-JIS
    std::optional<Stamp> seen_;
    std::optional<std::filesystem::path> path_;  // the file the name resolved to
    uint32_t lastLook_ = 0;
    int quietLines_ = 0;
};

}  // namespace qvl
