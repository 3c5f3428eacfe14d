#pragma once
// The base of the in-window widget kit. A widget owns a rectangle in scene
// coordinates, draws itself onto an overlay and reacts to the platform's events.
// Dialogs own widgets, route events to them and run the modal loop.
#include "graphics/surface.h"
#include "platform/events.h"
#include "platform/fonts.h"
#include "platform/platform.h"

#include <string>

namespace qvl::ui {

class Widget {
public:
    explicit Widget(Rect rect = {}) : rect_(rect) {}
    virtual ~Widget() = default;
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    Rect rect() const { return rect_; }
    void setRect(Rect rect) { rect_ = rect; }
    bool visible() const { return visible_; }
    void setVisible(bool on) { visible_ = on; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }

    // Whether Tab and clicks may give this widget the keyboard.
    virtual bool focusable() const { return false; }
    bool focused() const { return focused_; }
    void setFocused(bool on) {
        if (focused_ == on) return;
        focused_ = on;
        focusChanged();
    }

    // The platform of the loop the widget runs in: its clock and input method.
    // Null while no loop runs.
    void setPlatform(platform::Platform* platform) { platform_ = platform; }

    // What self-voicing says of the widget when it has the focus (Shift-JIS): a
    // text of its own when one was given, else what the widget shows.
    std::string spokenText() const { return spoken_.empty() ? shownText() : spoken_; }
    void setSpokenText(std::string sjis) { spoken_ = std::move(sjis); }

    virtual void draw(Surface& overlay, platform::FontEngine& fonts) = 0;
    // True when the event was used; the owner then draws again.
    virtual bool handle(const platform::Event& event) {
        (void)event;
        return false;
    }

protected:
    virtual void focusChanged() {}
    virtual std::string shownText() const { return {}; }
    platform::Platform* platformPtr() const { return platform_; }

private:
    Rect rect_;
    std::string spoken_;
    bool visible_ = true;
    bool enabled_ = true;
    bool focused_ = false;
    platform::Platform* platform_ = nullptr;
};

}  // namespace qvl::ui
