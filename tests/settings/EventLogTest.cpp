// The service log: its line format, and that it is written only in test mode.

#include <gtest/gtest.h>

#include "ScopedSettings.h"
#include "TempUnitRoot.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/Configuration.h"
#include "settings/EventLog.h"

TEST(EventLogFormat, SecondsArePaddedToFiveAndWidenBeyond) {
    EXPECT_EQ(FormatLogLine(65400, "StartSampling"), "   65.400 StartSampling\r\n");
    EXPECT_EQ(FormatLogLine(123456700, "x"), "123456.700 x\r\n");
    EXPECT_EQ(FormatLogLine(7, ""), "    0.007 \r\n");
}

class EventLogFile : public ::testing::Test {
protected:
    void SetUp() override { ResetEventLogTimeBase(); }
    ScopedSettings settings;
    TempUnitRoot root;
    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
};

TEST_F(EventLogFile, LinesCountFromTheFirstOpeningAndAppend) {
    g_configuration.testMode = 1;
    root.Put(kEventLogFile, "earlier run\r\n");
    clock.Advance(5000);
    LogEvent(",StartSampling");
    clock.Advance(65400);
    LogEvent("TouchTest: 1");
    EXPECT_EQ(platform::ReadWholeFile(kEventLogFile, 1000),
              "earlier run\r\n    0.000 ,StartSampling\r\n   65.400 TouchTest: 1\r\n");
}

// Regression: a log that could not be opened still fixed the time base.
TEST_F(EventLogFile, TimeBaseIsTheFirstOpeningThatSucceeded) {
    g_configuration.testMode = 1;
    const auto blocked = root.Path() / "NandFlash" / "log.txt";
    std::filesystem::create_directories(blocked);  // a folder where the log should be
    LogEvent("lost");
    clock.Advance(5000);
    std::filesystem::remove(blocked);
    LogEvent("first");
    EXPECT_EQ(platform::ReadWholeFile(kEventLogFile, 1000), "    0.000 first\r\n");
}

TEST_F(EventLogFile, NothingIsWrittenOutsideTestMode) {
    g_configuration.testMode = 0;
    LogEvent("x");
    EXPECT_FALSE(platform::PathExists(kEventLogFile));
}
