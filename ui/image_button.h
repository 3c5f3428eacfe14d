#pragma once
// TTkBtn: the push button the forms draw from a picture. The picture is stretched
// over the whole button, the frames of a panel go over it, the caption over that;
// the outer bevel sinks while the left button is held. Without a picture it is a
// plain panel of its colour.
#include "ui/theme.h"
#include "ui/widget.h"

#include <functional>
#include <string>

namespace qvl::ui {

enum class Bevel : uint8_t { None, Lowered, Raised };
enum class TextAlign : uint8_t { Left, Right, Centre };

class ImageButton : public Widget {
public:
    ImageButton(Rect rect, std::string sjisCaption = {});

    // PictureImg: the button keeps its own copy. An empty surface paints a plain panel.
    void setPictureImg(const Surface& picture);
    bool hasPicture() const { return !picture_.empty(); }

    const std::string& caption() const { return caption_; }
    void setCaption(std::string sjis) { caption_ = std::move(sjis); }
    void setAlignment(TextAlign align) { align_ = align; }
    // The panel colour: the face without a picture and the border frame.
    void setColour(uint32_t colour) { colour_ = colour; }
    void setFont(platform::FontSpec font) { font_ = std::move(font); }
    void setTextColour(uint32_t colour) { textColour_ = colour; }
    Bevel bevelOuter() const { return bevelOuter_; }
    void setBevelOuter(Bevel bevel) { bevelOuter_ = bevel; }
    void setBevelInner(Bevel bevel) { bevelInner_ = bevel; }
    void setBevelWidth(int width) { bevelWidth_ = width; }
    void setBorderWidth(int width) { borderWidth_ = width; }

    // The forms' buttons never take the keyboard; a dialog that wants Tab and Enter
    // to reach one says so.
    void setFocusable(bool on) { focusable_ = on; }
    // Show the hand pointer while the mouse is over the enabled button.
    void setHandPointer(bool on) { handPointer_ = on; }
    // Put the pen pointer back if we showed the hand (a box opens, the dialog closes).
    void releasePointer();

    void click();
    std::function<void()> onClick;

    bool focusable() const override { return focusable_ && visible() && enabled(); }
    void draw(Surface& overlay, platform::FontEngine& fonts) override;
    bool handle(const platform::Event& event) override;

protected:
    std::string shownText() const override { return caption_; }

private:
    Surface picture_;  // opaque copy for the overlay
    std::string caption_;
    TextAlign align_ = TextAlign::Centre;
    uint32_t colour_ = kFaceColour;
    platform::FontSpec font_;
    uint32_t textColour_ = kTextColour;
    Bevel bevelOuter_ = Bevel::Raised;
    Bevel bevelInner_ = Bevel::None;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    bool focusable_ = false;
    bool handPointer_ = false;
    bool held_ = false;  // the left button went down on us and is still down
    bool handShown_ = false;
};

// Tabs to the next multiple of eight columns; a double-byte character is two.
std::string expandTabs(std::string_view sjis);

}  // namespace qvl::ui
