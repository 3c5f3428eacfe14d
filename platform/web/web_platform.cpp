#include "platform/web/web_platform.h"

#include "platform/web/web_page.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace qvl::platform {

namespace {

bool reached(uint32_t deadline, uint32_t now) { return int32_t(deadline - now) <= 0; }

// KeyboardEvent.key names to the engine's keys; letters and digits come as
// themselves, in either case.
Key translateKey(std::string_view name, char& ch) {
    ch = 0;
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            ch = c;
            return Key::Character;
        }
        if (c == ' ') return Key::Space;
        return Key::Unknown;
    }
    if (name.size() >= 2 && name[0] == 'F' && name.find_first_not_of("0123456789", 1) == std::string_view::npos) {
        const int n = std::stoi(std::string(name.substr(1)));
        if (n >= 1 && n <= 12) return Key(int(Key::F1) + n - 1);
    }
    static constexpr std::array<std::pair<std::string_view, Key>, 15> kNamed{{
        {"Enter", Key::Enter}, {"Escape", Key::Escape}, {"Backspace", Key::Backspace},
        {"Tab", Key::Tab}, {"Delete", Key::Delete}, {"Insert", Key::Insert},
        {"ArrowUp", Key::Up}, {"ArrowDown", Key::Down}, {"ArrowLeft", Key::Left},
        {"ArrowRight", Key::Right}, {"Home", Key::Home}, {"End", Key::End},
        {"PageUp", Key::PageUp}, {"PageDown", Key::PageDown}, {"Spacebar", Key::Space},
    }};
    for (const auto& [n, key] : kNamed)
        if (n == name) return key;
    return Key::Unknown;
}

MouseButton translateButton(int button) {
    // DOM numbering: 0 main, 1 middle (wheel), 2 secondary.
    return button == 2 ? MouseButton::Right : button == 1 ? MouseButton::Middle : MouseButton::Left;
}

}  // namespace

WebPlatform::WebPlatform() : rgba_(std::size_t(kSceneWidth) * kSceneHeight * 4, 0) {
    for (std::size_t i = 3; i < rgba_.size(); i += 4) rgba_[i] = 255;
}

uint32_t WebPlatform::ticks() { return uint32_t(kTickOrigin + uint64_t(qvl_web_now_ms())); }

std::optional<Event> WebPlatform::takeQueued() {
    int f[8] = {};
    char text[256];
    if (!qvl_web_take_event(f, text, int(sizeof text))) return std::nullopt;
    Event ev;
    ev.x = std::clamp(f[1], 0, kSceneWidth - 1);
    ev.y = std::clamp(f[2], 0, kSceneHeight - 1);
    ev.button = translateButton(f[3]);
    ev.mods = uint8_t(f[5]);
    switch (f[0]) {
        case web::kMouseDown: ev.type = Event::Type::MouseDown; break;
        case web::kMouseUp: ev.type = Event::Type::MouseUp; break;
        case web::kMouseMove: ev.type = Event::Type::MouseMove; break;
        case web::kWheel:
            ev.type = Event::Type::MouseWheel;
            ev.wheel = f[4];
            break;
        case web::kKeyDown:
            ev.type = Event::Type::KeyDown;
            ev.key = translateKey(text, ev.ch);
            break;
        case web::kText:
            ev.type = Event::Type::TextInput;
            ev.text = text;
            break;
        case web::kFocusGained: ev.type = Event::Type::FocusGained; break;
        case web::kFocusLost: ev.type = Event::Type::FocusLost; break;
        case web::kMediaDone:
            ev.type = Event::Type::MediaDone;
            ev.id = f[6];
            ev.status = f[7];
            break;
        case web::kQuit: ev.type = Event::Type::Quit; break;
        default: ev.type = Event::Type::Exposed; break;
    }
    return ev;
}

std::optional<Event> WebPlatform::waitEvent(std::optional<uint32_t> deadline, const WaitHint& hint) {
    for (;;) {
        const uint32_t now = ticks();
        if (std::optional<int> id = timers_.takeDue(now)) {
            Event ev;
            ev.type = Event::Type::Timer;
            ev.id = *id;
            return ev;
        }
        if (std::optional<Event> ev = takeQueued()) return ev;
        if (deadline && reached(*deadline, now)) return std::nullopt;

        std::optional<uint32_t> wake = deadline;
        if (std::optional<uint32_t> due = timers_.nextDue(now);
            due && (!wake || int32_t(*due - now) < int32_t(*wake - now)))
            wake = due;
        qvl_web_sleep(wake ? std::max(int32_t(*wake - now), 0) : -1, int(hint.kind), int(hint.autoAnswer),
                      hint.autoChoice);
    }
}

void WebPlatform::startTimer(int id, uint32_t intervalMs) { timers_.start(id, intervalMs, ticks()); }

void WebPlatform::stopTimer(int id) { timers_.stop(id); }

void WebPlatform::present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) {
    Rect r{0, 0, kSceneWidth, kSceneHeight};
    if (changed) {
        const int x0 = std::max(changed->x, 0), y0 = std::max(changed->y, 0);
        const int x1 = std::min(changed->x + changed->w, kSceneWidth);
        const int y1 = std::min(changed->y + changed->h, kSceneHeight);
        if (x1 <= x0 || y1 <= y0) return;
        r = {x0, y0, x1 - x0, y1 - y0};
    }
    // Laid together the way the headless backend lays them, so a page screenshot and
    // a headless frame of the same moment hold the same pixels.
    for (int y = r.y; y < r.y + r.h; ++y) {
        const uint32_t* s = y < frame.height() ? frame.row(y) : nullptr;
        const uint32_t* o = overlay && y < overlay->height() ? overlay->row(y) : nullptr;
        uint8_t* d = rgba_.data() + (std::size_t(y) * kSceneWidth + std::size_t(r.x)) * 4;
        for (int x = r.x; x < r.x + r.w; ++x, d += 4) {
            uint32_t p = s && x < frame.width() ? s[x] & 0x00FFFFFF : 0;
            if (o && x < overlay->width()) {
                const uint32_t a = o[x] >> 24;
                if (a == 255) {
                    p = o[x] & 0x00FFFFFF;
                } else if (a != 0) {
                    uint32_t out = 0;
                    for (int shift = 0; shift < 24; shift += 8) {
                        const uint32_t sc = (o[x] >> shift) & 0xFF, dc = (p >> shift) & 0xFF;
                        out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
                    }
                    p = out;
                }
            }
            d[0] = uint8_t(p >> 16);
            d[1] = uint8_t(p >> 8);
            d[2] = uint8_t(p);
        }
    }
    qvl_web_present(rgba_.data(), r.x, r.y, r.w, r.h);
}

std::time_t WebPlatform::now() { return std::time_t(qvl_web_wall_clock()); }

std::tm WebPlatform::localTime() {
    const std::time_t t = now();
    std::tm out{};
    if (qvl_web_clock_fixed())
        gmtime_r(&t, &out);
    else
        localtime_r(&t, &out);
    return out;
}

void WebPlatform::setCaption(std::string_view utf8) { qvl_web_set_caption(std::string(utf8).c_str()); }

bool WebPlatform::setFullScreen(bool on) { return qvl_web_full_screen(on ? 1 : 0) != 0; }

void WebPlatform::setCursor(Cursor cursor) { qvl_web_set_cursor(int(cursor)); }

void WebPlatform::setTextInput(bool on, Rect) { qvl_web_text_input(on ? 1 : 0); }

}  // namespace qvl::platform
