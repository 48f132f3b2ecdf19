#include "ui/UnitTime.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/Clock.h"

namespace {

// The unit's clock: milliseconds moved by the pacer (and Sleep), a counter
// that moves one count (1 us) at every reading on top, the host's calendar.
class UnitClock final : public platform::Clock {
public:
    explicit UnitClock(const platform::Clock& host) : m_host(host) {}
    int64_t HostUtcMs() const override { return m_host.HostUtcMs(); }
    uint32_t TickCountMs() const override { return static_cast<uint32_t>(m_ms); }
    int64_t PerformanceCounter() const override { return m_ms * 1000 + ++m_reads; }
    int64_t PerformanceFrequency() const override { return 1000000; }
    void SleepMs(uint32_t ms) override { m_ms += ms; }
    int64_t Ms() const { return m_ms; }
    void AdvanceTo(int64_t ms) { m_ms = std::max(m_ms, ms); }

private:
    const platform::Clock& m_host;
    int64_t m_ms = 0;
    mutable int64_t m_reads = 0;
};

struct UnitTimer {
    QPointer<QObject> owner;
    bool owned = false;     // owner was given: its destruction cancels the timer
    int64_t due = 0;        // unit ms
    int64_t period = 1;
    bool repeat = false;
    bool firing = false;    // a one-shot whose handler is posted
    std::function<void()> handler;
};

// Steps the unit's clock from deadline to deadline, no faster than speed
// times real time, and posts the handlers due at each step.
class Pacer final : public QObject {
public:
    Pacer(const platform::Clock& host, int speed) : m_clock(host), m_use(m_clock), m_speed(speed) {
        m_real.start();
        m_step.setSingleShot(true);
        m_step.setTimerType(Qt::PreciseTimer);
        connect(&m_step, &QTimer::timeout, this, [this] { Step(); });
    }

    int Add(QObject* owner, int periodMs, bool repeat, std::function<void()> handler) {
        const int id = m_nextId++;
        UnitTimer& t = m_timers[id];
        t.owner = owner;
        t.owned = owner != nullptr;
        t.period = std::max(1, periodMs);
        t.due = Now() + t.period;
        t.repeat = repeat;
        t.handler = std::move(handler);
        Schedule();
        return id;
    }
    void Cancel(int id) { m_timers.erase(id); }
    void Hold(bool held) {
        m_holds = std::max(0, m_holds + (held ? 1 : -1));
        if (m_holds == 0) Schedule();
    }

private:
    int64_t Now() const { return m_clock.Ms(); }
    void Schedule() {
        if (!m_step.isActive()) m_step.start(0);
    }
    void Step() {
        if (m_inFlight > 0 || m_holds > 0) return;  // resumed by the last handler or the release
        const auto next = std::min_element(m_timers.begin(), m_timers.end(), [](const auto& a, const auto& b) {
            if (a.second.firing != b.second.firing) return !a.second.firing;
            return a.second.due < b.second.due;
        });
        if (next == m_timers.end() || next->second.firing) return;
        const int64_t now = Now();
        const int64_t target = std::max(next->second.due, now);
        const int64_t waitMs = (target - m_lastStepUnit) / m_speed - (m_real.elapsed() - m_lastStepReal);
        if (waitMs > 0) {
            m_step.start(static_cast<int>(std::min<int64_t>(waitMs, 1000)));
            return;
        }
        m_clock.AdvanceTo(target);
        m_lastStepUnit = target;
        m_lastStepReal = m_real.elapsed();
        for (auto& [id, t] : m_timers) {
            if (t.firing || t.due > target) continue;
            if (t.repeat) t.due = std::max(t.due + t.period, target + 1);
            else t.firing = true;
            ++m_inFlight;
            // Posted, not called: a handler that opens a screen runs its modal
            // loop from the event loop, where the steps go on.
            QMetaObject::invokeMethod(this, [this, id = id] { Fire(id); }, Qt::QueuedConnection);
        }
    }
    void Fire(int id) {
        if (--m_inFlight == 0) Schedule();
        const auto it = m_timers.find(id);
        if (it == m_timers.end()) return;
        if (it->second.owned && !it->second.owner) {
            m_timers.erase(it);
            return;
        }
        const std::function<void()> handler = it->second.handler;
        if (!it->second.repeat) m_timers.erase(it);
        handler();
    }

    UnitClock m_clock;
    platform::ScopedClock m_use;
    int m_speed;
    QElapsedTimer m_real;
    int64_t m_lastStepUnit = 0;
    int64_t m_lastStepReal = 0;
    QTimer m_step;
    std::map<int, UnitTimer> m_timers;
    int m_nextId = 1;
    int m_inFlight = 0;
    int m_holds = 0;
};

std::unique_ptr<Pacer> g_pacer;

}  // namespace

VirtualTime::VirtualTime(int speed) {
    g_pacer = std::make_unique<Pacer>(platform::GetClock(), std::clamp(speed, 1, kMaxSpeed));
}

VirtualTime::~VirtualTime() { g_pacer.reset(); }

bool VirtualTime::Running() { return g_pacer != nullptr; }

int VirtualTime::Add(QObject* owner, int periodMs, bool repeat, std::function<void()> handler) {
    return g_pacer ? g_pacer->Add(owner, periodMs, repeat, std::move(handler)) : 0;
}

void VirtualTime::Cancel(int id) {
    if (g_pacer) g_pacer->Cancel(id);
}

void VirtualTime::Hold(bool held) {
    if (g_pacer) g_pacer->Hold(held);
}

UnitTicker::UnitTicker(int periodMs, std::function<void()> handler) {
    if (VirtualTime::Running()) {
        m_unit = VirtualTime::Add(this, periodMs, true, std::move(handler));
        return;
    }
    connect(&m_real, &QTimer::timeout, this, std::move(handler));
    m_real.start(std::max(1, periodMs));
}

UnitTicker::~UnitTicker() { VirtualTime::Cancel(m_unit); }
