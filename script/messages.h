#pragma once
// The script engine's own messages, kept here in UTF-8 and converted to
// Shift-JIS once, on first use.
#include <string>

namespace qvl {

enum class Message {
    TooManyLabels,   // followed by the limit
    LabelNotFound,   // followed by the label
    BadCommand,      // followed by the command word
    CannotOpenFile,  // followed by the file name
    ArithmeticError,       // followed by the error code
    ArithmeticExpression,  // after the code, followed by the expression text
    BadOperator,           // followed by the operator
    BadFlagIndex,          // followed by the whole argument text
    MarkerNotFound,        // after the marker
    GosubOverflow,
    ReturnWithoutGosub,
    TooManyOptions,        // followed by the limit
    VersionTooOld1,        // "...ver" + version + VersionTooOld2
    VersionTooOld2,
    CommandsTooDeep,       // followed by the limit
};

const std::string& message(Message m);

}  // namespace qvl
