#include "screens/StatusDialog.h"

#include "hardware/Power.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/Numbers.h"
#include "screens/ProtectedSetup.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Resources.h"

namespace {

// Row labels and values in the string table.
enum : int {
    kStrSensorType = 700, kStrFrequency, kStrDate, kStrTime, kStrBattery, kStrRssi, kStrPowerSource,
    kStrCharging, kStrBatteryAdc, kStrRssiAdc, kStrAudio, kStrAgc, kStrMclk, kStrExternal, kStrOnBattery,
    kStrChargingNow, kStrFull,
};
// Sensor type names by DetectSensorType's code: none, hydrophone,
// accelerometer, microphone.
constexpr int kSensorNames[] = {133, 107, 106, 201};
constexpr int kEngineeringRows[] = {CStatusDialog::kIdBatteryAdc, CStatusDialog::kIdRedRssiAdc,
                                    CStatusDialog::kIdBlueRssiAdc, CStatusDialog::kIdAudio,
                                    CStatusDialog::kIdAgc, CStatusDialog::kIdMclk};
constexpr int32_t kBatteryChannel = 4;
constexpr QChar kLeftToRightOverride(0x202D);
constexpr QChar kRightToLeftMark(0x200F);

QString Text(const std::string& s) { return QString::fromStdString(s); }
QString Text(const std::optional<std::string>& s) { return s ? QString::fromStdString(*s) : QString(); }

}  // namespace

CStatusDialog::CStatusDialog(SensorHardware& hardware, RadioLink& radio, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_hw(hardware), m_radio(radio) {
    OnCommand(kIdService, [this] { OnService(); });
    OnCommand(kIdExit, [this] { EndDialog(kResultOk); });
}

void CStatusDialog::OnInitDialog() {
    for (auto& r : m_rssi) r.Restart();  // each opening smooths from its own first reading
    for (int id : kEngineeringRows) ShowItem(id, g_configuration.testMode != 0);
    SetTimer(kIdTimer, 1);  // at once, then once a second
}

void CStatusDialog::OnTimer(int id) {
    if (id != kIdTimer) return;
    SetTimer(kIdTimer, kRefreshMs);
    Refresh();
}

void CStatusDialog::ShowRow(int id, int labelString, const QString& value, bool word) {
    const bool persian = g_configuration.Language() == u"FAS";
    // A Persian row reads from the right also when its label starts in Latin
    // letters ("RSSI:", "ADC باتری:"): aligned with the others, words in order.
    QString text = persian ? QString(kRightToLeftMark) : QString();
    text += LoadString(labelString);
    if (!value.isEmpty()) {
        // The label's end stays Persian: "RSSI:" is not run together with a
        // value in Latin letters into one left-to-right phrase.
        if (persian) text += kRightToLeftMark;
        text += ' ';
        // Numbers and units read left to right inside a Persian row; a
        // translated word keeps its own direction (forced, it would read
        // backwards).
        if (!word && persian) text += kLeftToRightOverride;
        text += value;
    }
    SetItemText(id, text);
}

void CStatusDialog::Refresh() {
    const int32_t type = m_hw.DetectSensorType();
    ShowRow(kIdSensorType, kStrSensorType,
            type >= 0 && type < 4 ? LoadString(kSensorNames[type]) : QStringLiteral(" ---"), true);

    const RadioRecord& red = g_configuration.radio[0];
    const RadioRecord& blue = g_configuration.radio[1];
    ShowRow(kIdRedFrequency, kStrFrequency, Text(unitcare::FrequencyText(red.frequency, ChannelFor(red))));
    ShowRow(kIdBlueFrequency, kStrFrequency, Text(unitcare::FrequencyText(blue.frequency, ChannelFor(blue))));

    const platform::SystemTime now = platform::GetSystemTime();
    ShowRow(kIdDate, kStrDate, Text(unitcare::DateText(now)));
    ShowRow(kIdTime, kStrTime, Text(unitcare::TimeText(now)));

    const int32_t batteryRaw = m_hw.ReadAuxAdc(kBatteryChannel);
    ShowRow(kIdBattery, kStrBattery, Text(unitcare::BatteryText(ReadBatteryVoltage(m_hw))));

    int32_t rssiRaw[2];
    const int rows[2] = {kIdRedRssi, kIdBlueRssi};
    for (int r = 0; r < 2; ++r) {
        rssiRaw[r] = m_hw.ReadAuxAdc(r);
        const float present = RssiToDbm(rssiRaw[r]);
        ShowRow(rows[r], kStrRssi, Text(unitcare::RssiText(present, m_rssi[r].Add(present))));
    }

    const int32_t source = m_hw.GetPowerSource();
    ShowRow(kIdPowerSource, kStrPowerSource, LoadString(source == 2 ? kStrOnBattery : kStrExternal), true);
    ShowRow(kIdCharging, kStrCharging,
            source == 0 ? LoadString(kStrChargingNow) : source == 1 ? LoadString(kStrFull) : QString(), true);

    if (!g_configuration.testMode) return;
    const double vref = SensorHardware::ReferenceVoltage();
    ShowRow(kIdBatteryAdc, kStrBatteryAdc, Text(unitcare::AdcText(batteryRaw, vref)));
    ShowRow(kIdRedRssiAdc, kStrRssiAdc, Text(unitcare::AdcText(rssiRaw[0], vref)));
    ShowRow(kIdBlueRssiAdc, kStrRssiAdc, Text(unitcare::AdcText(rssiRaw[1], vref)));
    ShowRow(kIdAudio, kStrAudio, QStringLiteral("ADC ") + Text(unitcare::AdcText(m_hw.LocalLevel(), vref)));
    ShowRow(kIdAgc, kStrAgc, QString::number(m_hw.LocalGain()));
    ShowRow(kIdMclk, kStrMclk, QStringLiteral("%1Hz").arg(m_hw.GetMasterClock()));
}

void CStatusDialog::OnService() {
    RunServiceEntry(m_hw, m_radio, this);
    for (int id : kEngineeringRows) ShowItem(id, g_configuration.testMode != 0);
    Refresh();
}

void ShowStatusScreen(QWidget* parent) {
    CStatusDialog screen(Hardware(), Radio(), parent);
    screen.DoModal();
}
