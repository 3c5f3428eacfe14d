#pragma once
// The main window: owns every subsystem object, runs start-up and the run cycle,
// routes input into the input flags, switches the display and carries out the
// exits. The interpreter runs inside it on the one UI thread; every wait pumps
// events through pump(), so input handlers run inside waits.
#include "app/audio_link.h"
#include "app/choice_link.h"
#include "app/debug_link.h"
#include "app/display_mode.h"
#include "app/engine_settings.h"
#include "app/input_flags.h"
#include "app/save_link.h"
#include "app/popup_menu_model.h"
#include "app/text_link.h"
#include "app/transcript.h"
#include "app/window_view.h"
#include "audio/playback_channels.h"
#include "base/reporter.h"
#include "choice/choices.h"
#include "debug/error_list.h"
#include "dialogs/version_dialog.h"
#include "dialogs/font_dialog.h"
#include "graphics/composition.h"
#include "graphics/surface.h"
#include "graphics/surface_bank.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/platform.h"
#include "save/save_point.h"
#include "save/saved_games.h"
#include "save/slot_dialog.h"
#include "script/control_flow.h"
#include "script/dispatcher.h"
#include "script/expression.h"
#include "script/flag_store.h"
#include "script/interpreter.h"
#include "script/interpreter_state.h"
#include "script/script_program.h"
#include "script/system_values.h"
#include "text/message_log.h"
#include "text/text_window.h"
#include "text/text_window_state.h"
#include "ui/message_box.h"
#include "ui/ui_host.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

// The most read-mark bytes a scenario may ask for.
inline constexpr int32_t kMaxReadMarkBytes = 16 << 20;

struct TFmainOptions {
    bool verbose = false;
    std::ostream* transcript = nullptr;
    // Script lines after which the run stops as at a time limit (headless runs).
    std::optional<uint64_t> maxSteps;
    // After each script line, with the script and line (0-based) that runs next:
    // the branch explorer's record of the lines a run reached.
    std::function<void(const std::string& fileName, int32_t nextLine)> lineObserver;
};

// Ends the program from inside any wait: the normal exit (0), the error
// reporter's stop (1), a version stop. Caught only by TFmain::run.
struct ProgramExit {
    int code;
};

class TFmain;

// $sys values that read the engine's own state; the rest come from the base.
class EngineSystemValues final : public BasicSystemValues {
public:
    EngineSystemValues(TFmain& main, LocalTime localTime) : BasicSystemValues(std::move(localTime)), main_(main) {}
    int32_t systemValue(int n) override;

private:
    TFmain& main_;
};

class TFmain final : public ui::UiHost, public InterpreterHost, public ScriptErrorReporter {
public:
    TFmain(platform::Platform& platform, TFmainOptions options);
    ~TFmain() override;

    // The whole life of the program; returns the exit code.
    int run();

    // Waits. Every wait of the engine comes down to these.
    void pump(std::optional<uint32_t> deadline, platform::WaitHint hint);
    void waitUntil(uint32_t deadline, platform::WaitHint hint = {});
    void waitFor(const std::function<bool()>& done, platform::WaitHint hint);
    void delayMs(int32_t ms);
    void waitSet() { WaitBase = platform_.ticks(); }
    void waitFromMark(int32_t ms);
    void waitForMouseClick();
    // One round of a command's own loop (a shake, an image sequence, a movie, an
    // effect), which a script can make as long as it likes: each round counts toward
    // the run's step limit, as a script line does, and lets the window's events run.
    void loopStep();
    // The wait closing a frame of such a loop: a counted round that lasts until the
    // deadline and never less than the shortest frame, so the clock moves even when
    // the script asked for no delay. frameDelay is delayMs's counterpart.
    void frameWait(uint32_t deadline);
    void frameDelay(int32_t ms);

    // Message boxes, with their transcript line.
    platform::Answer messageBox(const std::string& title, const std::string& body, ui::BoxIcon icon,
                                ui::BoxButtons buttons, platform::Answer autoAnswer);
    // The error reporter: a Yes ends the program with exit code 1.
    void reportScriptError(const std::string& message);
    void scriptError(const std::string& message) override;  // box, then the report

    // The normal exit: "終了しますか？", and on OK the saves and exit code 0.
    void closeRequest();
    void toggleFullScreen();
    void toggleWindowFrame();
    void setWindowCaption(const std::string& sjis);
    void present();
    // A picture file into a surface, chosen by the file's extension.
    void loadPicture(const std::string& name, Surface& target);
    // The picture for a scene load: nothing when the extension names no picture
    // format (the surface then keeps what it has).
    std::optional<Surface> readPicture(const std::string& name);

    // The scene: compose, copy to the window, lay the text over, draw sprites.
    void presentScene(bool withoutText);
    // After a scene command: nothing, a plain presentation or a transition.
    void presentAfterChange();
    void runTransition(const std::string& name);
    Darkness darkness() const { return {settings.BGDarkness, darknessSuppressed, settings.DarknessRate}; }
    SurfaceBank& bank() { return bank_; }

    // UiHost
    platform::Platform& platform() override { return platform_; }
    const Surface* currentOverlay() override { return view_.overlay(); }
    void presentOverlay(const Surface* overlay) override;
    void passEvent(const platform::Event& event) override { handleEvent(event); }

    // InterpreterHost
    void dispatch(const std::string& line) override { dispatcher_.dispatch(line); }
    void showTextLine(const std::string& line, int32_t startPosition) override;
    void showUnpagedText(const std::string& text) override;
    void clearTextWindow() override;
    bool restoreSavedGame() override;
    void returnToTitle() override;
    void setChapter(const std::string& title) override;
    void lineExecuted() override;

    // The state of the run as JSON (UTF-8), for --dump-state.
    std::string stateJson() const;
    // What the window shows: every presentation goes through it.
    WindowView& view() { return view_; }
    const Surface& windowImage() const { return view_.image(); }
    Transcript& transcript() { return transcript_; }
    const platform::FileSystem& files() const { return files_; }
    Playback& playback() { return playback_; }
    // A wave played to its end: the caller waits for it, and clicks do not cut it.
    void playWaveToEnd(const std::string& name);

    // The views and dialogs the popup menu opens. Each returns when it is closed.
    void showMessageLog();   // 前の文章を読む (app/view_link.cpp)
    void showFontDialog();   // フォント設定 (app/view_link.cpp)
    void showDebugWindow();  // the debug item (app/debug_link.cpp)
    // The debug window: its form, and whether it is open.
    DebugLink& debugWindow() { return debugLink_; }
    const DebugLink& debugWindow() const { return debugLink_; }

    // The popup menu (app/menu_handlers.cpp): opened by the right button, its items
    // also reached by their Ctrl shortcuts and by scripted picks.
    void openPopupMenu(int x, int y);
    // Runs an item if it is enabled; fromMenu: taken from the open menu.
    void runMenuItem(MenuItem item, bool fromMenu);
    MenuConditions menuConditions() const;
    void syncMenu() { menu.update(menuConditions()); }
    PopupMenuModel menu;
    bool stopMenuItemsEnabled = false;  // _stop waits for a load or the title

    // The objects the main window owns.
    EngineSettings settings;
    ScriptProgram program;
    InterpreterState state;
    FlagStore flags;
    InputFlags input;
    std::vector<uint8_t> ReadTextMarks;
    int32_t CurrentTextId = -1;
    int32_t PendingAction = kPendingNone;
    int32_t ClickFlagIndex = -1;
    bool skipReadMode = false;
    int32_t ScriptKey = 0;
    uint32_t WaitBase = 0;
    bool fullScreen = false;
    std::string windowCaption;        // as the window shows it: the chapter, or what _stop put there
    bool windowFrameRemoved = false;  // the check mark of 画面の枠の表示
    int mouseX = 0, mouseY = 0;
    ErrorList errors;  // the reports answered with No
    PlaybackChannels channels;
    SaveData saves;
    TextWindowState textWindow;
    MessageLog log;  // its logSuppressed is the _syslog switch
    FontDialogState fontDialog;  // the font dialog while it is open
    // Scenario switches: saved with a game, cleared by a return to the title.
    std::string autoRefreshMode = "0";
    bool darknessSuppressed = false;
    bool popupSuppressed = false;
    bool saveSuppressed = false;
    bool popupAutoOpen = true;          // the right button opens the menu
    bool waitMenuItemsEnabled = false;  // the menu items a click wait enables
    bool saveMenuEnabled = false;       // データ保存 during a choice
    std::optional<int> chooseRequest;   // a scripted "choose N" for the open choice
    const Choices& choices() const { return choices_; }

    ExpressionEvaluator& evaluator() { return evaluator_; }
    ControlFlow& controlFlow() { return controlFlow_; }

private:
    void createMainWindow();
    void loadSettings();
    void confineScenarioSavePath();
    void readScriptKey();
    void firstIdle();
    void startSequence();
    void loadScript(const std::string& name);
    void saveSettings();
    void normalExit();
    void failureHandler(const std::string& message);
    void registerCommands();
    void registerSceneCommands();
    void registerTextCommands();
    void registerChoiceCommands();
    void registerEffectCommands();
    void registerAudioCommands();
    void registerSaveCommands();
    void registerMovieCommands();
    void playMovie(const std::string& name, Rect where);

public:
    // Saved games: the save point at each page clear, the slot files, the load
    // between two lines, and the global flags and read marks at start and exit.
    void captureSavePoint();
    void saveSlot(int slot);
    void requestLoad(int slot);
    void saveGlobalsAndMarks();
    void loadGlobalsAndMarks();
    // The slot dialog; nothing when cancelled.
    std::optional<int> chooseSaveSlot(bool saveMode);

private:
    friend class SaveLink;
    // The save folder on disk (the current folder when none is set).
    std::filesystem::path saveFolder() const;
    void runChoice(ChoiceKind kind);
    void loadWaitIcon();

    void putPerson(bool load);
    void setPersonState();
    void clearPersons();
    void loadEffectCommand();
    void setEffectCommand();
    void smartRefresh();

public:
    // Loads the sprite sheet: a colour key, a mask file or nothing as transparency.
    void loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                         const std::string& transparency);

private:
    void shakeScreen(int32_t amplitude, int32_t count, int32_t delay);
    void playImageSequence();
    void assignFlag();
    void stopAndWait(const std::string& caption);
    void versionCheck(const std::string& version, const std::string& stop);
    void flagInputEdit();
    void flagInputAsk();
    void armClickFlag(const std::string& flag);
    int32_t argValue(int slot, int32_t emptyValue);
    // A numeric argument, or nothing when the slot is empty.
    std::optional<int32_t> argOptional(int slot);

    // A script line or a loop's round toward the step limit, and the look at the
    // window's events that a loop which never waits still gets.
    void countStep();
    void pumpWhileBusy();
    void handleEvent(const platform::Event& event);
    void onMouseDown(const platform::Event& event);
    void onMouseUp(const platform::Event& event);
    void onKey(const platform::Event& event);
    void onMenuPick(const std::string& utf8Caption);
    // The views and dialogs of the menu items (app/menu_handlers.cpp).
    void hideBackground();
    void hideText();
    void beginHiding(const char* utf8Caption);
    void waitForHidingClick();
    void endHiding();
    void showVersionDialog();
    void saveScreenshot();
    void applyVolumes();
    uint32_t autoAdvanceDelay() const;
    // The menu tree with its states, and the texts of an open dialog.
    void writeMenuState(nlohmann::ordered_json& j) const;

    platform::Platform& platform_;
    platform::FileSystem files_;
    TFmainOptions options_;
    Transcript transcript_;
    Dispatcher dispatcher_;
    Interpreter interpreter_;
    EngineSystemValues systemValues_;
    ExpressionEvaluator evaluator_;
    ControlFlow controlFlow_;
    DisplayModeChanger displayMode_;
    SurfaceBank bank_;
    WindowView view_;
    TextLink textLink_;
    TextWindow text_;
    ChoiceLink choiceLink_;
    Choices choices_;
    AudioLink audioLink_;
    Playback playback_;
    bool leftPressed_ = false;
    bool closeQueryOpen_ = false;
    uint64_t linesRun_ = 0;
    SlotDialogState slotDialog_;  // the page survives between openings
    SaveLink saveLink_{*this};
    SavedGames savedGames_{saveLink_, saves};
    uint32_t lastPump_ = 0;       // when events last ran
    // The popup menu's state beside its model.
    bool menuOpen_ = false;
    struct OpenDialogTexts {
        std::string caption;              // Shift-JIS
        std::vector<std::string> lines;   // Shift-JIS
    };
    std::optional<OpenDialogTexts> openDialog_;  // for the state dump
    TFver versionDialog_;
    bool hidingView_ = false;
    bool hidingTimer_ = false, hidingPopup_ = false;
    Surface screenBackup_{8, 8};
    std::optional<uint32_t> autoAdvanceDeadline_;
    bool created_ = false;
    DebugLink debugLink_{*this};  // last: it reads the objects above
};

}  // namespace qvl
