#pragma once
// Finding and reading a script file by the name a script or the start sequence
// gives, with the ".txt"/".txd" fallbacks.
#include "platform/files.h"
#include "script/script_lines.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvl {

// A name with "%DATA_DRIVE%" replaced (first occurrence) by the data drive root.
std::string expandDataDrive(const std::string& name, const std::string& dataDriveRoot);

// The lines of the named script. A name ending in ".txt" falls back to the
// scrambled ".txd" of the same base name, a ".txd" (or anything else) to ".txt".
// The base name is always the name without its last four characters. A file that
// cannot be read is a fault.
ScriptLines findAndReadScript(const std::string& name, const platform::FileSystem& files,
                              const std::string& dataDriveRoot, int32_t scriptKey);

}  // namespace qvl
