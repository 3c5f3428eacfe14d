#pragma once
// A second window of a headless run: nothing on a screen, but it keeps what it was
// last given to show, so a run can write it out at the end.
#include "platform/platform.h"

#include <string>
#include <string_view>

namespace qvl::platform {

class HeadlessWindow final : public SecondaryWindow {
public:
    HeadlessWindow(int id, std::string_view utf8Caption, int width, int height)
        : id_(id), caption_(utf8Caption), lastFrame_(width, height) {}

    int id() const override { return id_; }
    void present(const Surface& frame) override;
    void show() override { shown_ = true; }
    void hide() override { shown_ = false; }
    bool shown() const override { return shown_; }
    void setTextInput(bool on) override { textInput_ = on; }

    const std::string& caption() const { return caption_; }
    const Surface& lastFrame() const { return lastFrame_; }
    int presentCount() const { return presentCount_; }
    bool textInput() const { return textInput_; }

private:
    int id_;
    std::string caption_;
    Surface lastFrame_;
    int presentCount_ = 0;
    bool shown_ = false;
    bool textInput_ = false;
};

}  // namespace qvl::platform
