#pragma once
// Where a position in a script lands after the file was edited: the same
// distance after the same label, or the same line number when the label is gone.
#include "script/script_program.h"

#include <cstdint>

namespace qvl {

// line: 0-based index into before.Lines; the result indexes after.Lines (and is
// past its end only when after is empty or line was past before's end).
int32_t mapLineAcrossEdit(const ScriptProgram& before, const ScriptProgram& after, int32_t line);

}  // namespace qvl
