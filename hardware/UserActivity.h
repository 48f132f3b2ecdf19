#pragma once
// hardware/UserActivity.h — the user-activity rule and display dimming.
//
// Every touch and button handler reports activity first: the backlight
// returns to the configured brightness and the inactivity timer restarts.
// When the display had been dimmed, the touch only wakes it and the handler
// does nothing more. The timer and the backlight are supplied from outside:
// the screen layer installs a timer, the sensor hardware its backlight.

#include <cstdint>
#include <functional>

// A one-shot-or-periodic timer that calls OnDimTimer when it fires.
class DimTimer {
public:
    virtual ~DimTimer() = default;
    virtual void Start(uint32_t periodMs) = 0;  // (re)starts
    virtual void Stop() = 0;
};

// A dim timer on the platform clock, for a program without a window system
// (and for tests on a fake clock): Poll fires OnDimTimer once the period has
// passed since the last Start.
class ClockDimTimer final : public DimTimer {
public:
    void Start(uint32_t periodMs) override;
    void Stop() override { m_running = false; }
    // Call from any periodic work; fires at most once per Start.
    void Poll();
    bool Running() const { return m_running; }

private:
    uint32_t m_start = 0;
    uint32_t m_period = 0;
    bool m_running = false;
};

// Installs the timer (not owned; nullptr removes it).
void SetDimTimer(DimTimer* timer);
// Installs the backlight control; percent 0-100.
void SetBacklightControl(std::function<void(int percent)> setBacklight);

// Restores the backlight, restarts the inactivity timer (dimDelay x 5 min;
// dimDelay 0 never dims) and returns false when the display had been dimmed.
bool ReportUserActivity();

// The timer's callback: dims to dimLevel when dimming is enabled, then stops the timer.
void OnDimTimer();

// The service screens turn dimming off while they are in use.
void EnableDimming(bool enabled);

bool IsDisplayDimmed();
bool IsDimTimerRunning();

// Back to the start-up state: dimming enabled, not dimmed, timer stopped.
void ResetUserActivity();
