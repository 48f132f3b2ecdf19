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
