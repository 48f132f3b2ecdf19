#include "screens/PowerDlg.h"

#include <QPainter>

#include "hardware/SensorHardware.h"
#include "hardware/UserActivity.h"
#include "platform/Clock.h"
#include "settings/Configuration.h"

namespace {
constexpr int32_t kLedsOff = 0, kLedRed = 2;
constexpr int32_t kSourceCharging = 0;
}  // namespace

CPowerDlg::CPowerDlg(SensorHardware& hardware, QWidget* parent) : CDialogBase(kTemplate, parent), m_hw(hardware) {
    // POWER always leaves: the display may be off, so the first touch must not
    // be swallowed as a mere wake-up.
    OnCommandAlways(kIdPower, [this] { OnPower(); });
    SetWakingTouchesAct(true);  // a touch anywhere turns the display back on
}

void CPowerDlg::OnInitDialog() {
    if (!m_schemeForced) m_savedScheme = g_configuration.colourScheme;
    m_schemeForced = true;
    g_configuration.colourScheme = 1;
    ShowItem(kIdPower, true);
    m_touchTick = platform::GetTickCount();
    m_ledCounter = 0;
    m_displayOn = true;
    SetTimer(kIdTimer, kTickMs);
}

void CPowerDlg::done(int result) {
    if (m_schemeForced) g_configuration.colourScheme = m_savedScheme;
    m_schemeForced = false;
    CDialogBase::done(result);
}

void CPowerDlg::OnPaint(QPainter& painter) { painter.fillRect(rect(), Qt::black); }

void CPowerDlg::SetDisplay(bool on) {
    m_displayOn = on;
    m_hw.SetDisplayPower(on);
}

void CPowerDlg::OnTimer(int id) {
    if (id == kIdTimer) Tick();
}

void CPowerDlg::Tick() {
    if (m_displayOn && platform::GetTickCount() - m_touchTick >= kDisplayOnMs) {
        ShowItem(kIdPower, false);
        SetDisplay(false);
    }
    if (m_hw.GetPowerSource() != kSourceCharging) {
        m_hw.SetStatusLeds(kLedsOff);
        return;
    }
    m_hw.SetStatusLeds(m_ledCounter < kLedOnCounts ? kLedRed : kLedsOff);
    m_ledCounter = m_ledCounter >= kLedPeriod ? 0 : m_ledCounter + 1;
}

void CPowerDlg::OnPenDown(QPoint) {
    ShowItem(kIdPower, true);
    SetDisplay(true);
    m_touchTick = platform::GetTickCount();
    SetTimer(kIdTimer, kTickMs);
}

void CPowerDlg::OnPower() {
    KillTimer(kIdTimer);
    SetDisplay(true);
    EndDialog(kResultOk);
}
