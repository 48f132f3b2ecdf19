// --speed's clock: the unit's tick count and counter run faster, the
// calendar does not, sleeping is shortened.

#include <gtest/gtest.h>

#include "app/ScaledClock.h"

TEST(ScaledClock, TicksAndCounterRunFasterCalendarDoesNot) {
    platform::FakeClock base;
    ScaledClock fast(base, 10);
    base.Advance(250);
    EXPECT_EQ(fast.TickCountMs(), 2500u);
    EXPECT_EQ(fast.PerformanceCounter(), base.PerformanceCounter() * 10);
    EXPECT_EQ(fast.PerformanceFrequency(), base.PerformanceFrequency());
    EXPECT_EQ(fast.HostUtcMs(), base.HostUtcMs());
    fast.SleepMs(1000);  // 1 s of the unit's time is 100 ms beneath
    EXPECT_EQ(base.TickCountMs(), 350u);
    EXPECT_EQ(ScaledClock(base, 0).TickCountMs(), 350u);  // below 1 runs at 1
}
