#include "app/self_voicing.h"

#include "app/tfmain.h"
#include "platform/encoding.h"

namespace qvl {

using platform::SpeechState;

namespace {

// One utterance is one line: line breaks and tabs become blanks, and blanks at
// the ends go.
std::string spokenUtf8(std::string_view sjis) {
    std::string out;
    for (char c : platform::sjisToUtf8(sjis)) out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool SelfVoicing::on() const {
    return main_.settings.SelfVoicing;
}

void SelfVoicing::start() {
    if (on()) open();
}

void SelfVoicing::setOn(bool wanted) {
    if (wanted && open()) announce(platform::utf8ToSjis("読み上げ オン"));
    if (!wanted) {
        if (on()) main_.platform().speech()->stop();
        main_.settings.SelfVoicing = false;
    }
}

bool SelfVoicing::open() {
    platform::Speech* speech = main_.platform().speech();
    if (!speech) {
        failed("no speech service on this system");
        return false;
    }
    main_.settings.SelfVoicing = true;
    speech->open();
    if (speech->state() == SpeechState::Failed) {
        failed(speech->failure());
        return false;
    }
    return true;
}

void SelfVoicing::failed(const std::string& why) {
    main_.settings.SelfVoicing = false;
    std::string body = "読み上げを使えません。音声合成サービス（speech-dispatcher）に接続できませんでした。";
    if (!why.empty()) body += "\n" + why;
    main_.boxes.messageBox(platform::utf8ToSjis("読み上げ"), platform::utf8ToSjis(body), ui::BoxIcon::Exclamation,
                           ui::BoxButtons::Ok, platform::Answer::Ok);
}

void SelfVoicing::onSpeechEvent() {
    platform::Speech* speech = main_.platform().speech();
    // Reported once: the mode is off after the box, so later reports find it off.
    if (speech && on() && speech->state() == SpeechState::Failed) failed(speech->failure());
}

void SelfVoicing::line(std::string_view sjis) {
    const std::string text = spokenUtf8(sjis);
    if (!on() || text.empty()) return;
    main_.platform().speech()->say(text, false);
}

void SelfVoicing::announce(std::string_view sjis) {
    const std::string text = spokenUtf8(sjis);
    if (!on() || text.empty()) return;
    main_.platform().speech()->say(text, true);
}

void SelfVoicing::clickAtTextWait() {
    if (on() && speaking()) main_.platform().speech()->stop();
}

bool SelfVoicing::speaking() const {
    return on() && main_.platform().speech()->speaking();
}

}  // namespace qvl
