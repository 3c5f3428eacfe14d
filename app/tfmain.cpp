#include "app/tfmain.h"

#include "app/data_drive.h"
#include "app/data_folders.h"
#include "app/texts.h"
#include "base/fault.h"
#include "base/numbers.h"
#include "platform/encoding.h"
#include "platform/fonts.h"
#include "platform/system.h"
#include "script/script_key.h"
#include "script/script_loader.h"
#include "ui/file_chooser.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace qvl {

using platform::Answer;

TFmain::TFmain(platform::Platform& platform, TFmainOptions options)
    : platform_(platform),
      options(std::move(options)),
      transcript(this->options.transcript),
      systemValues(*this, [&platform] { return platform.localTime(); }),
      controlFlow(program, state, evaluator, boxes,
                  ControlFlow::Hooks{[this](const std::string& name) { loadScript(name); },
                                     [this](const std::string& line) { dispatcher.dispatch(line); }}),
      bank_(boxes, SceneTexts::fromUtf8([](std::string_view u) { return platform::utf8ToSjis(u); })),
      text(textLink, TextLink::values(*this), textWindow),
      choices_(choiceLink, ChoiceLink::input(*this)),
      playback(platform.audio(), audioLink, channels, settings.EnableMusic, settings.EnableSound,
               settings.dataDriveRoot) {
    // A window larger than the scene draws the text layer at its own scale, checked
    // against the layer, its mask and the scene under it at each presentation.
    view_.setSharpTextSource({&text.layer(), &bank_[SurfaceId::Text], &bank_[SurfaceId::TextMask],
                              &bank_[SurfaceId::VirtualVram], &textWindow.textVisible, [this] {
                                  const WaitIcon& icon = text.waitIcon();
                                  return icon.running() ? std::optional<Rect>(icon.rect()) : std::nullopt;
                              }});
    if (this->options.verbose) {
        files.setTrace([](std::string_view name, const std::filesystem::path& path) {
            std::cerr << "file: " << platform::sjisToUtf8(name) << " -> " << path.string() << "\n";
        });
    }
}

TFmain::~TFmain() {
    playback.shutDown();
    shell.restoreDisplayMode();
}

int TFmain::run() {
    try {
        if (!platform_.acquireInstanceLock()) {
            boxes.messageBox(qvl::text(Text::AppTitle), qvl::text(Text::AlreadyRunning), ui::BoxIcon::None,
                             ui::BoxButtons::Ok, Answer::Ok);
            throw ProgramExit{0};
        }
        try {
            createMainWindow();
        } catch (const platform::RunStopped&) {
            throw;
        } catch (const std::exception& e) {
            // Without its settings the engine cannot run a scenario; nothing is written.
            boxes.scriptError(e.what());
            throw ProgramExit{1};
        }
        firstIdle();
        // The script has ended: the window keeps its picture until it is closed.
        for (;;) cycle.pump(std::nullopt, {platform::WaitKind::Idle, Answer::None});
    } catch (const ProgramExit& exit) {
        transcript.writeUtf8("exit: " + std::to_string(exit.code));
        return exit.code;
    } catch (const platform::RunStopped& stop) {
        transcript.writeUtf8(stop.reason == platform::RunStopped::Reason::TimeLimit ? "timeout" : "idle");
        return 0;
    }
}

void TFmain::createMainWindow() {
    cycle.input = InputFlags{};
    cycle.mouseX = cycle.mouseY = 0;
    platform_.setCursor(platform::Cursor::Pen);
    view_.image().fill(0);
    std::srand(unsigned(platform_.now()));
    bank_.resetSurfaces();
    // The scene starts black like the window, so text shows before any background.
    bank_[SurfaceId::VirtualVram].fill(0);
    readScriptKey();
    settings.GlobalFlagSave = true;
    flags.clearFlags(2, "0");
    loadSettings();
    // The window is placed before it is first shown.
    platform_.setScaling(settings.ScaleFilter, settings.SharpText);
    if (settings.window) platform_.placeWindow(*settings.window);
    playback.startUp(settings.MP3Timing);
    shell.applyVolumes();
    if (!settings.DataDriveLabel.empty()) {
        auto volumes = platform::listVolumes();
        if (volumes) {
            // Labels and mount points come from the host in UTF-8; the engine compares
            // and splices Shift-JIS.
            for (auto& v : *volumes) {
                v.label = platform::utf8ToSjis(v.label);
                v.root = platform::utf8ToSjis(v.root);
            }
            settings.dataDriveRoot = findDataDrive(*volumes, settings.DataDriveLabel, settings.EnableAllDrive);
        }
        if (settings.dataDriveRoot.empty() && options.verbose)
            std::cerr << "quorvel: no drive labelled " << platform::sjisToUtf8(settings.DataDriveLabel) << "\n";
    }
    if (!settings.dataDriveRoot.empty()) files.setDriveRoot(platform::FileSystem::fromSjis(settings.dataDriveRoot));
    confineScenarioSavePath();
    if (!settings.BackGround.empty()) scene.loadBackground(settings.BackGround);
    loadWaitIcon();
    textWindow.setDefaults(settings.FontTable);
    cycle.windowCreated = true;
    if (settings.window && settings.window->fullScreen && platform_.windowPlacement()) shell.toggleFullScreen();
    // The first presentation shows the start background without darkening.
    const bool dark = settings.BGDarkness;
    settings.BGDarkness = false;
    text.resetTextWindow();
    settings.BGDarkness = dark;
}

void TFmain::loadWaitIcon() {
    if (settings.Icon.empty()) return;
    if (auto picture = pictures.read(settings.Icon); picture && !picture->empty())
        text.setIconSheet(std::move(*picture));
}

void TFmain::readScriptKey() {
    ScriptKey = kDefaultScriptKey;
    if (auto bytes = files.read("decode.key")) ScriptKey = scriptKeyFromValue(scanInt(*bytes).value_or(0));
}

void TFmain::loadSettings() {
    std::optional<std::string> cfgBytes;
    if (auto path = files.resolve("qvl.cfg")) cfgBytes = readConfigFile(*path, "qvl.cfg");
    if (!cfgBytes && !files.exists("autorun.txt") && !files.exists("autorun.txd")) {
        // Not a scenario at all (a wrong folder opened from a file manager): say so
        // plainly rather than as a script error.
        boxes.warn(platform::utf8ToSjis("このフォルダにはシナリオがありません（qvl.cfg も autorun.txt もありません）。\n" +
                                        platform::FileSystem::currentPath().string()));
        throw ProgramExit{1};
    }
    if (!cfgBytes) throw Fault(platform::utf8ToSjis("qvl.cfg を開けません"));
    ConfigList cfg = ConfigList::fromBytes(*cfgBytes);
    settings.ProgramID = cfg.value("ProgramID");
    if (!settings.ProgramID.empty()) {
        std::string dir = platform::lookupInstallPath(platform::sjisToUtf8(settings.ProgramID));
        settings.InstallPath = platform::utf8ToSjis(dir);
        if (!dir.empty()) platform::FileSystem::setCurrentPath(dir);
    }
    settings.startDirectory = platform::FileSystem::currentPath();
    const PlayerFolderInputs where =
        environmentForPlayerFolder(settings.startDirectory, platform::sjisToUtf8(settings.ProgramID));
    const PlayerFolder player = choosePlayerFolder(where);
    settings.playerFolder = player.folder;
    settings.dataFolder = perUserFolder(where).value_or(std::filesystem::path());
    std::optional<std::string> iniBytes;
    if (player.relocated) {
        std::error_code ec;
        std::filesystem::create_directories(player.folder, ec);
        const std::string note = "the scenario folder cannot be written; qvl.ini and saves go to " + player.folder.string();
        transcript.writeUtf8("notice: " + note);
        std::cerr << "quorvel: " << note << "\n";
    }
    // A qvl.ini in the player's data folder was written by us or the player; one in
    // the scenario folder may have come with the scenario. The player's comes first.
    bool playersIni = false;
    if (!settings.dataFolder.empty())
        if (auto path = files.resolve(platform::FileSystem::toSjis(settings.dataFolder / "qvl.ini")))
            if ((iniBytes = readConfigFile(*path, "qvl.ini"))) {
                playersIni = true;
                settings.playerFolder = settings.dataFolder;
            }
    // A read-only scenario may ship a qvl.ini: it gives the options until the player's own exists.
    if (!iniBytes)
        if (auto path = files.resolve("qvl.ini")) iniBytes = readConfigFile(*path, "qvl.ini");
    std::optional<ConfigList> ini;
    if (iniBytes) ini = ConfigList::fromBytes(*iniBytes);
    applySettings(settings, cfg, ini ? &*ini : nullptr);
    if (playersIni) settings.savePathSource.clear();
    if (player.relocated)
        settings.SavePath = relocatedSavePath(settings.SavePath, platform::FileSystem::toSjis(player.folder));
    if (settings.TextMaxIndex) {
        if (*settings.TextMaxIndex > kMaxReadMarkBytes) {
            // 16 MiB already marks 134 million lines; more would only cost memory
            // and a huge textid.dat.
            const std::string note = "TextMaxIndex=" + std::to_string(*settings.TextMaxIndex) +
                                     " is too large; read marks are kept for the first " +
                                     std::to_string(kMaxReadMarkBytes) + " bytes";
            transcript.writeUtf8("warning: " + note);
            std::cerr << "quorvel: " << note << "\n";
            settings.TextMaxIndex = kMaxReadMarkBytes;
        }
        ReadTextMarks.assign(std::size_t(*settings.TextMaxIndex), 0);
    }
    if (settings.SavePath.empty()) {
        ui::FileChooserOptions ask;
        ask.title = qvl::text(Text::SaveLocationTitle);
        ask.initialName = qvl::text(Text::SaveLocationName);
        ask.filter = platform::utf8ToSjis("全てのファイル(*.*)|*.*");
        ask.mustExist = false;
        auto chosen = ui::chooseFile(cycle, ask);
        transcript.write("box", ask.title + " | " + ask.initialName + " -> " +
                                     (chosen ? platform::FileSystem::toSjis(*chosen) : std::string("cancel")));
        if (chosen) {
            settings.SavePath = platform::FileSystem::toSjis(chosen->parent_path()) + "/";
            settings.savePathSource.clear();
            // The player's choice stands; kept in the player's data folder when it lies
            // outside the scenario's places, so the next start trusts it too.
            if (!settings.dataFolder.empty() &&
                !liesInside({chosen->parent_path()}, {settings.startDirectory, settings.dataFolder})) {
                std::error_code ec;
                std::filesystem::create_directories(settings.dataFolder, ec);
                settings.playerFolder = settings.dataFolder;
            }
        }
        // The chooser walks the current directory; later relative names must not follow it.
        platform::FileSystem::setCurrentPath(settings.startDirectory);
    }
}

void TFmain::confineScenarioSavePath() {
    if (settings.savePathSource.empty()) return;
    // Checked once the data drive is known: a drive prefix in SavePath leads there.
    const SavePathPlaces at{platform::FileSystem::currentPath(), platform::FileSystem::fromSjis(settings.dataDriveRoot),
                            settings.startDirectory, settings.dataFolder};
    auto refused = refusedScenarioSavePath(settings.SavePath, settings.savePathSource, at,
                                           [this](const std::string& name) { return files.resolve(name); });
    settings.savePathSource.clear();
    if (!refused) return;
    transcript.writeUtf8("notice: " + refused->notice);
    std::cerr << "quorvel: " << refused->notice << "\n";
    boxes.warn(refused->message);
    settings.SavePath = platform::FileSystem::toSjis(refused->folder) + "/";
}

void TFmain::firstIdle() {
    if (platform_.colourDepth() < 15)
        boxes.warn(qvl::text(Text::LowColour));
    auto& fonts = platform_.fonts();
    for (int i = 0; i < kFontSlots; ++i) {
        std::string found = resolveFontCandidates(settings.DefaultFont[std::size_t(i)],
                                                  [&](const std::string& name) { return fonts.isInstalled(name); });
        if (!found.empty()) settings.FontTable[std::size_t(i)] = found;
    }
    textWindow.fontName = settings.FontTable[std::size_t(std::clamp(textWindow.fontIndex, 0, kFontSlots - 1))];
    textWindow.rubyFontName = settings.FontTable[3];
    // The debug window's flag list is filled before the start script runs.
    if (settings.DebugMode) debugLink.startUp();
    if (options.selfVoicing) settings.SelfVoicing = true;
    voicing.start();
    try {
        startSequence();
        saveLink.loadGlobalsAndMarks();
        interpreter.run();
    } catch (const platform::RunStopped&) {
        throw;
    } catch (const std::exception& e) {
        boxes.scriptError(e.what());
    }
}

void TFmain::loadScript(const std::string& name) {
    program.Lines = findAndReadScript(name, files, settings.dataDriveRoot, ScriptKey);
    program.buildLabels(boxes);
    state.resetPosition();
    if (settings.DebugMode || options.reloadScripts) reloader.watch(name);
}

void TFmain::startSequence() {
    std::string name = "autorun.txt";
    if (!files.exists("autorun.txt") && !files.exists("autorun.txd")) {
        ui::FileChooserOptions ask;
        ask.title = qvl::text(Text::OpenScriptTitle);
        ask.initialName = "autorun.txt";
        ask.defaultExt = "txt";
        ask.filter = qvl::text(Text::OpenScriptFilter);
        ask.mustExist = true;
        auto chosen = ui::chooseFile(cycle, ask);
        transcript.write("box", ask.title + " | " + ask.initialName + " -> " +
                                    (chosen ? platform::FileSystem::toSjis(*chosen) : std::string("cancel")));
        if (chosen) {
            name = platform::FileSystem::toSjis(chosen->filename());
            if (platform::FileSystem::currentPath() != settings.startDirectory) {
                Answer a = boxes.messageBox(qvl::text(Text::ChangeDirTitle), qvl::text(Text::ChangeDirBody),
                                            ui::BoxIcon::Question, ui::BoxButtons::YesNo, Answer::Yes);
                if (a != Answer::Yes) platform::FileSystem::setCurrentPath(settings.startDirectory);
                name = platform::FileSystem::toSjis(*chosen);
            }
        }
    }
    state.ProgFileName = name;
    state.ProgIfResult = 0;
    loadScript(name);
    interpreterLink.setChapter(qvl::text(Text::AppTitle));
    flags.clearFlags(0, "0");
}

void TFmain::saveSettings() {
    if (auto placement = platform_.windowPlacement()) {
        settings.window = *placement;
        settings.window->fullScreen = shell.fullScreen;
    }
    const std::filesystem::path file =
        (settings.playerFolder.empty() ? settings.startDirectory : settings.playerFolder) / "qvl.ini";
    if (!files.writeAtomically(platform::FileSystem::toSjis(file), settingsFileBytes(settings))) {
        std::cerr << "quorvel: cannot write " << file.string() << "\n";
        boxes.warn(settingsNotSavedText(file));
    }
}

void TFmain::returnToTitle() {
    playback.stopAllOpen();
    saveLink.forgetHistory();  // the pages before the title are not gone back to
    bank_.resetSurfaces();
    bank_[SurfaceId::Text].fill(0x000000);
    bank_[SurfaceId::TextMask].fill(0xFFFFFF);
    textWindow.setDefaults(settings.FontTable);
    if (!settings.BackGround.empty()) scene.loadBackground(settings.BackGround);
    scene.darknessSuppressed = shell.popupSuppressed = shell.saveSuppressed = log.logSuppressed = false;
    scene.autoRefreshMode.clear();
    cycle.ClickFlagIndex = -1;
    log.clearLog();
    // The title screen is drawn without darkening, as at start-up.
    const bool dark = settings.BGDarkness;
    settings.BGDarkness = false;
    text.resetTextWindow();
    settings.BGDarkness = dark;
    transcript.writeUtf8("title: return");
    startSequence();
    state.ProgNextLine = 0;
}

void TFmain::closeRequest() {
    if (closeQueryOpen_) return;
    closeQueryOpen_ = true;
    Answer a = boxes.messageBox(qvl::text(Text::ExitTitle), qvl::text(Text::ExitQuestion), ui::BoxIcon::Question,
                                ui::BoxButtons::OkCancel, Answer::Ok);
    closeQueryOpen_ = false;
    if (a == Answer::Ok) normalExit();
    cycle.input.clearClicks();
}

void TFmain::normalExit() {
    saveSettings();
    saveLink.saveGlobalsAndMarks();
    throw ProgramExit{0};
}

}  // namespace qvl
