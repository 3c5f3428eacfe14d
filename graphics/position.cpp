#include "graphics/position.h"

namespace qvl {

namespace {

constexpr int32_t kScreenWidth = 640;
constexpr int32_t kScreenHeight = 480;

// Division rounds toward zero, so a picture one pixel wider than the screen centres at 0.
int32_t place(std::string_view text, int32_t size, int32_t screen, std::string_view nearKeyword,
              std::string_view farKeyword, const Evaluate& evaluate) {
    if (text.empty() || text.front() != '#') return evaluate(text);
    if (text == nearKeyword) return 0;
    if (text == "#CENTER") return int32_t((int64_t(screen) - size) / 2);
    if (text == farKeyword) return int32_t(int64_t(screen) - size);
    return 0;
}

}  // namespace

int32_t positionX(std::string_view text, int pictureWidth, const Evaluate& evaluate) {
    return place(text, pictureWidth, kScreenWidth, "#LEFT", "#RIGHT", evaluate);
}

int32_t positionY(std::string_view text, int pictureHeight, const Evaluate& evaluate) {
    return place(text, pictureHeight, kScreenHeight, "#TOP", "#BOTTOM", evaluate);
}

}  // namespace qvl
