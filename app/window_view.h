#pragma once
// What the window shows, decided in one place: the window image (the scene with
// its text and the wait icon) and the overlay of whatever is open over it (a
// message box, dialog, menu or view). Every presentation goes through here, so a
// timer, an exposure or a full-screen switch can never paint the scene over an
// open box.
//
// A window larger than the scene may draw the text layer at its own scale. That
// is done only while the image shows the layer exactly as laid over the scene;
// anything that moves, mixes or covers the text (a shake, a transition's frames,
// a scroll) makes the window show the image itself for that moment.
#include "graphics/surface.h"
#include "platform/platform.h"
#include "platform/sharp_text.h"
#include "ui/overlay_marks.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace qvl {

class TextLayer;

// The parts the sharp text is checked against: the text layer with its mask, the
// scene under it, whether text is shown, and a square the text never shows in
// (the wait icon's, while it runs).
struct SharpTextSource {
    TextLayer* layer = nullptr;
    const Surface* text = nullptr;
    const Surface* mask = nullptr;
    const Surface* scene = nullptr;
    const bool* visible = nullptr;
    std::function<std::optional<Rect>()> hole;
};

class WindowView {
public:
    explicit WindowView(platform::Platform& platform);

    Surface& image() { return image_; }
    const Surface& image() const { return image_; }
    const Surface* overlay() const { return overlay_; }

    // The overlay of what is open now, or null when nothing is; shown at once.
    // The caller keeps the surface alive until it hands over another.
    void setOverlay(const Surface* overlay);
    // Shows the image and the overlay; changed: the only part that differs from
    // what the window showed last (nothing: everything may have changed).
    void show(std::optional<Rect> changed = std::nullopt);
    // The corner mark while skipping or auto-advancing (Shift-JIS, empty: none), and
    // a notice that goes by itself after a moment; both over the overlay, never in
    // the image.
    void setMark(const std::string& sjis);
    void showNotice(const std::string& sjis);
    // When the notice shown goes, for the waits to wake then; nothing: none shown.
    std::optional<uint32_t> noticeEnds() const { return noticeEnds_; }
    // Takes the notice away once its time has come.
    void expireNotice();
    // Called once, after the first presentation (start-up measurements).
    void onFirstShow(std::function<void()> callback) { firstShow_ = std::move(callback); }

    void setSharpTextSource(SharpTextSource source) { sharpSource_ = std::move(source); }
    // Whether the last presentation drew the text at the window's scale.
    bool showsSharpText() const { return sharpShown_; }
    // Whether it drew text of the overlay (menus, boxes, dialogs) at that scale.
    bool showsSharpOverlayText() const { return overlaySharpShown_; }

private:
    // The image with the layer's text taken out, in r; false when the image does
    // not show the layer as laid there.
    bool takeTextOut(Rect r, std::optional<Rect> hole);

    platform::Platform& platform_;
    Surface image_;
    const Surface* overlay_ = nullptr;
    std::function<void()> firstShow_;
    SharpTextSource sharpSource_;
    Surface withoutText_;
    bool sharpShown_ = false;
    uint64_t checkedGeneration_ = 0;  // the steps as last checked in full
    std::size_t checkedSteps_ = 0;
    Surface overlayWithoutText_;
    platform::SharpText overlayText_;
    bool overlaySharpShown_ = false;
    ui::OverlayMarks marks_;
    std::optional<uint32_t> noticeEnds_;
};

}  // namespace qvl
