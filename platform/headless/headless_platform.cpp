#include "platform/headless/headless_platform.h"

#include "graphics/png_io.h"
#include "platform/headless/headless_window.h"

#include <algorithm>
#include <cstdio>

namespace qvl::platform {

HeadlessPlatform::HeadlessPlatform(std::vector<ScriptedInput> input, HeadlessOptions options)
    : options_(options), lastFrame_(kSceneWidth, kSceneHeight) {
    for (ScriptedInput& in : input) (in.atMs ? timed_ : queue_).push_back(std::move(in));
    // Events given for the same moment keep their order.
    std::stable_sort(timed_.begin(), timed_.end(),
                     [](const ScriptedInput& a, const ScriptedInput& b) { return *a.atMs < *b.atMs; });
}

void HeadlessPlatform::startTimer(int id, uint32_t intervalMs) {
    if (intervalMs == 0) intervalMs = 1;
    timers_[id] = Timer{intervalMs, clock_ + intervalMs};
}

void HeadlessPlatform::advanceTo(uint64_t to) {
    if (options_.maxMs && to > *options_.maxMs) {
        clock_ = std::max<uint64_t>(clock_, *options_.maxMs);
        throw RunStopped(RunStopped::Reason::TimeLimit, "time limit reached");
    }
    if (to > clock_) clock_ = to;
}

std::optional<uint64_t> HeadlessPlatform::nextTimerDue() const {
    std::optional<uint64_t> due;
    for (const auto& [id, t] : timers_)
        if (!due || t.next < *due) due = t.next;
    return due;
}

std::optional<Event> HeadlessPlatform::fireDueTimer() {
    for (auto& [id, t] : timers_) {
        if (t.next <= clock_) {
            // A late timer does not pile up ticks; it goes on from now.
            while (t.next <= clock_) t.next += t.interval;
            Event e;
            e.type = Event::Type::Timer;
            e.id = id;
            return e;
        }
    }
    return std::nullopt;
}

Event HeadlessPlatform::deliver(ScriptedInput in) {
    Event e = std::move(in.event);
    bool mouse = e.type == Event::Type::MouseDown || e.type == Event::Type::MouseUp || e.type == Event::Type::MouseMove;
    if (mouse) {
        if (in.atLastMouse) {
            e.x = lastX_;
            e.y = lastY_;
        }
        lastX_ = e.x;
        lastY_ = e.y;
    }
    return e;
}

std::optional<Event> HeadlessPlatform::waitEvent(std::optional<uint32_t> deadline, const WaitHint& hint) {
    // The deadline on our 64-bit clock; ticks wrap at 32 bits like the real ones.
    std::optional<uint64_t> end;
    if (deadline) {
        int32_t left = int32_t(*deadline - ticks());
        end = clock_ + uint64_t(std::max<int32_t>(left, 0));
    }
    const bool takesInput = hint.kind != WaitKind::Time;
    for (;;) {
        if (options_.maxMs && clock_ >= *options_.maxMs)
            throw RunStopped(RunStopped::Reason::TimeLimit, "time limit reached");
        if (auto timer = fireDueTimer()) return timer;
        if (auto ended = audio_.takeEnded(clock_)) return ended;
        if (auto said = speech_.takeEnded(clock_)) return said;

        // An event at a set time arrives then, whatever the engine is waiting for,
        // as a player's click would.
        if (!timed_.empty() && *timed_.front().atMs <= clock_) {
            ScriptedInput in = std::move(timed_.front());
            timed_.pop_front();
            return deliver(std::move(in));
        }

        if (!queue_.empty() && queue_.front().kind == ScriptedInput::Kind::Wait) {
            if (!waitUntil_) waitUntil_ = clock_ + queue_.front().waitMs;
            if (clock_ >= *waitUntil_) {
                queue_.pop_front();
                waitUntil_.reset();
                continue;
            }
        } else if (!queue_.empty() && (takesInput || !end)) {
            ScriptedInput in = std::move(queue_.front());
            queue_.pop_front();
            return deliver(std::move(in));
        }

        // Nothing to hand over now: the next moment something happens.
        std::optional<uint64_t> next = end;
        auto earliest = [&](std::optional<uint64_t> t) {
            if (t && (!next || *t < *next)) next = t;
        };
        // A patient reader answers a blocking wait at once rather than wait for
        // the next timed event.
        const bool autoAnswers =
            options_.autoPlay &&
            (hint.kind == WaitKind::Click || (hint.kind == WaitKind::Question && hint.autoAnswer != Answer::None) ||
             (hint.kind == WaitKind::Choice && hint.autoChoice >= 0));
        const bool towardsTimed = !timed_.empty() && (end || waitUntil_ || !autoAnswers);
        if (waitUntil_ || end || towardsTimed) {
            earliest(nextTimerDue());
            earliest(audio_.nextEnd());
        }
        if (waitUntil_) earliest(waitUntil_);
        // Speech always ends by itself, so even a wait for input lets it finish first
        // (a reader listens to the line before the next click).
        earliest(speech_.nextEnd());
        if (towardsTimed) earliest(timed_.front().atMs);
        if (next) {
            advanceTo(*next);
            if (end && clock_ >= *end) {
                if (auto timer = fireDueTimer()) return timer;
                if (auto ended = audio_.takeEnded(clock_)) return ended;
                if (auto said = speech_.takeEnded(clock_)) return said;
                return std::nullopt;
            }
            continue;
        }

        // A blocking wait and no input left.
        if (options_.autoPlay && hint.kind == WaitKind::Click) {
            for (auto type : {Event::Type::MouseUp, Event::Type::MouseDown}) {
                ScriptedInput in;
                in.event.type = type;
                in.atLastMouse = true;
                queue_.push_front(in);
            }
            continue;
        }
        if (options_.autoPlay && hint.kind == WaitKind::Choice && hint.autoChoice >= 0) {
            Event e;
            e.type = Event::Type::Choose;
            e.id = hint.autoChoice;
            return e;
        }
        if (options_.autoPlay && hint.kind == WaitKind::Question && hint.autoAnswer != Answer::None) {
            Event e;
            e.type = Event::Type::Answer;
            e.answer = hint.autoAnswer;
            return e;
        }
        throw RunStopped(RunStopped::Reason::InputExhausted, "input used up");
    }
}

std::unique_ptr<SecondaryWindow> HeadlessPlatform::openWindow(std::string_view utf8Caption, int width, int height) {
    return std::make_unique<HeadlessWindow>(++windowsOpened_, utf8Caption, std::max(width, 1), std::max(height, 1));
}

void HeadlessPlatform::present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) {
    ++presentCount_;
    composeFrame(frame, overlay, changed);
    if (!options_.framesDir.empty()) writeFrame();
    if (options_.onFrame) options_.onFrame(presentCount_ - 1, clock_, lastFrame_);
}

void HeadlessPlatform::writeFrame() {
    char name[64];
    std::snprintf(name, sizeof name, "/%06d-%08llu.png", presentCount_ - 1, static_cast<unsigned long long>(clock_));
    if (!writePngFile(options_.framesDir + name, lastFrame_) && !frameWriteFailed_) {
        frameWriteFailed_ = true;
        std::fprintf(stderr, "quorvel: cannot write frames to %s\n", options_.framesDir.c_str());
    }
}

void HeadlessPlatform::composeFrame(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) {
    Rect r{0, 0, frame.width(), frame.height()};
    if (lastFrame_.width() != frame.width() || lastFrame_.height() != frame.height()) {
        lastFrame_ = Surface(frame.width(), frame.height());
    } else if (changed) {
        const int x0 = std::max(changed->x, 0), y0 = std::max(changed->y, 0);
        const int x1 = std::min(changed->x + changed->w, frame.width());
        const int y1 = std::min(changed->y + changed->h, frame.height());
        if (x1 <= x0 || y1 <= y0) return;
        r = {x0, y0, x1 - x0, y1 - y0};
    }
    lastFrame_.blit(frame, r.x, r.y, r.x, r.y, r.w, r.h);
    if (!overlay) return;
    // Lay the overlay over the frame with its alpha, as the window shows it.
    const int x1 = std::min(r.x + r.w, overlay->width()), y1 = std::min(r.y + r.h, overlay->height());
    for (int y = r.y; y < y1; ++y) {
        uint32_t* d = lastFrame_.row(y);
        const uint32_t* s = overlay->row(y);
        for (int x = r.x; x < x1; ++x) {
            uint32_t a = s[x] >> 24;
            if (a == 0) continue;
            if (a == 255) {
                d[x] = s[x] & 0x00FFFFFF;
                continue;
            }
            uint32_t out = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                uint32_t sc = (s[x] >> shift) & 0xFF, dc = (d[x] >> shift) & 0xFF;
                out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
            }
            d[x] = out;
        }
    }
}

}  // namespace qvl::platform
