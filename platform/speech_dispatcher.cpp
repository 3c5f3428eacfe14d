#include "platform/speech_dispatcher.h"

#include <speech-dispatcher/libspeechd.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace qvl::platform {

namespace {

// The few entry points we use, looked up in the library once it is opened. The
// program does not link it: a player without it still plays, silently.
struct Library {
    decltype(&spd_open2) open2 = nullptr;
    decltype(&spd_close) close = nullptr;
    decltype(&spd_say) say = nullptr;
    decltype(&spd_cancel) cancel = nullptr;
    decltype(&spd_set_language) setLanguage = nullptr;
    decltype(&spd_set_notification_on) notificationOn = nullptr;

    bool load(std::string& why) {
        void* handle = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            why = "libspeechd.so.2 cannot be loaded (package libspeechd2)";
            return false;
        }
        auto find = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, name));
            return fn != nullptr;
        };
        if (find(open2, "spd_open2") && find(close, "spd_close") && find(say, "spd_say") &&
            find(cancel, "spd_cancel") && find(setLanguage, "spd_set_language") &&
            find(notificationOn, "spd_set_notification_on"))
            return true;
        why = "libspeechd.so.2 lacks the functions of its version 2";
        return false;
    }
};

// libspeechd's callbacks carry no context of ours: they reach the one open worker
// through this.
std::mutex gCallbackMutex;
SpeechDispatcher::Worker* gCallbackTarget = nullptr;

}  // namespace

struct SpeechDispatcher::Worker {
    struct Command {
        enum Kind { Say, Stop, Quit } kind;
        std::string text;
        bool interrupt = false;
    };

    std::mutex notifyMutex;  // the engine's side may go while the thread runs on
    std::function<void()> notify;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Command> commands;
    SpeechState state = SpeechState::Closed;
    std::string failure;
    bool finished = false;  // the thread has left its loop
    // Utterances handed over and not yet known to have ended: those still in the
    // queue, and those given to the service (its message ids rise) past the highest
    // one it reported ended or cancelled. A report may come before spd_say returns.
    std::atomic<int> queued{0};
    std::atomic<size_t> sent{0}, ended{0};

    static void raise(std::atomic<size_t>& to, size_t value) {
        size_t now = to.load();
        while (now < value && !to.compare_exchange_weak(now, value)) {
        }
    }

    void onNotification(size_t id) {
        raise(ended, id);
        ping();
    }

    void ping() {
        std::lock_guard lock(notifyMutex);
        if (notify) notify();
    }

    void fail(std::string why) {
        {
            std::lock_guard lock(mutex);
            state = SpeechState::Failed;
            failure = std::move(why);
            commands.clear();
        }
        queued = 0;
        raise(ended, sent.load());
        ping();
    }

    void run(const std::shared_ptr<Worker>& self) {
        (void)self;  // keeps the worker alive for as long as the thread runs
        Library lib;
        std::string why;
        SPDConnection* connection = nullptr;
        if (lib.load(why)) {
            char* error = nullptr;
            // The address comes from SPEECHD_ADDRESS or the user's default socket;
            // the library starts the user's daemon when none runs.
            connection = lib.open2("quorvel", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
            if (!connection) why = error ? error : "speech-dispatcher cannot be reached";
            free(error);
        }
        if (!connection) {
            fail(why);
            finishLoop();
            return;
        }
        lib.setLanguage(connection, "ja");
        {
            std::lock_guard lock(gCallbackMutex);
            gCallbackTarget = this;
        }
        auto callback = [](size_t msgId, size_t, SPDNotificationType) {
            std::lock_guard lock(gCallbackMutex);
            if (gCallbackTarget) gCallbackTarget->onNotification(msgId);
        };
        connection->callback_end = callback;
        connection->callback_cancel = callback;
        lib.notificationOn(connection, SPD_END);
        lib.notificationOn(connection, SPD_CANCEL);
        {
            std::lock_guard lock(mutex);
            if (state == SpeechState::Connecting) state = SpeechState::Ready;
        }
        ping();
        for (;;) {
            Command c;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return !commands.empty(); });
                c = std::move(commands.front());
                commands.pop_front();
            }
            if (c.kind == Command::Quit) break;
            if (c.kind == Command::Stop || c.interrupt) {
                lib.cancel(connection);
                raise(ended, sent.load());
            }
            if (c.kind == Command::Say) {
                const int id = lib.say(connection, SPD_TEXT, c.text.c_str());
                if (id >= 0) raise(sent, size_t(id));
                --queued;
                if (id < 0) {
                    fail("speech-dispatcher refused to speak");
                    break;
                }
            }
        }
        {
            std::lock_guard lock(gCallbackMutex);
            if (gCallbackTarget == this) gCallbackTarget = nullptr;
        }
        lib.close(connection);
        finishLoop();
    }

    void finishLoop() {
        std::lock_guard lock(mutex);
        finished = true;
        wake.notify_all();
    }

    void post(Command c) {
        std::lock_guard lock(mutex);
        if (state == SpeechState::Failed || state == SpeechState::Closed) return;
        if (c.kind == Command::Say) ++queued;
        if (c.kind != Command::Say || c.interrupt) {
            // What has not reached the service yet is dropped, not cancelled there.
            for (const Command& old : commands)
                if (old.kind == Command::Say) --queued;
            commands.clear();
        }
        commands.push_back(std::move(c));
        wake.notify_all();
    }
};

SpeechDispatcher::SpeechDispatcher(std::function<void()> notify) : worker_(std::make_shared<Worker>()) {
    worker_->notify = std::move(notify);
}

SpeechDispatcher::~SpeechDispatcher() {
    Worker& w = *worker_;
    std::unique_lock lock(w.mutex);
    if (w.state == SpeechState::Closed) return;
    if (!w.finished) {
        w.commands.clear();
        w.commands.push_back({Worker::Command::Quit, {}, false});
        w.wake.notify_all();
        // A daemon that does not answer must not keep the program from ending: the
        // thread is left to finish on its own (it holds the worker alive).
        w.wake.wait_for(lock, std::chrono::seconds(1), [&] { return w.finished; });
    }
    lock.unlock();
    std::lock_guard quiet(w.notifyMutex);
    w.notify = nullptr;
}

void SpeechDispatcher::open() {
    Worker& w = *worker_;
    {
        std::lock_guard lock(w.mutex);
        if (w.state != SpeechState::Closed && w.state != SpeechState::Failed) return;
        if (w.state == SpeechState::Failed && !w.finished) return;
        w.state = SpeechState::Connecting;
        w.queued = 0;
        w.sent = 0;  // a new connection may be to a new daemon, counting from 1 again
        w.ended = 0;
        w.failure.clear();
        w.finished = false;
    }
    std::thread([worker = worker_] { worker->run(worker); }).detach();
}

SpeechState SpeechDispatcher::state() const {
    std::lock_guard lock(worker_->mutex);
    return worker_->state;
}

std::string SpeechDispatcher::failure() const {
    std::lock_guard lock(worker_->mutex);
    return worker_->failure;
}

void SpeechDispatcher::say(std::string_view utf8, bool interrupt) {
    worker_->post({Worker::Command::Say, std::string(utf8), interrupt});
}

void SpeechDispatcher::stop() {
    worker_->post({Worker::Command::Stop, {}, false});
}

bool SpeechDispatcher::speaking() const {
    return worker_->queued.load() > 0 || worker_->sent.load() > worker_->ended.load();
}

}  // namespace qvl::platform
