#include "app/data_drive.h"

#include "base/sjis.h"

namespace qvl {

std::string findDataDrive(const std::vector<platform::VolumeInfo>& volumes, const std::string& label, bool allDrives) {
    std::size_t n = 0;
    for (const auto& v : volumes) {
        if (++n > 26) break;
        if (!v.cdRom && !allDrives) continue;
        if (!v.readable) continue;
        // Old FAT volumes without long names cannot hold the scenario's files.
        if (v.fileSystem == "FAT" && v.maxComponentLength != 255) continue;
        if ((label == "*" && v.cdRom) || sjis::toUpper(label) == sjis::toUpper(v.label)) return v.root;
    }
    return {};
}

}  // namespace qvl
