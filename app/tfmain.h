#pragma once
// The main window as the composition root: it owns every subsystem object and the
// engine's own parts, connects them through their host interfaces, and runs
// start-up and the exits. The run itself happens inside: the interpreter runs on
// the one UI thread, and every wait pumps events through the run cycle.
#include "app/audio_link.h"
#include "app/choice_link.h"
#include "app/command_tables.h"
#include "app/debug_link.h"
#include "app/engine_settings.h"
#include "app/engine_system_values.h"
#include "app/interpreter_link.h"
#include "app/message_boxes.h"
#include "app/picture_loader.h"
#include "app/run_cycle.h"
#include "app/save_link.h"
#include "app/scene.h"
#include "app/script_reloader.h"
#include "app/self_voicing.h"
#include "app/shell.h"
#include "app/state_json.h"
#include "app/text_link.h"
#include "app/tfmain_options.h"
#include "app/transcript.h"
#include "app/window_view.h"
#include "audio/playback.h"
#include "audio/playback_channels.h"
#include "choice/choices.h"
#include "debug/error_list.h"
#include "graphics/surface_bank.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "save/save_point.h"
#include "script/control_flow.h"
#include "script/dispatcher.h"
#include "script/expression.h"
#include "script/flag_store.h"
#include "script/interpreter.h"
#include "script/interpreter_state.h"
#include "script/script_program.h"
#include "text/message_log.h"
#include "text/text_window.h"
#include "text/text_window_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvl {

// The most read-mark bytes a scenario may ask for.
inline constexpr int32_t kMaxReadMarkBytes = 16 << 20;

class TFmain final {
public:
    TFmain(platform::Platform& platform, TFmainOptions options);
    ~TFmain();

    // The whole life of the program; returns the exit code.
    int run();
    // The normal exit: "終了しますか？", and on OK the saves and exit code 0.
    void closeRequest();
    // Back to the start script, the scene and switches as at start-up.
    void returnToTitle();
    void loadScript(const std::string& name);
    // The state of the run as JSON (UTF-8), for --dump-state.
    std::string stateJson() const { return qvl::stateJson(*this); }

    platform::Platform& platform() { return platform_; }
    SurfaceBank& bank() { return bank_; }
    Choices& choices() { return choices_; }
    const Choices& choices() const { return choices_; }
    WindowView& view() { return view_; }
    const Surface& windowImage() const { return view_.image(); }
    DebugLink& debugWindow() { return debugLink; }
    const DebugLink& debugWindow() const { return debugLink; }

private:
    platform::Platform& platform_;

public:
    // Declared in the order they are built: each part only keeps references to the
    // ones above it.
    const TFmainOptions options;
    platform::FileSystem files;
    Transcript transcript;
    EngineSettings settings;
    ScriptProgram program;
    InterpreterState state;
    FlagStore flags;
    std::vector<uint8_t> ReadTextMarks;
    int32_t CurrentTextId = -1;
    int32_t ScriptKey = 0;
    ErrorList errors;  // the reports answered with No
    PlaybackChannels channels;
    SaveData saves;
    TextWindowState textWindow;
    MessageLog log;  // its logSuppressed is the _syslog switch

    RunCycle cycle{*this};
    MessageBoxes boxes{*this};
    PictureLoader pictures{*this};
    Shell shell{*this};
    SelfVoicing voicing{*this};
    InterpreterLink interpreterLink{*this};
    Dispatcher dispatcher{state, boxes};
    Interpreter interpreter{program, state, CurrentTextId, cycle.PendingAction, interpreterLink};
    EngineSystemValues systemValues;
    ExpressionEvaluator evaluator{flags, systemValues, boxes};
    ControlFlow controlFlow;

private:
    SurfaceBank bank_;
    WindowView view_{platform_};

public:
    Scene scene{*this};
    TextLink textLink{*this};
    TextWindow text;
    ChoiceLink choiceLink{*this};

private:
    Choices choices_;

public:
    AudioLink audioLink{*this};
    Playback playback;
    SaveLink saveLink{*this};
    DebugLink debugLink{*this};  // after what it shows: it reads the objects above
    ScriptReloader reloader{*this};

private:
    friend std::string stateJson(const TFmain& main);  // reads the private parts too
    void createMainWindow();
    void readScriptKey();
    void loadSettings();
    void confineScenarioSavePath();
    void firstIdle();
    void startSequence();
    void loadWaitIcon();
    void saveSettings();
    void normalExit();

    CommandTables commands_{*this};
    bool closeQueryOpen_ = false;
};

}  // namespace qvl
