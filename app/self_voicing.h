#pragma once
// Self-voicing: the story, the choices, the menu and the dialogs read aloud through
// the platform's speech service. Lines of the story queue one after another;
// what the keyboard or the pointer reaches (a menu item, a choice, a focused
// control) cuts in. A service that cannot be used is told about in one box and
// leaves the mode off; nothing ever waits for it.
#include <string>
#include <string_view>

namespace qvl {

class TFmain;

class SelfVoicing {
public:
    explicit SelfVoicing(TFmain& main) : main_(main) {}

    bool on() const;
    // The V key and the menu's 読み上げ. Turning it on opens the service; when that
    // fails at once or later, the box says so and the mode goes off again.
    void setOn(bool on);
    // At start-up, after the settings are read: the mode as qvl.ini or the command
    // line left it, without the spoken confirmation the key gives.
    void start();

    // A line of the story as shown (Shift-JIS, no codes): queued.
    void line(std::string_view sjis);
    // What the highlight or the focus reached (Shift-JIS): spoken at once.
    void announce(std::string_view sjis);
    // A click at a text wait while the line is still being read: it goes on to the
    // next line, so the reading stops.
    void clickAtTextWait();
    bool speaking() const;
    // Event::Type::Speech: an utterance ended or the service failed.
    void onSpeechEvent();

private:
    // Turns the mode on and opens the service; false after the failure box.
    bool open();
    void failed(const std::string& why);

    TFmain& main_;
};

}  // namespace qvl
