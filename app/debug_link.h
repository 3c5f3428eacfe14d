#pragma once
// The debug window on the engine's side: its window on the desktop, the live
// state it shows and edits, and the flag observer that keeps its list current.
#include "debug/tfdebug.h"
#include "platform/platform.h"
#include "script/flag_store.h"

#include <memory>
#include <string>

namespace qvl {

class TFmain;

class DebugLink final : public DebugHost, public FlagObserver {
public:
    explicit DebugLink(TFmain& main);
    ~DebugLink() override;

    TFdebug& form() { return form_; }
    const TFdebug& form() const { return form_; }
    bool open() const { return window_ && window_->shown(); }
    // Shown at least once: form().frame() then holds the last picture it showed.
    bool everOpened() const { return window_ != nullptr; }

    // Start-up in debug mode, before the start script: the flag list gets its
    // lines and follows every flag change from then on.
    void startUp();
    // Shows the window without waiting for it; only in debug mode.
    void show();
    // Every reported error, whatever the mode.
    void addError(const std::string& detail);
    // Input of the debug window, and the scripted actions of headless runs.
    void handle(const platform::Event& event);
    // Draws and shows the window when something in it changed.
    void flush();

    // DebugHost
    std::string flagText(int index) override;
    void setFlagText(int index, const std::string& text) override;
    DebugStatus status() override;
    DebugSurface surface(int n) override;
    void hideWindow() override;
    void endProgram() override;
    void setTextInput(bool on) override;

    // FlagObserver
    void flagChanged(int index, const std::string& text) override;

private:
    void scripted(const std::string& action);

    TFmain& main_;
    TFdebug form_;
    std::unique_ptr<platform::SecondaryWindow> window_;
    bool dirty_ = true;
};

}  // namespace qvl
