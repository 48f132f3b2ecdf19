#pragma once
// ui/QtDimTimer.h — the display-dimming timer on the unit's clock. The time to
// dim is counted on the platform tick count, as the run loop's stopwatch is
// (virtual time under --speed moves it, tests turn a fake clock), and looked
// at once a second of the unit's time from the screens' event loop (a timer
// on the unit's clock under virtual time, ui/UnitTime.h).

#include <QObject>
#include <QTimer>

#include "hardware/UserActivity.h"
#include "ui/UnitTime.h"

class QtDimTimer final : public QObject, public DimTimer {
public:
    QtDimTimer() {
        connect(&m_poll, &QTimer::timeout, this, [this] { m_clock.Poll(); });
    }
    void Start(uint32_t periodMs) override {
        m_clock.Start(periodMs);
        StopPolling();
        if (VirtualTime::Running()) m_unitPoll = VirtualTime::Add(this, kPollMs, true, [this] { m_clock.Poll(); });
        else m_poll.start(kPollMs);
    }
    void Stop() override {
        m_clock.Stop();
        StopPolling();
    }

private:
    void StopPolling() {
        m_poll.stop();
        VirtualTime::Cancel(m_unitPoll);
        m_unitPoll = 0;
    }

    static constexpr int kPollMs = 1000;  // unit ms between looks at the clock
    ClockDimTimer m_clock;
    QTimer m_poll;
    int m_unitPoll = 0;  // the poll under virtual time
};
