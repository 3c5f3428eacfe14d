#pragma once
// What the checker reads of a scenario: scripts by the names scripts give them,
// and whether a named picture, sound or movie is there. The folder version uses
// the engine's own loader and name resolution; tests and the fuzzer hand in
// files from memory.
#include "platform/files.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qvl::authoring {

struct ScriptSource {
    std::string fileName;  // the file actually read (after the .txt/.txd fallback), Shift-JIS
    std::vector<std::string> lines;
};

enum class FileMatch { Found, CaseOnly, Missing };

struct FileLookup {
    FileMatch match = FileMatch::Missing;
    std::string actual;  // for CaseOnly: the name as it is spelled on disk, UTF-8
};

class ScenarioFiles {
public:
    virtual ~ScenarioFiles() = default;
    // Nothing when the script cannot be read under its name or its fallback.
    virtual std::optional<ScriptSource> readScript(const std::string& sjisName) = 0;
    virtual FileLookup lookup(const std::string& sjisName) = 0;
};

// The current directory, read as the engine reads it: decode.key for scrambled
// scripts, the loader's fallbacks, and FileSystem's case-blind resolution.
class FolderFiles final : public ScenarioFiles {
public:
    FolderFiles();
    std::optional<ScriptSource> readScript(const std::string& sjisName) override;
    FileLookup lookup(const std::string& sjisName) override;

private:
    platform::FileSystem files_;
    int32_t scriptKey_;
};

// Files held in memory, matched byte for byte or, failing that, ignoring ASCII case.
class MemoryFiles final : public ScenarioFiles {
public:
    void add(std::string sjisName, std::string bytes) { files_[std::move(sjisName)] = std::move(bytes); }
    std::optional<ScriptSource> readScript(const std::string& sjisName) override;
    FileLookup lookup(const std::string& sjisName) override;

private:
    std::map<std::string, std::string> files_;
};

}  // namespace qvl::authoring
