#include "text/log_view.h"

#include "graphics/masks.h"
#include "platform/encoding.h"
#include "platform/overlay_text.h"
#include "ui/dialog.h"
#include "ui/theme.h"

#include <algorithm>
#include <exception>

namespace qvl {

using platform::Event;
using platform::Key;

namespace {

constexpr int kWidth = platform::kSceneWidth;
constexpr int kHeight = platform::kSceneHeight;
constexpr int kArrow = 16;

const std::string& buttonFaceName() {
    static const std::string name = platform::utf8ToSjis("ＭＳ Ｐゴシック");
    return name;
}

// The form's own button pictures are not ours to ship: a dark glassy gradient
// under the bright captions does the same job.
Surface buttonFace() {
    constexpr int kW = 112, kH = 32;
    constexpr uint32_t kTop = 0x3C5A8C, kBottom = 0x0C1830;
    Surface face(kW, kH);
    for (int y = 0; y < kH; ++y) {
        uint32_t colour = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int a = int((kTop >> shift) & 0xFF), b = int((kBottom >> shift) & 0xFF);
            colour |= uint32_t(a + (b - a) * y / (kH - 1)) << shift;
        }
        face.fillRect({0, y, kW, 1}, colour);
    }
    return face;
}

std::unique_ptr<ui::ImageButton> pageButton(Rect r, const char* utf8Caption, int fontHeight, uint32_t textColour,
                                            const Surface& face) {
    auto button = std::make_unique<ui::ImageButton>(r, platform::utf8ToSjis(utf8Caption));
    button->setPictureImg(face);
    button->setFont({buttonFaceName(), fontHeight, true});
    button->setTextColour(textColour);
    return button;
}

}  // namespace

LogView::LogView(MessageLog& log, platform::FontEngine& fonts, std::string fontName, const Surface& tile)
    : log_(log), fonts_(fonts), font_{std::move(fontName), kFontHeight, false} {
    tile_ = tile.empty() ? Surface(320, 128, 0) : tile.clone();
    // The canvas is laid over the scene as it is: every pixel opaque.
    for (int y = 0; y < tile_.height(); ++y) {
        uint32_t* row = tile_.row(y);
        for (int x = 0; x < tile_.width(); ++x) row[x] |= ui::kOpaque;
    }
    const Surface face = buttonFace();
    older_ = pageButton({256, 8, 112, 32}, "１ページ戻る", 19, 0x00FFFF, face);
    newer_ = pageButton({264, 440, 112, 32}, "１ページ進む", 19, 0x00FFFF, face);
    exit_ = pageButton({448, 440, 64, 32}, "EXIT", 16, 0xFFFF00, face);
    older_->onClick = [this] { older(); };
    newer_->onClick = [this] { newer(); };
    exit_->onClick = [this] { close(); };
}

bool LogView::older() {
    if (log_.viewOffset >= kLogPages - 1 || log_.viewOffset >= log_.LogTotalPage - 1) return false;
    ++log_.viewOffset;
    render();
    return true;
}

bool LogView::newer() {
    if (log_.viewOffset <= 0) return false;
    --log_.viewOffset;
    render();
    return true;
}

void LogView::close() {
    log_.viewActive = false;
}

const std::vector<std::string>& LogView::shownPage() const {
    return log_.pages[std::size_t(((log_.LogCurrentPage - log_.viewOffset) % kLogPages + kLogPages) % kLogPages)];
}

int LogView::layout(bool drawing) {
    auto drawRow = [&](int row, std::string_view text) {
        if (!drawing || text.empty()) return;
        const int y = row * kRowHeight;
        // Drawn over the canvas at each presentation, not into it, so that a
        // larger window can have the text drawn at its own scale.
        if (y < canvas_.height()) rows_.push_back({y, std::string(text)});
    };
    drawRow(0, "Page " + std::to_string(log_.viewOffset + 1) + "/" + std::to_string(log_.LogTotalPage));
    int row = 2;
    for (const std::string& line : shownPage()) {
        // Long lines come in pieces with an empty row after them; empty rows draw nothing.
        for (const std::string& piece : logViewRows(line)) drawRow(row++, piece);
    }
    return row * kRowHeight + 48;
}

void LogView::render() {
    // A page has no line limit (a script can keep writing without a page clear):
    // the canvas stops at a size memory can take; rows past it are not drawn.
    int h = std::min(layout(false), kMaxCanvasHeight);
    if (h > kHeight) {
        scrollMax_ = h - kHeight;
    } else {
        scrollMax_ = 0;
        h = kHeight;
    }
    scroll_ = 0;
    canvas_ = Surface(kWidth, h);
    tileImage(tile_, canvas_);
    rows_.clear();
    layout(true);
    if (onPageShown) onPageShown();
}

void LogView::scrollTo(int y) {
    scroll_ = std::clamp(y, 0, scrollMax_);
}

Rect LogView::thumb() const {
    const Rect bar = scrollBarRect();
    const int track = bar.h - 2 * kArrow;
    const int h = std::max(8, track * kHeight / (kHeight + scrollMax_));
    const int y = bar.y + kArrow + (scrollMax_ > 0 ? (track - h) * scroll_ / scrollMax_ : 0);
    return {bar.x, y, bar.w, h};
}

bool LogView::repeatStep() {
    if (repeatBy_ == 0) return false;
    // The track pages toward the pointer and stops once the thumb is under it.
    if (repeatBy_ == -kLargeChange || repeatBy_ == kLargeChange) {
        const Rect t = thumb();
        if (repeatBy_ < 0 ? trackTarget_ >= t.y : trackTarget_ < t.y + t.h) return false;
    }
    const int before = scroll_;
    scrollTo(scroll_ + repeatBy_);
    return scroll_ != before;
}

bool LogView::wheel(int steps) {
    if (steps > 0) {
        if (scroll_ > 0) {
            scrollTo(scroll_ - steps * kWheelStep);
        } else if (older()) {
            // Reading upward: the older page shows from its end.
            scrollTo(scrollMax_);
        }
        return true;
    }
    if (steps < 0) {
        if (scroll_ < scrollMax_) {
            scrollTo(scroll_ - steps * kWheelStep);
        } else if (!newer()) {
            // Past the end of the newest page: back to the story.
            close();
        }
        return true;
    }
    return false;
}

bool LogView::mouseDown(const Event& event) {
    if (event.button == platform::MouseButton::Right) {
        rightPressed_ = true;
        return false;
    }
    if (event.button != platform::MouseButton::Left) return false;
    const Rect bar = scrollBarRect();
    if (scrollBarVisible() && bar.contains(event.x, event.y)) {
        const Rect t = thumb();
        if (event.y < bar.y + kArrow) {
            repeatBy_ = -kSmallChange;
        } else if (event.y >= bar.y + bar.h - kArrow) {
            repeatBy_ = kSmallChange;
        } else if (event.y < t.y) {
            repeatBy_ = -kLargeChange;
        } else if (event.y >= t.y + t.h) {
            repeatBy_ = kLargeChange;
        } else {
            dragOffset_ = event.y - t.y;
            return true;
        }
        trackTarget_ = event.y;
        repeatStep();
        if (platform_) nextRepeat_ = platform_->ticks() + kRepeatDelayMs;
        return true;
    }
    bool changed = false;
    for (auto* b : {older_.get(), newer_.get(), exit_.get()}) changed = b->handle(event) || changed;
    return changed;
}

bool LogView::handle(const Event& event) {
    switch (event.type) {
        case Event::Type::MouseDown:
            return mouseDown(event);
        case Event::Type::MouseUp: {
            if (event.button == platform::MouseButton::Right) {
                // The release, not the press, so it does not reach the wait below.
                if (rightPressed_) close();
                rightPressed_ = false;
                return true;
            }
            repeatBy_ = 0;
            nextRepeat_.reset();
            dragOffset_ = -1;
            bool changed = false;
            for (auto* b : {older_.get(), newer_.get(), exit_.get()}) changed = b->handle(event) || changed;
            return changed;
        }
        case Event::Type::MouseMove: {
            if (dragOffset_ < 0) return false;
            const Rect bar = scrollBarRect();
            const int room = bar.h - 2 * kArrow - thumb().h;
            if (room > 0) scrollTo((event.y - dragOffset_ - bar.y - kArrow) * scrollMax_ / room);
            return true;
        }
        case Event::Type::MouseWheel:
            return wheel(event.wheel);
        case Event::Type::KeyDown: {
            const int before = scroll_;
            switch (event.key) {
                case Key::Escape:
                    close();
                    return true;
                case Key::PageUp:
                    return older();
                case Key::PageDown:
                    return newer();
                case Key::Left:
                    return older();
                case Key::Right:
                    return newer();
                case Key::Backspace:
                case Key::Enter:
                    if (onGoBack && onGoBack()) {
                        close();
                        return true;
                    }
                    if (platform_) platform_->beep();
                    return false;
                case Key::Up:
                    scrollTo(scroll_ - kRowHeight);
                    break;
                case Key::Down:
                    scrollTo(scroll_ + kRowHeight);
                    break;
                case Key::Home:
                    scrollTo(0);
                    break;
                case Key::End:
                    scrollTo(scrollMax_);
                    break;
                default:
                    return false;
            }
            return scroll_ != before;
        }
        case Event::Type::Answer:
            // A scripted answer leaves the view, as EXIT does.
            close();
            return true;
        default:
            return false;
    }
}

void LogView::draw(Surface& overlay) {
    overlay.fill(ui::kOpaque);
    overlay.blit(canvas_, 0, 0, 0, scroll_, kWidth, kHeight);
    {
        const platform::OverlayText::Recording recording(fonts_.overlayText());
        for (const Row& row : rows_) {
            const int y = row.y - scroll_;
            if (y + 2 * kRowHeight <= 0 || y >= kHeight) continue;
            fonts_.drawText(overlay, 2, y + 2, row.text, font_, 0x000000);
            fonts_.drawText(overlay, 0, y, row.text, font_, 0xFFFFFF);
        }
    }
    for (auto* b : {older_.get(), newer_.get(), exit_.get()}) b->draw(overlay, fonts_);
    if (!scrollBarVisible()) return;
    const Rect bar = scrollBarRect();
    ui::fillOpaque(overlay, bar, 0xE0E0E0);
    const Rect up{bar.x, bar.y, kArrow, kArrow};
    const Rect down{bar.x, bar.y + bar.h - kArrow, kArrow, kArrow};
    for (Rect b : {up, down, thumb()}) {
        ui::fillOpaque(overlay, b, ui::kFaceColour);
        ui::drawRaised(overlay, b);
    }
    for (int i = 0; i < 4; ++i) {
        const int cx = bar.x + kArrow / 2;
        ui::fillOpaque(overlay, {cx - i, up.y + 6 + i, 2 * i + 1, 1}, ui::kTextColour);
        ui::fillOpaque(overlay, {cx - i, down.y + 9 - i, 2 * i + 1, 1}, ui::kTextColour);
    }
}

void LogView::run(ui::UiHost& host, platform::WaitHint hint) {
    log_.viewOffset = 0;
    if (log_.LogTotalPage == 0) return;
    platform::Platform& platform = host.platform();
    platform_ = &platform;
    const Surface* base = host.currentOverlay();
    Surface frame(kWidth, kHeight);
    // A run stopped inside the view (input used up, a time limit) keeps the view
    // in the last frame and open in the state, so both show what it waited on.
    struct Restore {
        LogView& view;
        ui::UiHost& host;
        const Surface* base;
        ~Restore() {
            view.platform_ = nullptr;
            view.repeatBy_ = 0;
            view.nextRepeat_.reset();
            view.dragOffset_ = -1;
            view.rightPressed_ = false;
            if (std::uncaught_exceptions() != 0) return;
            view.canvas_ = Surface();
            view.rows_.clear();
            host.presentOverlay(base);
        }
    } restore{*this, host, base};

    log_.viewActive = true;
    render();
    bool dirty = true;
    while (log_.viewActive) {
        if (dirty) {
            draw(frame);
            host.presentOverlay(&frame);
            dirty = false;
        }
        std::optional<Event> event = platform.waitEvent(nextRepeat_, hint);
        if (!event) {
            // A held arrow or track goes on by itself.
            if (nextRepeat_ && int32_t(platform.ticks() - *nextRepeat_) >= 0) {
                if (repeatStep()) {
                    dirty = true;
                    nextRepeat_ = platform.ticks() + kRepeatMs;
                } else {
                    nextRepeat_.reset();
                }
            }
            continue;
        }
        const bool shortcut = event->type == Event::Type::KeyDown && (event->mods & platform::kModCtrl);
        // Input of another window (the debug window) is that window's.
        if (event->window != 0 || ui::isWindowKey(*event) || shortcut || !ui::isDialogInput(*event)) {
            host.passEvent(*event);
        } else {
            dirty = handle(*event) || dirty;
        }
    }
}

}  // namespace qvl
