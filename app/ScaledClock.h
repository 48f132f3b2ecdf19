#pragma once
// app/ScaledClock.h — the program's --speed: the unit's tick count and
// performance counter run `speed` times faster than the clock beneath, so the
// virtual unit delivers samples and the run loop's stopwatch advances that
// much faster (a 60 s field run in a few seconds). The calendar is not
// scaled; sleeping is shortened by the same factor.

#include <cstdint>

#include "platform/Clock.h"

class ScaledClock final : public platform::Clock {
public:
    static constexpr int32_t kMaxSpeed = 50;

    //  base  : the clock beneath (outlives this one)
    //  speed : 1 ... kMaxSpeed
    ScaledClock(platform::Clock& base, int32_t speed) : m_base(base), m_speed(speed < 1 ? 1 : speed) {}

    int64_t HostUtcMs() const override { return m_base.HostUtcMs(); }
    // Wraps at 2^32 like the unit's.
    uint32_t TickCountMs() const override { return m_base.TickCountMs() * static_cast<uint32_t>(m_speed); }
    int64_t PerformanceCounter() const override { return m_base.PerformanceCounter() * m_speed; }
    int64_t PerformanceFrequency() const override { return m_base.PerformanceFrequency(); }
    void SleepMs(uint32_t ms) override { m_base.SleepMs(ms / static_cast<uint32_t>(m_speed)); }

private:
    platform::Clock& m_base;
    int32_t m_speed;
};
