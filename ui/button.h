#pragma once
// A push button. The default button answers Enter, the cancel button Esc; a button
// may be both (a box with OK alone).
#include "ui/widget.h"

#include <functional>
#include <string>

namespace qvl::ui {

class Button : public Widget {
public:
    Button(Rect rect, std::string sjisCaption) : Widget(rect), caption_(std::move(sjisCaption)) {}

    const std::string& caption() const { return caption_; }
    void setCaption(std::string sjis) { caption_ = std::move(sjis); }
    bool isDefault() const { return default_; }
    void setDefault(bool on) { default_ = on; }
    bool isCancel() const { return cancel_; }
    void setCancel(bool on) { cancel_ = on; }
    // The thick border that shows which button Enter presses; set by the dialog.
    void setDefaultLook(bool on) { defaultLook_ = on; }
    bool pressed() const { return pressed_; }

    void click();
    std::function<void()> onClick;

    bool focusable() const override { return visible() && enabled(); }
    void draw(Surface& overlay, platform::FontEngine& fonts) override;
    bool handle(const platform::Event& event) override;

protected:
    std::string shownText() const override { return caption_; }

private:
    std::string caption_;
    bool default_ = false;
    bool cancel_ = false;
    bool defaultLook_ = false;
    bool pressed_ = false;  // drawn pushed in
    bool held_ = false;     // the left button went down on us and is still down
    bool hover_ = false;
};

}  // namespace qvl::ui
