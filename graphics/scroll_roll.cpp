#include "graphics/scroll_roll.h"

#include "base/fault.h"
#include "base/numbers.h"

#include <algorithm>

namespace qvl {

namespace {

// The top edge of the pictures mode 4 shows beside the roll.
constexpr int kSideY = 120;

class Roll {
public:
    Roll(EffectHost& host, const ScrollSettings& settings)
        : host_(host),
          s_(settings),
          window_(host.window()),
          mode_(ScrollMode(settings.mode)),
          width_(mode_ == ScrollMode::UpLeftHalf ? window_.width() / 2 : window_.width()),
          height_(window_.height()) {}

    void line(const std::string& text) {
        if (text.empty()) return;
        const bool half = mode_ == ScrollMode::UpLeftHalf;
        if (text.front() == '|') {
            gap(toInt(std::string_view(text).substr(1, half ? 64 : 6)));
        } else if (half && text.front() == '@') {
            if (auto p = host_.loadPicture(text.substr(1, 64))) sidePicture(*p);
        } else if (auto p = host_.loadPicture(text)) {
            if (mode_ == ScrollMode::Down)
                pictureDown(*p);
            else
                pictureUp(*p);
        }
    }

private:
    // Moves the image one step and fills the strip it uncovered; returns when the
    // step began, which the step's wait counts from.
    uint32_t step() {
        const uint32_t start = host_.ticks();
        const int n = s_.step;
        switch (mode_) {
            case ScrollMode::Up:
                window_.blit(window_, 0, -n);
                window_.fillRect({0, height_ - n, width_, n}, s_.colour);
                break;
            case ScrollMode::Down:
                window_.blit(window_, 0, n);
                window_.fillRect({0, 0, width_, n}, s_.colour);
                break;
            case ScrollMode::UpLeftHalf:
                window_.blit(window_, 0, 0, 0, n, width_, height_ - n);
                window_.fillRect({0, height_ - n, width_, n}, s_.colour);
                break;
        }
        return start;
    }

    Rect moved() const { return {0, 0, width_, height_}; }

    // A held button ends the wait at once and stays recorded, so the next step's
    // wait ends too; anything else is forgotten each round.
    void wait(uint32_t deadline) {
        host_.countRound();
        uint32_t until = host_.ticks();  // first only what has already arrived
        deadline = frameDeadline(until, deadline);
        for (;;) {
            host_.pump(until, s_.skippable);
            if (s_.skippable && host_.mouseHeld()) return;
            host_.clearMouse();
            if (int32_t(deadline - host_.ticks()) <= 0) return;
            until = deadline;
        }
    }

    void gap(int32_t pixels) {
        for (int64_t done = 0; done < pixels; done += s_.step) {
            const uint32_t start = step();
            host_.show(moved());
            wait(start + uint32_t(s_.frameMs));
        }
    }

    // One step more than the rows need; the rows past the picture's bottom that
    // the last step would take keep the fill colour.
    void pictureUp(const Surface& p) {
        const int x = (width_ - p.width()) / 2;
        for (int64_t t = 0; t <= p.height(); t += s_.step) {
            const uint32_t start = step();
            const int rows = int(std::min<int64_t>(s_.step, p.height() - t));
            window_.blit(p, x, height_ - s_.step, 0, int(t), p.width(), rows);
            host_.show(enclosing(moved(), windowPart(window_, x, height_ - s_.step, p.width(), rows)));
            wait(start + uint32_t(s_.frameMs));
        }
    }

    // Bottom rows first; rows above the picture's top keep the fill colour.
    void pictureDown(const Surface& p) {
        const int x = (width_ - p.width()) / 2;
        for (int64_t t = 0; t < p.height(); t += s_.step) {
            const uint32_t start = step();
            window_.blit(p, x, 0, 0, int(p.height() - t - s_.step), p.width(), s_.step);
            host_.show(moved());
            wait(start + uint32_t(s_.frameMs));
        }
    }

    void sidePicture(const Surface& p) {
        const uint32_t start = step();
        window_.blit(p, width_, kSideY);
        host_.show(enclosing(moved(), windowPart(window_, width_, kSideY, p.width(), p.height())));
        wait(start + uint32_t(s_.frameMs));
    }

    EffectHost& host_;
    const ScrollSettings& s_;
    Surface& window_;
    const ScrollMode mode_;
    const int width_, height_;
};

bool drawsSomething(const ScrollSettings& s) {
    const auto mode = ScrollMode(s.mode);
    // A step that moves nothing would never finish a picture.
    return s.step > 0 && (mode == ScrollMode::Up || mode == ScrollMode::Down || mode == ScrollMode::UpLeftHalf);
}

}  // namespace

uint32_t scrollColour(std::string_view text) {
    const std::string_view digits = text.size() > 1 ? text.substr(1, 6) : std::string_view();
    uint32_t value = 0;
    bool ok = !digits.empty();
    for (const char c : digits) {
        const int d = (c >= '0' && c <= '9')   ? c - '0'
                      : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                      : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                               : -1;
        ok = ok && d >= 0;
        value = value * 16 + uint32_t(std::max(d, 0));
    }
    if (!ok) throw Fault("'$" + std::string(digits) + "' is not a valid integer value");
    return value;
}

void scrollRoll(EffectHost& host, const ScrollSettings& settings, const std::vector<std::string>& lines) {
    if (drawsSomething(settings)) {
        Roll roll(host, settings);
        for (const std::string& line : lines) roll.line(line);
    }
    host.clearMouse();
}

}  // namespace qvl
