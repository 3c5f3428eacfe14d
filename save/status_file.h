#pragma once
// The status file of a save slot (data<n>.hsd): the save point as 516 Shift-JIS
// lines, CR LF, in the order the original program wrote them, so saves move
// between the two in both directions.
#include "save/save_point.h"

#include <string>
#include <string_view>

namespace qvl {

inline constexpr int kStatusLines = 516;

// The file's bytes for a snapshot that exists.
std::string writeStatusFile(const SavePointSnapshot& snapshot);

// Reads a status file over `into` (fields the file does not hold stay as they
// are). The first line is ignored. Lines are read whole, however long. Throws
// Fault on a number line that is not a number or on a file that ends early.
void readStatusFile(std::string_view bytes, SavePointSnapshot& into);

}  // namespace qvl
