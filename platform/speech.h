#pragma once
// Speech for the self-voicing mode: utterances handed to the desktop's speech
// service (or, headless, written to the transcript). Opening and speaking never
// block: a backend that talks to a service does so on a thread of its own, and
// tells the engine of ended utterances and a failed connection through
// Event::Type::Speech, after which the engine looks at state().
#include <string>
#include <string_view>

namespace qvl::platform {

enum class SpeechState { Closed, Connecting, Ready, Failed };

class Speech {
public:
    virtual ~Speech() = default;

    // Starts connecting when closed or failed; returns at once. Utterances given
    // while it connects are spoken once it is ready.
    virtual void open() = 0;
    virtual SpeechState state() const = 0;
    // Why the service could not be used (UTF-8); empty unless Failed.
    virtual std::string failure() const = 0;

    // interrupt: silences what is being spoken and speaks this now (the highlight
    // moved); otherwise it follows what is queued (lines of a story).
    virtual void say(std::string_view utf8, bool interrupt) = 0;
    // Silences everything said so far.
    virtual void stop() = 0;
    // True while something said has not yet finished.
    virtual bool speaking() const = 0;
};

}  // namespace qvl::platform
