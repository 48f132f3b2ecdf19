#include "screens/SetBrightnessDialog.h"

#include <QFont>

#include "hardware/SensorHardware.h"
#include "hardware/UnitCare.h"
#include "hardware/UserActivity.h"
#include "settings/Configuration.h"

namespace {
constexpr int32_t kLevelMin = 1, kLevelMax = 10;  // never a dark screen
constexpr int32_t kTimeMin = 0, kTimeMax = 6;
constexpr int32_t kPercentPerStep = 10;
constexpr int kLevelPixelSize = 26;
}  // namespace

CSetBrightnessDialog::CSetBrightnessDialog(SensorHardware& hardware, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_hw(hardware) {
    OnCommand(kIdBrightnessDown, [this] { OnLevel(m_brightness, -1); });
    OnCommand(kIdBrightnessUp, [this] { OnLevel(m_brightness, +1); });
    OnCommand(kIdDimDown, [this] { OnLevel(m_dimLevel, -1); });
    OnCommand(kIdDimUp, [this] { OnLevel(m_dimLevel, +1); });
    OnCommand(kIdDelayDown, [this] { OnTime(m_dimDelay, -1); });
    OnCommand(kIdDelayUp, [this] { OnTime(m_dimDelay, +1); });
    OnCommand(kIdOffDown, [this] { OnTime(m_offDelay, -1); });
    OnCommand(kIdOffUp, [this] { OnTime(m_offDelay, +1); });
    OnCommand(kResultOk, [this] { OnOk(); });
    OnCommand(kResultCancel, [this] { OnCancel(); });
    // The values read from arm's length.
    for (int id : {kIdBrightness, kIdDim, kIdDelay, kIdOff}) {
        if (QWidget* w = GetDlgItem(id)) {
            QFont large = w->font();
            large.setPixelSize(kLevelPixelSize);
            w->setFont(large);
        }
    }
}

void CSetBrightnessDialog::OnInitDialog() {
    m_brightness = g_configuration.brightness;
    m_dimLevel = g_configuration.dimLevel;
    m_dimDelay = g_configuration.dimDelay;
    m_offDelay = g_configuration.dimSetting3;
    ShowValues();
}

void CSetBrightnessDialog::OnLevel(int32_t& value, int delta) {
    value = unitcare::StepWithin(value, delta, kLevelMin, kLevelMax);
    m_hw.SetBacklight(value * kPercentPerStep);  // a preview of the level
    ShowValues();
}

void CSetBrightnessDialog::OnTime(int32_t& value, int delta) {
    value = unitcare::StepWithin(value, delta, kTimeMin, kTimeMax);
    ShowValues();
}

void CSetBrightnessDialog::OnOk() {
    g_configuration.brightness = m_brightness;
    g_configuration.dimLevel = m_dimLevel;
    g_configuration.dimDelay = m_dimDelay;
    g_configuration.dimSetting3 = m_offDelay;
    g_configuration.Save();
    m_hw.SetBacklight(m_brightness * kPercentPerStep);
    // The handler reported the touch before the values were stored; once more,
    // so the inactivity timer runs with the delay just chosen ("---": never).
    ReportUserActivity();
    EndDialog(kResultOk);
}

void CSetBrightnessDialog::OnCancel() {
    m_hw.SetBacklight(m_brightness * kPercentPerStep);
    EndDialog(kResultCancel);
}

void CSetBrightnessDialog::ShowValues() {
    SetItemText(kIdBrightness, QString::fromStdString(unitcare::PercentText(m_brightness)));
    SetItemText(kIdDim, QString::fromStdString(unitcare::PercentText(m_dimLevel)));
    SetItemText(kIdDelay, QString::fromStdString(unitcare::MinutesText(m_dimDelay)));
    SetItemText(kIdOff, QString::fromStdString(unitcare::MinutesText(m_offDelay)));
}
