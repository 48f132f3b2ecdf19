#pragma once
// platform/Clock.h — the unit's clocks.
//
// The unit's calendar clock is the host's UTC plus an offset kept in the unit
// root, so setting it never touches the host. Tick count (ms) and performance
// counter come from the clock source in force; tests install a FakeClock.

#include <cstddef>
#include <cstdint>

namespace platform {

// Calendar time as the unit keeps it; dayOfWeek 0 = Sunday.
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;   // 1-12
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;     // 1-31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};
static_assert(sizeof(SystemTime) == 16);

// The unit's time-zone record; biases in minutes.
struct TimeZoneInformation {
    int32_t bias = 0;
    char16_t standardName[32] = {};
    SystemTime standardDate;
    int32_t standardBias = 0;
    char16_t daylightName[32] = {};
    SystemTime daylightDate;
    int32_t daylightBias = 0;
};
static_assert(sizeof(TimeZoneInformation) == 172);
static_assert(offsetof(TimeZoneInformation, standardName) == 4);
static_assert(offsetof(TimeZoneInformation, standardDate) == 68);
static_assert(offsetof(TimeZoneInformation, standardBias) == 84);
static_assert(offsetof(TimeZoneInformation, daylightName) == 88);
static_assert(offsetof(TimeZoneInformation, daylightDate) == 152);
static_assert(offsetof(TimeZoneInformation, daylightBias) == 168);

// A source of time. The host clock is the default.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since 1970-01-01 UTC, before the unit's offset.
    virtual int64_t HostUtcMs() const = 0;
    // Milliseconds since the program started; wraps at 2^32 like the unit's.
    virtual uint32_t TickCountMs() const = 0;
    virtual int64_t PerformanceCounter() const = 0;
    virtual int64_t PerformanceFrequency() const = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

// A clock that moves only when told; Sleep advances it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(int64_t utcMs = 1262304000000 /* 2010-01-01 */) : m_utcMs(utcMs) {}
    int64_t HostUtcMs() const override { return m_utcMs; }
    uint32_t TickCountMs() const override { return static_cast<uint32_t>(m_tickMs); }
    int64_t PerformanceCounter() const override { return m_tickMs * 1000; }
    int64_t PerformanceFrequency() const override { return 1000000; }
    void SleepMs(uint32_t ms) override { Advance(ms); }
    // Moves calendar, tick and counter together.
    void Advance(int64_t ms) {
        m_utcMs += ms;
        m_tickMs += ms;
    }
    void SetUtcMs(int64_t ms) { m_utcMs = ms; }
    void SetTickMs(int64_t ms) { m_tickMs = ms; }

private:
    int64_t m_utcMs;
    int64_t m_tickMs = 0;
};

// Simulated time for a headless run. Tick count and performance counter
// follow the simulated milliseconds, as on FakeClock, so the virtual converter
// delivers by simulated time; besides, every reading of the counter moves it
// on by one count (1 us). Work timed on it therefore never takes zero time,
// and the run loop, finding correlation fast, asks on each tick for all that
// was acquired, as a unit whose processor keeps up would.
class SimulatedClock final : public Clock {
public:
    int64_t HostUtcMs() const override { return m_base.HostUtcMs(); }
    uint32_t TickCountMs() const override { return m_base.TickCountMs(); }
    int64_t PerformanceCounter() const override { return m_base.PerformanceCounter() + ++m_reads; }
    int64_t PerformanceFrequency() const override { return m_base.PerformanceFrequency(); }
    void SleepMs(uint32_t ms) override { m_base.Advance(ms); }
    void Advance(int64_t ms) { m_base.Advance(ms); }

private:
    FakeClock m_base;
    mutable int64_t m_reads = 0;
};

// Installs a clock source (not owned); nullptr restores the host clock.
void SetClock(Clock* clock);
Clock& GetClock();

// Installs a clock for a scope; restores the previous one after.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* m_previous;
};

// The unit's UTC calendar time.
SystemTime GetSystemTime();
// Sets the unit's clock (kept as an offset in the unit root); false for an invalid date.
bool SetSystemTime(const SystemTime& t);

uint32_t GetTickCount();
int64_t QueryPerformanceCounter();
int64_t QueryPerformanceFrequency();
void Sleep(uint32_t ms);

// The time zone in force, stored in the unit root.
bool SetTimeZoneInformation(const TimeZoneInformation& tz);
TimeZoneInformation GetTimeZoneInformation();

// Calendar conversions (proleptic Gregorian, UTC).
SystemTime SystemTimeFromUnixMs(int64_t ms);
int64_t UnixMsFromSystemTime(const SystemTime& t);
bool IsValidSystemTime(const SystemTime& t);

}  // namespace platform
