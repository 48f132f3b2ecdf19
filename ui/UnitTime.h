#pragma once
// ui/UnitTime.h — virtual time for a program run faster than real time
// (--speed N): while a VirtualTime exists the unit's clock is one that moves
// only here, from one timer deadline to the next.
//
// The screens' timers (CDialogBase::SetTimer), the dimming poll, a script's
// "wait" and UnitTickers are timers on the unit's time while a VirtualTime
// exists. A step to the next deadline waits until (deadline - last step) / N
// real ms have passed since the last step, moves the clock to the deadline and
// fires the timers due there, in deadline order; the next step waits until each
// of them has started. The clock runs as platform::SimulatedClock does (its
// counter moves one count at every reading, the calendar is the host's), so
// work done in a handler takes no unit time: a host that keeps up runs N times
// faster than real time and a slow one simply runs slower, and the samples
// delivered and correlated by a given unit time do not depend on the host. A
// Sleep moves the clock at once. While held (a script letting a press settle)
// no step is taken.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

class VirtualTime {
public:
    static constexpr int kMaxSpeed = 50;

    // Installs the unit's clock, at 0 ms, and drives it at speed 1 ... kMaxSpeed
    // until destruction; one at a time, after the QApplication exists.
    explicit VirtualTime(int speed);
    ~VirtualTime();
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    // A VirtualTime exists.
    static bool Running();
    // Calls handler periodMs (at least 1) of unit time from now, and again every
    // periodMs when repeat, until Cancel or owner's destruction. An id > 0.
    static int Add(QObject* owner, int periodMs, bool repeat, std::function<void()> handler);
    static void Cancel(int id);
    // Holds steps while any Hold(true) is not yet matched by Hold(false).
    static void Hold(bool held);
};

// A repeating timer on the unit's time from construction to destruction: on
// the unit's clock while a VirtualTime exists, else a real-time timer.
class UnitTicker final : public QObject {
public:
    UnitTicker(int periodMs, std::function<void()> handler);
    ~UnitTicker() override;
    UnitTicker(const UnitTicker&) = delete;
    UnitTicker& operator=(const UnitTicker&) = delete;

private:
    QTimer m_real;
    int m_unit = 0;  // the timer under virtual time
};
