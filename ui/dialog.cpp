#include "ui/dialog.h"

#include "platform/overlay_text.h"
#include <exception>

#include "platform/overlay_text.h"
#include "ui/text_fit.h"
#include "ui/theme.h"

#include <algorithm>
#include <cassert>

namespace qvl::ui {

using platform::Answer;
using platform::Event;
using platform::Key;

bool isWindowKey(const Event& event) {
    return event.type == Event::Type::KeyDown &&
           (event.key == Key::F11 || (event.key == Key::Enter && (event.mods & platform::kModAlt)));
}

bool isDialogInput(const Event& event) {
    // Input of another desktop window (the debug window) is never the dialog's.
    if (event.window != 0) return false;
    switch (event.type) {
        case Event::Type::MouseDown:
        case Event::Type::MouseUp:
        case Event::Type::MouseMove:
        case Event::Type::MouseWheel:
        case Event::Type::KeyDown:
        case Event::Type::TextInput:
        case Event::Type::TextEditing:
        case Event::Type::Answer:
        case Event::Type::PickSlot:
        case Event::Type::PickFont:
            return true;
        default:
            return false;
    }
}

// Forwards to the engine's host but presents the open dialog as the current
// overlay, so a box opened from a button shows over the dialog and, when it
// closes, puts the dialog back rather than the bare scene.
class Dialog::NestedHost : public UiHost {
public:
    // base: what was open below the dialog when it opened (null: only the scene).
    explicit NestedHost(UiHost& outer) : outer_(outer), base_(outer.currentOverlay()) {}
    platform::Platform& platform() override { return outer_.platform(); }
    const Surface* currentOverlay() override { return &frame; }
    void presentOverlay(const Surface* overlay) override { outer_.presentOverlay(overlay); }
    void passEvent(const Event& event) override { outer_.passEvent(event); }
    void announce(std::string_view sjis) override { outer_.announce(sjis); }

    void redraw(Dialog& dialog) {
        if (base_ && !base_->empty()) {
            frame = base_->clone();
        } else {
            frame = Surface(platform::kSceneWidth, platform::kSceneHeight, 0);
        }
        dialog.draw(frame, outer_.platform().fonts());
        outer_.presentOverlay(&frame);
    }

    // Puts back what was open before the dialog.
    void restore() { outer_.presentOverlay(base_); }

    Surface frame;

private:
    UiHost& outer_;
    const Surface* base_;
};

Dialog::Dialog(std::string sjisTitle, int width, int height) : title_(std::move(sjisTitle)) {
    width = std::clamp(width, 2 * kEdge + 40, platform::kSceneWidth);
    height = std::clamp(height, 2 * kEdge + kTitleHeight + 10, platform::kSceneHeight);
    rect_ = {(platform::kSceneWidth - width) / 2, (platform::kSceneHeight - height) / 2, width, height};
}

Dialog::~Dialog() = default;

Rect Dialog::clientRect() const {
    int top = kEdge + kTitleHeight + 1;
    return {rect_.x + kEdge, rect_.y + top, rect_.w - 2 * kEdge, rect_.h - top - kEdge};
}

Rect Dialog::place(int x, int y, int w, int h) const {
    Rect c = clientRect();
    return {c.x + x, c.y + y, w, h};
}

void Dialog::setFocus(Widget* widget) {
    if (focus_ == widget) return;
    if (focus_) focus_->setFocused(false);
    focus_ = widget;
    if (focus_) focus_->setFocused(true);
}

void Dialog::focusNext(bool backwards) {
    std::vector<Widget*> order;
    for (auto& w : widgets_) {
        if (w->focusable()) order.push_back(w.get());
    }
    if (order.empty()) return;
    auto it = std::find(order.begin(), order.end(), focus_);
    int n = int(order.size());
    int index = it == order.end() ? (backwards ? 0 : -1) : int(it - order.begin());
    index = ((index + (backwards ? -1 : 1)) % n + n) % n;
    setFocus(order[index]);
}

void Dialog::setPlatform(platform::Platform* platform) {
    platform_ = platform;
    for (auto& w : widgets_) w->setPlatform(platform);
}

UiHost& Dialog::host() {
    assert(nested_ && "host() is only there while the dialog runs");
    return *nested_;
}

void Dialog::close(Answer result) {
    result_ = result;
    closed_ = true;
}

Answer Dialog::runModal(UiHost& host, platform::WaitHint hint) {
    platform::Platform& platform = host.platform();
    nested_ = std::make_unique<NestedHost>(host);
    setPlatform(&platform);
    closed_ = false;
    result_ = Answer::None;
    if (!focus_) {
        focusNext(false);
    } else {
        // Focus given before the loop had a platform: tell the widget again.
        Widget* widget = focus_;
        setFocus(nullptr);
        setFocus(widget);
    }
    // Runs on every way out, a stopped run included, so the box never stays on
    // screen and no one keeps a pointer to our frame.
    struct Restore {
        Dialog& dialog;
        ~Restore() {
            if (dialog.focus_) dialog.focus_->setFocused(false);
            dialog.capture_ = nullptr;
            // A run stopped inside the loop (input used up, time limit) keeps the
            // box in the last frame, so a screenshot shows what it waited on.
            if (std::uncaught_exceptions() == 0) dialog.nested_->restore();
            dialog.setPlatform(nullptr);
            dialog.nested_.reset();
        }
    } restore{*this};

    // Self-voicing hears of the dialog as it opens, and of the focused control
    // whenever the focus moves or what that control shows changes.
    host.announce(openingSpeech());
    const Widget* spokenFocus = focus_;
    std::string spoken = focus_ ? focus_->spokenText() : std::string();
    bool dirty = true;
    while (!closed_) {
        if (dirty) {
            nested_->redraw(*this);
            dirty = false;
        }
        std::optional<Event> event = platform.waitEvent(std::nullopt, hint);
        if (!event) continue;
        if (isWindowKey(*event)) {
            // Full screen is the window's, whatever is open in it.
            host.passEvent(*event);
        } else if (isDialogInput(*event)) {
            dirty = handle(*event);
            if (!closed_ && (focus_ != spokenFocus || (focus_ && focus_->spokenText() != spoken))) {
                spokenFocus = focus_;
                spoken = focus_ ? focus_->spokenText() : std::string();
                host.announce(spoken);
            }
        } else {
            // The engine shows the dialog's frame with whatever it draws meanwhile.
            host.passEvent(*event);
        }
    }
    return result_;
}

Widget* Dialog::widgetAt(int x, int y) const {
    // Later widgets lie on top.
    for (auto it = widgets_.rbegin(); it != widgets_.rend(); ++it) {
        Widget* w = it->get();
        if (w->visible() && w->enabled() && w->rect().contains(x, y)) return w;
    }
    return nullptr;
}

bool Dialog::routeMouse(const Event& event) {
    switch (event.type) {
        case Event::Type::MouseDown: {
            Widget* target = widgetAt(event.x, event.y);
            if (!target) return false;
            bool changed = false;
            if (target->focusable() && target != focus_) {
                setFocus(target);
                changed = true;
            }
            if (event.button == platform::MouseButton::Left) capture_ = target;
            return target->handle(event) || changed;
        }
        case Event::Type::MouseUp: {
            Widget* target = capture_ ? capture_ : widgetAt(event.x, event.y);
            capture_ = nullptr;
            return target && target->handle(event);
        }
        case Event::Type::MouseMove: {
            bool changed = onPointer(event);
            for (auto& w : widgets_) {
                if (w->visible()) changed = w->handle(event) || changed;
            }
            return changed;
        }
        case Event::Type::MouseWheel: {
            Widget* target = widgetAt(event.x, event.y);
            if (target && target->handle(event)) return true;
            if (focus_ && focus_ != target && focus_->handle(event)) return true;
            return onWheel(event);
        }
        default:
            return false;
    }
}

bool Dialog::handle(const Event& event) {
    switch (event.type) {
        case Event::Type::MouseDown:
        case Event::Type::MouseUp:
        case Event::Type::MouseMove:
        case Event::Type::MouseWheel:
            return routeMouse(event);
        case Event::Type::KeyDown:
            if (event.key == Key::Tab) {
                focusNext((event.mods & platform::kModShift) != 0);
                return true;
            }
            if (focus_ && focus_->handle(event)) return true;
            return onKey(event);
        case Event::Type::TextInput:
        case Event::Type::TextEditing:
            if (focus_ && focus_->handle(event)) return true;
            return onText(event);
        case Event::Type::Answer:
            return onAnswer(event.answer);
        case Event::Type::PickSlot:
        case Event::Type::PickFont:
            return onPick(event);
        default:
            return false;
    }
}

Button* Dialog::defaultButton() const {
    for (auto& w : widgets_) {
        auto* b = dynamic_cast<Button*>(w.get());
        if (b && b->isDefault() && b->visible() && b->enabled()) return b;
    }
    return nullptr;
}

Button* Dialog::cancelButton() const {
    for (auto& w : widgets_) {
        auto* b = dynamic_cast<Button*>(w.get());
        if (b && b->isCancel() && b->visible() && b->enabled()) return b;
    }
    return nullptr;
}

bool Dialog::onKey(const Event& event) {
    if (event.key == Key::Enter) {
        if (Button* b = defaultButton()) b->click();
        return true;
    }
    if (event.key == Key::Escape) {
        if (Button* b = cancelButton()) {
            b->click();
        } else {
            close(Answer::Cancel);
        }
        return true;
    }
    return false;
}

bool Dialog::onAnswer(Answer answer) {
    switch (answer) {
        case Answer::Ok:
        case Answer::Yes:
            if (Button* b = defaultButton()) b->click();
            return true;
        case Answer::Cancel:
        case Answer::No:
            if (Button* b = cancelButton()) {
                b->click();
            } else {
                close(Answer::Cancel);
            }
            return true;
        default:
            return false;
    }
}

bool Dialog::onText(const Event&) {
    return false;
}

bool Dialog::onWheel(const Event&) {
    return false;
}

bool Dialog::onPick(const Event&) {
    return false;
}

void Dialog::drawFace(Surface&, platform::FontEngine&) {}

std::string Dialog::openingSpeech() const {
    std::string out = title_;
    if (focus_ && !focus_->spokenText().empty()) out += " " + focus_->spokenText();
    return out;
}

void Dialog::drawOver(Surface&, platform::FontEngine&) {}

bool Dialog::onPointer(const Event&) {
    return false;
}

void Dialog::draw(Surface& overlay, platform::FontEngine& fonts) {
    // Its text is kept, for a larger window to draw at its own scale.
    const platform::OverlayText::Recording recording(fonts.overlayText());
    fillOpaque(overlay, rect_, kFaceColour);
    drawRaised(overlay, rect_);
    Rect bar{rect_.x + kEdge, rect_.y + kEdge, rect_.w - 2 * kEdge, kTitleHeight};
    fillOpaque(overlay, bar, kTitleColour);
    auto titleFont = uiFont(kUiFontSize, true);
    fonts.drawText(overlay, bar.x + 4, bar.y + (kTitleHeight - kUiFontSize) / 2,
                   fitToWidth(fonts, title_, titleFont, bar.w - 8), titleFont, kTitleTextColour);
    drawFace(overlay, fonts);
    // The thick border marks what Enter presses: the focused button, else the default.
    bool focusOnButton = dynamic_cast<Button*>(focus_) != nullptr;
    for (auto& w : widgets_) {
        if (auto* b = dynamic_cast<Button*>(w.get())) {
            b->setDefaultLook(focusOnButton ? w.get() == focus_ : b->isDefault());
        }
    }
    for (auto& w : widgets_) {
        if (w->visible()) w->draw(overlay, fonts);
    }
    drawOver(overlay, fonts);
}

}  // namespace qvl::ui
