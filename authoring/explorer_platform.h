#pragma once
// The headless backend with one difference: each choice is taken from a given
// path of item numbers (then, past its end, the first item that can be taken),
// and every choice met is recorded with its items.
#include "choice/choices.h"
#include "platform/headless/headless_platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvl::authoring {

struct ChoiceMet {
    std::vector<std::string> labels;  // UTF-8, as collected from the block
    std::vector<bool> selectable;
    int taken = -1;
    // What decides where the script goes from this choice: the same key at two
    // choices means the same paths lie ahead of both.
    std::string stateKey;
};

class ExplorerPlatform final : public platform::Platform {
public:
    ExplorerPlatform(std::vector<int> path, int maxChoices);

    // The choices of the engine that runs on this platform, read at each choice,
    // and the key of the engine's state there.
    void watch(const Choices* choices, std::function<std::string()> stateKey) {
        choices_ = choices;
        stateKey_ = std::move(stateKey);
    }
    const std::vector<ChoiceMet>& choicesMet() const { return met_; }
    bool choiceLimitReached() const { return limitReached_; }
    // The run came back to a choice in the same state and would take the same item
    // again: it can only go round for ever.
    bool loopFound() const { return loopFound_; }
    // The state of the choice the loop came back to.
    const std::string& loopKey() const { return loopKey_; }

    uint32_t ticks() override { return inner_.ticks(); }
    std::optional<platform::Event> waitEvent(std::optional<uint32_t> deadline,
                                             const platform::WaitHint& hint) override;
    void startTimer(int id, uint32_t intervalMs) override { inner_.startTimer(id, intervalMs); }
    void stopTimer(int id) override { inner_.stopTimer(id); }
    void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) override {
        inner_.present(frame, overlay, changed);
    }
    void setCaption(std::string_view utf8) override { inner_.setCaption(utf8); }
    void setBorder(bool on) override { inner_.setBorder(on); }
    bool setFullScreen(bool on) override { return inner_.setFullScreen(on); }
    void setCursor(platform::Cursor cursor) override { inner_.setCursor(cursor); }
    int colourDepth() override { return inner_.colourDepth(); }
    void setTextInput(bool on, Rect where) override { inner_.setTextInput(on, where); }
    void beep() override {}
    platform::FontEngine& fonts() override { return inner_.fonts(); }
    platform::AudioOutput& audio() override { return inner_.audio(); }
    std::time_t now() override { return inner_.now(); }
    std::tm localTime() override { return inner_.localTime(); }
    bool acquireInstanceLock() override { return true; }

private:
    platform::HeadlessPlatform inner_;
    std::vector<int> path_;
    int maxChoices_;
    const Choices* choices_ = nullptr;
    std::function<std::string()> stateKey_;
    bool loopFound_ = false;
    std::string loopKey_;
    std::vector<ChoiceMet> met_;
    bool limitReached_ = false;
};

}  // namespace qvl::authoring
