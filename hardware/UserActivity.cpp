#include "hardware/UserActivity.h"

#include "platform/Clock.h"
#include "settings/Configuration.h"

namespace {

constexpr uint32_t kDimStepMs = 300000;  // dimDelay counts 5-minute steps

struct DimmingState {
    bool enabled = true;
    bool dimmed = false;
    bool timerRunning = false;
    DimTimer* timer = nullptr;
    std::function<void(int)> backlight;
};

DimmingState& State() {
    static DimmingState s;
    return s;
}

void SetBacklight(int percent) {
    if (State().backlight) State().backlight(percent);
}

void StopTimer() {
    DimmingState& s = State();
    if (s.timer && s.timerRunning) s.timer->Stop();
    s.timerRunning = false;
}

}  // namespace

void SetDimTimer(DimTimer* timer) {
    StopTimer();
    State().timer = timer;
}

void SetBacklightControl(std::function<void(int)> setBacklight) { State().backlight = std::move(setBacklight); }

bool ReportUserActivity() {
    DimmingState& s = State();
    const bool wasDimmed = s.dimmed;
    s.dimmed = false;
    SetBacklight(g_configuration.brightness * 10);
    if (g_configuration.dimDelay >= 1) {
        if (s.timer) s.timer->Start(static_cast<uint32_t>(g_configuration.dimDelay) * kDimStepMs);
        s.timerRunning = true;
    } else {
        StopTimer();
    }
    return !wasDimmed;
}

void OnDimTimer() {
    DimmingState& s = State();
    if (!s.enabled) return;
    SetBacklight(g_configuration.dimLevel * 10);
    s.dimmed = true;
    StopTimer();
}

void EnableDimming(bool enabled) { State().enabled = enabled; }
bool IsDisplayDimmed() { return State().dimmed; }
bool IsDimTimerRunning() { return State().timerRunning; }

void ResetUserActivity() {
    StopTimer();
    State().enabled = true;
    State().dimmed = false;
}

void ClockDimTimer::Start(uint32_t periodMs) {
    m_start = platform::GetTickCount();
    m_period = periodMs;
    m_running = true;
}

void ClockDimTimer::Poll() {
    if (m_running && platform::GetTickCount() - m_start >= m_period) {
        m_running = false;
        OnDimTimer();
    }
}
