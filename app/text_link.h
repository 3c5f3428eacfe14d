#pragma once
// The engine's side of the text window: its surfaces, waits, log, pictures and
// sounds, as TextHost asks for them. Kept apart from TFmain so the main window
// does not take on the text window's interface.
#include "text/text_host.h"

namespace qvl {

class TFmain;

class TextLink final : public TextHost {
public:
    // The platform timer that animates the wait icon.
    static constexpr int kIconTimer = 1;

    explicit TextLink(TFmain& main) : main_(main) {}

    Surface& textSurface() override;
    Surface& textMask() override;
    const Surface& compositionSurface() override;
    Surface& windowImage() override;
    void showWindow(std::optional<Rect> changed) override;
    void presentScene(bool withoutText) override;
    void markSceneChanged() override;

    uint32_t ticks() override;
    void pump(std::optional<uint32_t> deadline, platform::WaitHint hint) override;
    void delayMs(int32_t ms) override;
    void startIconTimer() override;
    void stopIconTimer() override;

    platform::FontEngine& fonts() override;
    void appendToLog(std::string_view character, bool symbolFont) override;
    void nextLogPage() override;
    void takeSaveSnapshot() override;
    void setWaitMenuItems(bool enabled) override;

    int32_t evaluate(std::string_view expression) override;
    std::string textFlag(std::string_view reference) override;
    std::optional<Surface> loadPicture(const std::string& name) override;
    void playWave(const std::string& name, bool waitUntilDone) override;
    ScriptErrorReporter& reporter() override;
    void textShown(std::string_view sjisText) override;
    void textToRead(std::string_view sjisText) override;

    static TextEngineValues values(TFmain& main);

private:
    TFmain& main_;
};

}  // namespace qvl
