#pragma once
// The message-log view: one page of the log over a tiled background, filling the
// window, with buttons for the older and the newer page, EXIT, and a scroll bar for
// pages taller than the window. It runs its own wait over the scene; whatever it
// does not use (timers, media reports, the menu's shortcuts) goes back to the
// engine. The view is an opaque overlay, so the scene under it stays untouched and
// shows again as it was when the view closes.
#include "graphics/surface.h"
#include "platform/fonts.h"
#include "text/message_log.h"
#include "ui/image_button.h"
#include "ui/ui_host.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qvl {

class LogView {
public:
    static constexpr int kRowHeight = 32;
    static constexpr int kFontHeight = 24;
    static constexpr int kSmallChange = 2;
    static constexpr int kLargeChange = 24;
    static constexpr int kWheelStep = 3 * kRowHeight;
    static constexpr uint32_t kRepeatDelayMs = 400;
    static constexpr uint32_t kRepeatMs = 50;
    static constexpr int kMaxCanvasHeight = 16384;

    // fontName: the face of the log text (the font table's first slot); tile: the
    // background picture, black 320 x 128 when empty. The view's page and open
    // state are the log's viewOffset and viewActive.
    LogView(MessageLog& log, platform::FontEngine& fonts, std::string fontName, const Surface& tile);
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    // Shows the newest page and waits until the view is left: EXIT, a right click,
    // Esc, the wheel turned down past the end of the newest page, or a scripted
    // answer. Returns at once when the log is empty.
    void run(ui::UiHost& host, platform::WaitHint hint);
    // After every page drawn (the first one included).
    std::function<void()> onPageShown;
    // Backspace (or Enter) on a page: true when the story can go back to that
    // page, which closes the view; false, and a beep, when it cannot.
    std::function<bool()> onGoBack;

    // The older (TkBtn1) and the newer (TkBtn2) page; false when there is none.
    bool older();
    bool newer();
    void close();  // TkBtn3

    // RenderLogPage: lays out the page shown into the canvas, scrolled to its top.
    void render();
    // The page number as the header shows it: 1 is the newest.
    int pageNumber() const { return log_.viewOffset + 1; }
    // The log page the view shows.
    const std::vector<std::string>& shownPage() const;
    int scroll() const { return scroll_; }
    int scrollMax() const { return scrollMax_; }
    bool scrollBarVisible() const { return scrollMax_ > 0; }
    void scrollTo(int y);
    const Surface& canvas() const { return canvas_; }

    // Routes an input event; true when the view must be drawn again.
    bool handle(const platform::Event& event);
    // The whole window as it shows the view, every pixel opaque.
    void draw(Surface& overlay);

    const ui::ImageButton& olderButton() const { return *older_; }
    const ui::ImageButton& newerButton() const { return *newer_; }
    const ui::ImageButton& exitButton() const { return *exit_; }
    static Rect scrollBarRect() { return {624, 0, 16, 481}; }

private:
    // LayoutLogPage: the canvas height; draws only into a canvas of that height.
    int layout(bool drawing);
    bool mouseDown(const platform::Event& event);
    bool wheel(int steps);
    // One step of a held scroll-bar arrow or track; false when nothing moved.
    bool repeatStep();
    Rect thumb() const;

    MessageLog& log_;
    platform::FontEngine& fonts_;
    platform::FontSpec font_;
    Surface tile_;
    Surface canvas_;  // the tiled background; the rows are drawn over it
    struct Row {
        int y = 0;
        std::string text;
    };
    std::vector<Row> rows_;
    int scroll_ = 0;
    int scrollMax_ = 0;
    std::unique_ptr<ui::ImageButton> older_, newer_, exit_;
    bool rightPressed_ = false;
    int repeatBy_ = 0;  // the scroll of a held arrow or track, 0 when none is held
    int trackTarget_ = 0;
    std::optional<uint32_t> nextRepeat_;
    int dragOffset_ = -1;  // where the thumb was grabbed, -1 when it is not
    platform::Platform* platform_ = nullptr;
};

}  // namespace qvl
