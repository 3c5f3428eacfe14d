#pragma once
// The scripts of the workspace as the editor has them: the open ones from the
// editor's buffers, the others from the disk. To the checker they are a
// ScenarioFiles whose open files read as their unsaved text.
#include "authoring/scenario_files.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qvl::authoring {

class OpenDocuments final : public ScenarioFiles {
public:
    explicit OpenDocuments(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }
    void open(const std::filesystem::path& file, const std::string& utf8Text);
    void close(const std::filesystem::path& file);
    bool isOpen(const std::filesystem::path& file) const { return open_.contains(key(file)); }
    std::vector<std::filesystem::path> openFiles() const;

    // A file's lines in UTF-8: the buffer when open, otherwise the disk's.
    std::vector<std::string> lines(const std::filesystem::path& file) const;
    // The script files (.txt) of the workspace folder and below, open ones included.
    std::vector<std::filesystem::path> scripts() const;
    // Every file of the folder (not below it), by name.
    std::vector<std::string> folderFiles() const;
    // The file a script's name leads to (the loader's .txt/.txd fallback), or nothing.
    std::optional<std::filesystem::path> resolve(const std::string& utf8Name) const;
    // The script name of a file: its path from the root, '\' between folders.
    std::string scriptName(const std::filesystem::path& file) const;

    // ScenarioFiles
    std::optional<ScriptSource> readScript(const std::string& sjisName) override;
    FileLookup lookup(const std::string& sjisName) override;

    static std::string key(const std::filesystem::path& file);

private:
    std::filesystem::path root_;
    FolderFiles folder_;
    platform::FileSystem files_;
    std::map<std::string, std::vector<std::string>> open_;  // by key: UTF-8 lines
};

// Text split into lines at CR LF, LF or CR, as the engine splits a file.
std::vector<std::string> splitLines(std::string_view text);

}  // namespace qvl::authoring
