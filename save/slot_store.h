#pragma once
// The files of the save folder, and a slot's three files switching from one save
// to the next at one instant, so a crash at any moment leaves the old save whole
// or the new one whole.
//
// A save writes the new files beside the old ones under temporary names, then
// writes data<n>.switch naming each temporary file with its size and checksum.
// That file appearing (a rename) is the switch: from then on the new save counts,
// and whoever reads the slot next finishes moving the files into place. The slot
// files keep their format; a folder without .switch files is read as before.
#include "platform/files.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

class SlotStore {
public:
    explicit SlotStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // The host path of a file of the folder: the spelling on disk when one exists
    // in another letter case (saves copied from a Windows disc), else the name.
    std::filesystem::path pathOf(std::string_view name) const;
    // A bounded read of a file of the folder (only regular files).
    platform::FileSystem::ReadResult read(std::string_view name, std::size_t maxBytes) const;

    struct File {
        std::string name;
        std::string bytes;
    };
    // Writes the files as one switch. Returns the names that could not be written;
    // when there are any, nothing switched and the slot keeps its old save.
    std::vector<std::string> commit(int slot, const std::vector<File>& files);

    // Finishes a switch a crash interrupted. False, with the reason (UTF-8), when
    // the slot's files are not the ones its switch file names and cannot be made so.
    bool settle(int slot, std::string& reason);

    // Called after each step of a commit (tests stop the process there).
    std::function<void(int step)> afterStep;

    static std::string switchFileName(int slot);

private:
    std::filesystem::path folder_;
};

}  // namespace qvl
