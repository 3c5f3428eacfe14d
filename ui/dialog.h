#pragma once
// A window of the widget kit: grey face, raised edge, dark-blue title bar, centred
// on the scene. It owns its widgets, moves the keyboard focus with Tab, and runs the
// modal loop in which every wait of the engine goes on: events the dialog does not
// use are handed back to the engine while it is open.
#include "ui/button.h"
#include "ui/ui_host.h"
#include "ui/widget.h"

#include <memory>
#include <string>
#include <vector>

namespace qvl::ui {

class Dialog {
public:
    static constexpr int kTitleHeight = 18;
    static constexpr int kEdge = 3;

    Dialog(std::string sjisTitle, int width, int height);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    Rect rect() const { return rect_; }
    // The area under the title bar, in scene coordinates.
    Rect clientRect() const;
    // A rectangle given relative to the client area, in scene coordinates.
    Rect place(int x, int y, int w, int h) const;
    const std::string& title() const { return title_; }
    void setTitle(std::string sjis) { title_ = std::move(sjis); }

    // The dialog owns its widgets; the reference stays valid while it lives.
    template <class W, class... Args>
    W& add(Args&&... args) {
        auto widget = std::make_unique<W>(std::forward<Args>(args)...);
        W& ref = *widget;
        ref.setPlatform(platform_);
        widgets_.push_back(std::move(widget));
        return ref;
    }

    Widget* focus() const { return focus_; }
    void setFocus(Widget* widget);
    void focusNext(bool backwards);

    // Runs until close() is called and returns its answer. The previous overlay is
    // shown again on return.
    platform::Answer runModal(UiHost& host, platform::WaitHint hint);
    void close(platform::Answer result);
    bool closed() const { return closed_; }
    // While runModal runs: the host for boxes opened from inside the dialog, whose
    // current overlay is the dialog itself, so they show on top of it.
    UiHost& host();

    void draw(Surface& overlay, platform::FontEngine& fonts);
    // Routes an input event; true when it changed something.
    bool handle(const platform::Event& event);

protected:
    // Enter with no widget taking it presses the default button; Esc the cancel button.
    virtual bool onKey(const platform::Event& event);
    // A scripted answer; false when the dialog has no use for it.
    virtual bool onAnswer(platform::Answer answer);
    // Text no focused widget took.
    virtual bool onText(const platform::Event& event);
    // A wheel turn no widget took.
    virtual bool onWheel(const platform::Event& event);
    // A scripted pick of one of the dialog's own items (a save slot, a font face);
    // false when the dialog has none of that kind.
    virtual bool onPick(const platform::Event& event);
    // What self-voicing says when the dialog opens: its caption and the focused control.
    virtual std::string openingSpeech() const;
    // Painting of the face under the widgets (icons and the like).
    virtual void drawFace(Surface& overlay, platform::FontEngine& fonts);
    // Painting over the widgets (a preview that may cover them), and the pointer's
    // moves, which the dialog sees before its widgets; true when it must be drawn again.
    virtual void drawOver(Surface& overlay, platform::FontEngine& fonts);
    virtual bool onPointer(const platform::Event& event);

    Button* defaultButton() const;
    Button* cancelButton() const;

private:
    class NestedHost;
    Widget* widgetAt(int x, int y) const;
    bool routeMouse(const platform::Event& event);
    void setPlatform(platform::Platform* platform);

    std::string title_;
    Rect rect_;
    std::vector<std::unique_ptr<Widget>> widgets_;
    Widget* focus_ = nullptr;
    Widget* capture_ = nullptr;  // receives the mouse until the button goes up
    platform::Platform* platform_ = nullptr;
    std::unique_ptr<NestedHost> nested_;
    bool closed_ = false;
    platform::Answer result_ = platform::Answer::None;
};

// True for the events a modal loop handles itself rather than the engine.
bool isDialogInput(const platform::Event& event);
// Keys that go to the window even while a dialog is open (full screen: F11, Alt+Enter).
bool isWindowKey(const platform::Event& event);

}  // namespace qvl::ui
