// Virtual time (--speed): the main screen's live run reaches the same state at
// the same unit time on a host that keeps up and on one too slow for its speed.

#include <QEventLoop>
#include <QThread>
#include <ostream>

#include "MainRunFixture.h"
#include "ui/UnitTime.h"

namespace {

struct RunState {
    int32_t recorded = 0, correlated = 0;
    uint32_t elapsedMs = 0;
    bool operator==(const RunState&) const = default;
    friend void PrintTo(const RunState& s, std::ostream* os) {
        *os << "recorded " << s.recorded << ", correlated " << s.correlated << ", elapsed " << s.elapsedMs << " ms";
    }
};

class VirtualRun : public MainRun {
protected:
    // The run's state unitMs after START at --speed 10, every 100 ms tick
    // costing the host hostMsPerTick more real time (10 ms keep up).
    RunState RunFor(int unitMs, unsigned long hostMsPerTick) {
        VirtualTime virtualTime(10);
        Make();
        dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
        VirtualTime::Add(nullptr, RunLoop::kTickMs, true, [hostMsPerTick] { QThread::msleep(hostMsPerTick); });
        RunState state;
        QEventLoop events;
        VirtualTime::Add(nullptr, unitMs, false, [&] {
            const CCorrelation& run = dlg->Run();
            state = {run.RedRaw().SampleTotal(), run.SamplesCorrelated(), run.Clock().ElapsedMs()};
            events.quit();
        });
        events.exec();
        dlg.reset();
        radio.reset();
        hw.reset();
        return state;
    }
};

}  // namespace

TEST_F(VirtualRun, SamplesRecordedAndCorrelatedByAUnitTimeDoNotDependOnTheHost) {
    g_configuration.testMode = 1;  // the default world's radio levels lie under the default floor
    const RunState fast = RunFor(3000, 0);
    const RunState slow = RunFor(3000, 40);
    EXPECT_GT(fast.correlated, 25000);
    EXPECT_GE(fast.elapsedMs, 3000u);
    EXPECT_EQ(slow, fast);
}

// The filter screen's feed and the listen screen's sampler ran on real-time
// timers: under --speed they sampled a fraction of the unit's time.
TEST(UnitTicker, TicksWithTheUnitsClockOnASlowHost) {
    VirtualTime virtualTime(10);
    int ticks = 0;
    const UnitTicker ticker(100, [&ticks] {
        ++ticks;
        QThread::msleep(20);  // slower than the speed asks
    });
    QEventLoop events;
    VirtualTime::Add(nullptr, 1050, false, [&] { events.quit(); });
    events.exec();
    EXPECT_EQ(ticks, 10);
}
