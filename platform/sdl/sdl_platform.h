#pragma once
// The real backend: one SDL window showing the 640x480 scene scaled in proportion,
// SDL input, and timers woken by the event wait itself.
#include "platform/fonts.h"
#include "platform/platform.h"
#include "platform/system.h"

#include <memory>
#include <string>

namespace qvl::platform {

struct SdlOptions {
    int scale = 0;  // initial window size in multiples of 640x480; 0: what fits the desktop
    // For desktop tests: Ctrl+Alt+Shift+F12 writes what the window shows to
    // readBackDir/readback-N.png (N counting from 1) instead of reaching the engine.
    std::string readBackDir;
};

class SdlPlatform : public Platform {
public:
    // Throws std::runtime_error with SDL's reason when no window can be made.
    explicit SdlPlatform(const SdlOptions& options = {});
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    uint32_t ticks() override;
    std::optional<Event> waitEvent(std::optional<uint32_t> deadline, const WaitHint& hint) override;
    std::optional<Event> pollEvent() override;
    void startTimer(int id, uint32_t intervalMs) override;
    void stopTimer(int id) override;

    void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) override;
    void setCaption(std::string_view utf8) override;
    void setBorder(bool on) override;
    bool setFullScreen(bool on) override;
    void setCursor(Cursor cursor) override;
    int colourDepth() override;
    void setTextInput(bool on, Rect where) override;
    void beep() override;

    void setScaling(ScaleFilter filter, bool sharpText) override;
    bool drawsSharpText() override;
    void setSharpText(const SharpText* text) override;
    void setSharpOverlayText(const SharpText* text) override;
    std::optional<WindowPlacement> windowPlacement() override;
    void placeWindow(const WindowPlacement& placement) override;

    FontEngine& fonts() override { return fonts_; }
    AudioOutput& audio() override;
    bool acquireInstanceLock() override;
    std::unique_ptr<SecondaryWindow> openWindow(std::string_view utf8Caption, int width, int height) override;
    // speech-dispatcher, connected the first time self-voicing asks for it.
    Speech* speech() override;

    // What the window shows now, at the window's size.
    Surface readBack();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    FontEngine fonts_;
    std::unique_ptr<InstanceLock> lock_;
};

}  // namespace qvl::platform
