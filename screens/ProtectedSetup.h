#pragma once
// screens/ProtectedSetup.h — the service screen and the way in to it.
//
// A technician sets here the mains notch, the Red and Blue frequencies (by
// country preset, by stepping, or by hand through the radio setup screen),
// channel spacing and Range 7 base per radio, the reception rating limits,
// the receivers' gain mode, the serial number, the two correlation options
// and test mode; the touch test and the brightness screen open from here.
// Every change is saved at once; closing commits nothing further.

#include <array>

#include "hardware/UnitCare.h"
#include "ui/DialogBase.h"

class RadioLink;
class SensorHardware;

class CProtectedSetup : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 313,
        kIdSerial = 1000,
        kIdBlueSpacing = 1002,
        kIdPlus1MHz = 1003,
        kIdMinus1MHz = 1004,
        kIdPlus100kHz = 1005,
        kIdMinus100kHz = 1006,
        kIdPlusChannel = 1007,
        kIdMinusChannel = 1008,
        kIdBlueRange7 = 1030,
        kIdRedRange7 = 1031,
        kIdRedSpacing = 1032,
        kIdRedFixedGain = 1033,
        kIdRedVarGain = 1034,
        kIdBlueFixedGain = 1035,
        kIdBlueVarGain = 1036,
        kIdFlip = 1037,
        kIdFiltering = 1038,
        kIdSetManual = 1040,
        kIdMinRssi = 1041,
        kIdTouchTest = 1042,
        kIdBrightness = 1043,
        kIdRssiRange = 1045,
        kIdNotch50 = 1264,
        kIdNotch60 = 1265,
        kIdNoNotch = 1266,
        kIdRedRadio = 1267,
        kIdBlueRadio = 1268,
        kIdRedStatus = 1269,
        kIdBlueStatus = 1270,
        kIdTestMode = 1296,
        kIdGainStatus = 1301,
    };
    // The six tuning buttons.
    static constexpr int kTuningIds[6] = {kIdPlus1MHz, kIdMinus1MHz, kIdPlus100kHz,
                                          kIdMinus100kHz, kIdPlusChannel, kIdMinusChannel};

    // The radios are tuned through radio on hardware; both outlive the screen.
    CProtectedSetup(SensorHardware& hardware, RadioLink& radio, QWidget* parent = nullptr);

    // The radio the tuning buttons act on: 1 Red (each opening), 2 Blue.
    int SelectedStation() const { return m_station; }

protected:
    void OnInitDialog() override;

private:
    void OnNotch(int mode);
    void OnSelect(int station);
    void OnTune(int direction, int kind);
    void OnCountry(const char* name);
    void OnSetManual();
    void OnSpacing(int station);
    void OnRange7(int station);
    void OnGain(int station, bool fixed);
    void OnSerial();
    void SetOutcome(int station, bool ok);
    void Save();
    void ShowValues();

    SensorHardware& m_hw;
    RadioLink& m_radio;
    int m_station = 1;
    std::array<unitcare::RfOutcome, 2> m_outcome{unitcare::RfOutcome::None, unitcare::RfOutcome::None};
};

// The password prompt: the text-entry screen titled "ENTER PASSWORD", again
// with "PASSWORD WRONG - PLEASE RE-ENTER" after each wrong entry, until the
// access code or cancel. True for the code.
bool AskServicePassword(QWidget* parent);

// SERVICE on the status screen: dimming stays off until the service screen
// closes; in test mode the screen opens without a password. The service
// screen's result, or cancel when the prompt was cancelled.
int RunServiceEntry(SensorHardware& hardware, RadioLink& radio, QWidget* parent);
