#pragma once
// Choosing the drive that holds the scenario's data by its volume label.
#include "platform/system.h"

#include <string>
#include <vector>

namespace qvl {

// The root of the first volume that matches: label "*" takes the first disc
// drive, any other label is compared in capitals. Only disc drives are looked at
// unless allDrives. Empty text when nothing matches.
std::string findDataDrive(const std::vector<platform::VolumeInfo>& volumes, const std::string& label,
                          bool allDrives);

}  // namespace qvl
