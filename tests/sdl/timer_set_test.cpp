#include "platform/sdl/timer_set.h"

#include <gtest/gtest.h>

namespace qvl::platform {
namespace {

TEST(TimerSet, FiresAtEachIntervalAndSkipsMissedTicks) {
    TimerSet timers;
    timers.start(4, 100, 1000);
    EXPECT_EQ(timers.nextDue(1000), 1100u);
    EXPECT_FALSE(timers.takeDue(1099));
    EXPECT_EQ(timers.takeDue(1100), 4);
    EXPECT_FALSE(timers.takeDue(1100));  // one tick per due time
    EXPECT_EQ(timers.nextDue(1100), 1200u);

    // Asleep for three and a half intervals: one tick, then back on the grid.
    EXPECT_EQ(timers.takeDue(1550), 4);
    EXPECT_FALSE(timers.takeDue(1550));
    EXPECT_EQ(timers.nextDue(1550), 1600u);
}

TEST(TimerSet, EarliestDueGoesFirstAndEachIdRunsOnce) {
    TimerSet timers;
    timers.start(1, 50, 0);
    timers.start(2, 20, 0);
    timers.start(1, 30, 0);  // restarting replaces the first one
    EXPECT_EQ(timers.nextDue(0), 20u);
    EXPECT_EQ(timers.takeDue(35), 2);
    EXPECT_EQ(timers.takeDue(35), 1);
    EXPECT_FALSE(timers.takeDue(35));
    EXPECT_EQ(timers.nextDue(35), 40u);

    timers.stop(2);
    EXPECT_EQ(timers.nextDue(35), 60u);
    timers.stop(1);
    timers.stop(99);  // unknown ids are ignored
    EXPECT_TRUE(timers.empty());
    EXPECT_FALSE(timers.nextDue(35));
    EXPECT_FALSE(timers.takeDue(1000000));
}

TEST(TimerSet, SurvivesTheClockWrapping) {
    TimerSet timers;
    timers.start(1, 32, 0xFFFFFFF0u);  // due at 0x10, past the wrap
    timers.start(2, 1000, 0xFFFFFFF0u);
    EXPECT_EQ(timers.nextDue(0xFFFFFFF0u), 0x10u);
    EXPECT_FALSE(timers.takeDue(0xFFFFFFFFu));
    EXPECT_EQ(timers.takeDue(0x10u), 1);
    EXPECT_EQ(timers.nextDue(0x10u), 0x30u);
}

TEST(TimerSet, ZeroIntervalDoesNotFireContinuously) {
    TimerSet timers;
    timers.start(1, 0, 500);
    EXPECT_FALSE(timers.takeDue(500));
    EXPECT_EQ(timers.takeDue(510), 1);
    EXPECT_FALSE(timers.takeDue(510));
}

}  // namespace
}  // namespace qvl::platform
