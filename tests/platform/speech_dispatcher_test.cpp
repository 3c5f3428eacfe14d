// The speech-dispatcher backend without a service to talk to: it fails on its own
// thread, says so through the notification, and never blocks the caller.
#include "platform/speech_dispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

// libspeechd keeps the text of a failed start of the daemon: its leak, not ours. The
// full stack is needed to see that it comes from there.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:spd_open2\n";
}

namespace {

using qvl::platform::SpeechDispatcher;
using qvl::platform::SpeechState;

TEST(SpeechDispatcher, WithoutADaemonItFailsOnItsOwnThreadAndSaysSo) {
    setenv("SPEECHD_ADDRESS", "unix_socket:/nonexistent/quorvel-test/speechd.sock", 1);
    setenv("SPEECHD_CMD", "/bin/false", 1);  // no daemon may be started either
    std::mutex mutex;
    std::condition_variable told;
    int notifications = 0;
    SpeechDispatcher speech([&] {
        std::lock_guard lock(mutex);
        ++notifications;
        told.notify_all();
    });
    EXPECT_EQ(speech.state(), SpeechState::Closed);
    speech.say("before opening", false);
    EXPECT_FALSE(speech.speaking()) << "nothing is taken while closed";
    speech.open();
    speech.say("queued while connecting", false);  // returns at once whatever happens
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(20), [&] { return notifications > 0; }));
    }
    EXPECT_EQ(speech.state(), SpeechState::Failed);
    EXPECT_FALSE(speech.failure().empty());
    EXPECT_FALSE(speech.speaking()) << "what waited for the connection is dropped";
    unsetenv("SPEECHD_ADDRESS");
    unsetenv("SPEECHD_CMD");
}

}  // namespace
