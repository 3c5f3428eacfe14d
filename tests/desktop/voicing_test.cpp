// Self-voicing with the real speech service, and every dialog with the keyboard
// alone, in the real window on a virtual display.
#include "tests/desktop/desktop.h"

namespace {

using namespace qvl_desktop;

// A speech-dispatcher of the test's own, on a private socket, whose only module
// writes each utterance it is given as a line of a file instead of sounding it.
class SpeechService {
public:
    SpeechService() {
        if (!fs::exists("/usr/bin/speech-dispatcher") || !fs::exists("/usr/lib/speech-dispatcher-modules/sd_generic")) {
            reason_ = "speech-dispatcher is not installed (scripts/setup.sh installs it)";
            return;
        }
        dir_ = fs::temp_directory_path() / ("qvl-speechd-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "conf" / "modules");
        fs::create_directories(dir_ / "log");
        socket_ = dir_ / "sock";
        said_ = dir_ / "said.txt";
        writeAll(
            dir_ / "conf" / "speechd.conf",
            "CommunicationMethod \"unix_socket\"\nSocketPath \"" + socket_.string() +
                "\"\nLogLevel 3\n"
                // The module never plays sound, but the daemon wants an audio output it
                // can open: libao's falls back to its null device on a machine without one.
                "AudioOutputMethod \"libao\"\n"
                "AddModule \"probe\" \"sd_generic\" \"probe.conf\"\nDefaultModule probe\nDefaultLanguage \"ja\"\n");
        writeAll(dir_ / "conf" / "modules" / "probe.conf",
                 "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " + said_.string() +
                     "\"\n"
                     "GenericLanguage \"ja\" \"ja\" \"utf-8\"\nAddVoice \"ja\" \"MALE1\" \"ja\"\n");
        pid_ = spawn({"speech-dispatcher", "-s", "-t", "0", "-C", (dir_ / "conf").string(), "-S", socket_.string(),
                      "-L", (dir_ / "log").string()});
        const auto end = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < end && !fs::exists(socket_)) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!fs::exists(socket_)) reason_ = "speech-dispatcher did not start";
    }
    ~SpeechService() {
        stop(pid_);
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    bool up() const { return reason_.empty(); }
    const std::string& reason() const { return reason_; }
    std::string address() const { return "SPEECHD_ADDRESS=unix_socket:" + socket_.string(); }
    std::string said() const { return fs::exists(said_) ? readAll(said_) : std::string(); }
    // Waits until the service has been given `text`.
    bool waitForSaid(const std::string& text) const {
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < end) {
            if (said().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    fs::path dir_, socket_, said_;
    std::string reason_;
};

class DesktopVoicing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display_.up()) GTEST_SKIP() << "no virtual display: " << display_.reason();
    }
    VirtualDisplay display_;
};

TEST_F(DesktopVoicing, TheLinesReachTheSpeechServiceInTheOrderShown) {
    SpeechService service;
    if (!service.up()) GTEST_SKIP() << service.reason();
    Scenario s("voiced", "_textclear\n一行目\n二行目です\n三行目\n", "SavePath=save\\\n");
    Window w(display_, s, {"--self-voicing"}, {service.address()});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    ASSERT_TRUE(service.waitForSaid("一行目")) << service.said();
    w.key("Return");
    ASSERT_TRUE(service.waitForSaid("二行目です")) << service.said();
    // 自動送り goes on only when the service reports the line read: its end reaches us.
    w.key("ctrl+a");
    ASSERT_TRUE(service.waitForSaid("三行目")) << service.said();
    EXPECT_EQ(service.said(), "一行目\n二行目です\n三行目\n");
    w.key("Escape");
    ASSERT_TRUE(service.waitForSaid("終了しますか")) << service.said();
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
}

TEST_F(DesktopVoicing, WithoutTheServiceOneBoxSaysSoAndTheStoryGoesOn) {
    Scenario s("unvoiced", "_textclear\n一行目\n二行目\n", "SavePath=save\\\n");
    // No daemon at the address, and none can be started.
    Window w(display_, s, {"--self-voicing"},
             {"SPEECHD_ADDRESS=unix_socket:" + (s.dir() / "no-such-socket").string(), "SPEECHD_CMD=/bin/false"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    // The failure comes from the speech thread within moments; its box takes the key.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("box: 読み上げ | 読み上げを使えません。"));
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("text: 二行目"));
    w.key("Escape");
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
    const std::string transcript = w.transcript();
    EXPECT_EQ(transcript.find("box: 読み上げ"), transcript.rfind("box: 読み上げ")) << "one box only";
    EXPECT_EQ(readAll(s.dir() / "qvl.ini").find("SelfVoicing=1"), std::string::npos) << "the mode stayed off";
}

class DesktopKeyboard : public DesktopVoicing {};

TEST_F(DesktopKeyboard, SavingAndLoadingNeedNoPointer) {
    Scenario s("keysave", "_textclear\n一行目\n二行目\n三行目\n", "SavePath=save\\\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    w.key("ctrl+s");  // the dialog opens with the first slot focused
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("save: slot 1"));
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("text: 二行目"));
    w.key("ctrl+l");  // the first slot with a save has the focus
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("load: slot 1"));
    ASSERT_TRUE(w.waitForTranscript("text: 二行目\nload: slot 1\ntext: 一行目"));
    w.key("Escape");
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
}

TEST_F(DesktopKeyboard, TheFontAndVersionDialogsNeedNoPointer) {
    Scenario s("keyfonts", "_textclear\n一行目\n", "SavePath=save\\\n");
    Window w(display_, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
    // Shift+F10 opens the menu; 設定変更 → フォント設定.
    for (const char* key : {"shift+F10", "Down", "Down", "Right", "Down", "Down", "Down", "Down", "Return"}) w.key(key);
    ASSERT_TRUE(w.waitForTranscript("dialog: フォント設定"));
    // The first list has the focus: Down takes the next face, Tab moves on, Enter is OK.
    for (const char* key : {"Down", "Tab", "Return"}) w.key(key);
    ASSERT_TRUE(w.waitForTranscript("fonts: "));
    const std::string transcript = w.transcript();
    EXPECT_EQ(transcript.find("fonts: ＭＳ ゴシック |"), std::string::npos) << transcript;
    // バージョン情報 is the seventh item; Enter closes the dialog, and Esc then asks to end.
    w.key("shift+F10");
    for (int i = 0; i < 7; ++i) w.key("Down");
    w.key("Return");
    ASSERT_TRUE(w.waitForTranscript("dialog: バージョン情報"));
    w.key("Return");
    w.key("Escape");
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
    EXPECT_NE(w.transcript().find("box: 終了 | 終了しますか？ -> ok"), std::string::npos) << w.transcript();
}

}  // namespace
