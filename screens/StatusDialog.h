#pragma once
// screens/StatusDialog.h — the unit information screen: sensor type, date and
// time, battery, power source and charging on the left, each radio's
// frequency, channel and signal level on the right, and in test mode the
// engineering read-outs. Refreshed once a second; SERVICE leads through the
// password to the service screen.

#include "hardware/UnitCare.h"
#include "ui/DialogBase.h"

class RadioLink;
class SensorHardware;

class CStatusDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 311,
        kIdTimer = 1,
        kIdExit = 1110,
        kIdService = 1114,
        kIdSensorType = 1275,
        kIdRedFrequency = 1282,
        kIdBlueFrequency = 1286,
        kIdDate = 1214,
        kIdTime = 1215,
        kIdBattery = 1277,
        kIdRedRssi = 1283,
        kIdBlueRssi = 1287,
        kIdPowerSource = 1276,
        kIdCharging = 1278,
        kIdBatteryAdc = 1289,
        kIdRedRssiAdc = 1290,
        kIdBlueRssiAdc = 1291,
        kIdAudio = 1279,
        kIdAgc = 1280,
        kIdMclk = 1305,
    };
    static constexpr int kRefreshMs = 1000;

    // Reads everything from hardware; radio serves the service screen. Both
    // outlive the screen.
    CStatusDialog(SensorHardware& hardware, RadioLink& radio, QWidget* parent = nullptr);

    // Reads every row afresh (the timer's work).
    void Refresh();

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;

private:
    void OnService();
    // label, a space, U+202D (left-to-right override) for Persian unless the
    // value is a translated word, then the value; the label alone when the
    // value is empty.
    void ShowRow(int id, int labelString, const QString& value, bool word = false);

    SensorHardware& m_hw;
    RadioLink& m_radio;
    unitcare::RssiSmoother m_rssi[2];
};

// The unit information screen on the program's hardware, modal over parent:
// the About screen's STATUS and the setup screens open it.
void ShowStatusScreen(QWidget* parent);
