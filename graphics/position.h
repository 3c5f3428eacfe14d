#pragma once
// Where a person picture goes: a script gives each coordinate as a keyword that
// lines the picture up with the 640 x 480 screen, or as an integer expression.
#include <cstdint>
#include <functional>
#include <string_view>

namespace qvl {

// Evaluates an integer expression the script wrote (the caller owns the evaluator).
using Evaluate = std::function<int32_t(std::string_view expression)>;

// "#LEFT", "#CENTER", "#RIGHT"; any other "#" text is 0; else the expression's value.
int32_t positionX(std::string_view text, int pictureWidth, const Evaluate& evaluate);
// "#TOP", "#CENTER", "#BOTTOM"; any other "#" text is 0; else the expression's value.
int32_t positionY(std::string_view text, int pictureHeight, const Evaluate& evaluate);

}  // namespace qvl
