#pragma once
// The browser backend (WebAssembly). The page owns the canvas, the input and the
// sound; this side hands it frames and takes its events. Every wait sleeps in the
// browser's own event loop (the engine's waits are suspended by Asyncify) until the
// deadline or until the page queues an event, so a click wait costs nothing.
#include "platform/fonts.h"
#include "platform/platform.h"
#include "platform/sdl/timer_set.h"
#include "platform/web/web_audio.h"

#include <vector>

namespace qvl::platform {

class WebPlatform : public Platform {
public:
    WebPlatform();

    uint32_t ticks() override;
    std::optional<Event> waitEvent(std::optional<uint32_t> deadline, const WaitHint& hint) override;
    void startTimer(int id, uint32_t intervalMs) override;
    void stopTimer(int id) override;

    void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) override;
    void setCaption(std::string_view utf8) override;
    void setBorder(bool) override {}
    bool setFullScreen(bool on) override;
    void setCursor(Cursor cursor) override;
    int colourDepth() override { return 32; }
    void setTextInput(bool on, Rect where) override;
    void beep() override {}

    std::time_t now() override;
    std::tm localTime() override;

    FontEngine& fonts() override { return fonts_; }
    AudioOutput& audio() override { return audio_; }
    // One page, one engine: the browser tab is the instance.
    bool acquireInstanceLock() override { return true; }

private:
    std::optional<Event> takeQueued();

    FontEngine fonts_;
    WebAudio audio_;
    TimerSet timers_;
    // The picture as the page draws it: RGBA bytes, the overlay laid over the scene.
    std::vector<uint8_t> rgba_;
};

}  // namespace qvl::platform
