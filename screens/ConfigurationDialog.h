#pragma once
// screens/ConfigurationDialog.h — "CONFIGURATION": the station pair (Red with
// Blue, Red with the Base, Blue with the Base) and the doors to SET CLOCK,
// ADVANCED and INFO. OK stores the pair and saves; CANCEL leaves the
// settings as they were. A language chosen or an upgrade asked for on a
// screen opened from here closes this one with the same code.
//
// The Base pairs are offered only with a sensor on the Base input and a
// platform of version 1.10 or later (setup::BasePairsUsable); a timer checks
// the input once a second and falls back to Red with Blue when it goes.
//
// Use from the main screen's SETUP:
//   CConfigurationDialog setup(hardware, radio, this);
//   setup.SetFilterScreen(&filters);  // for the survey screen's custom band
//   const int result = RunChild(setup);

#include "settings/SetupChoices.h"
#include "ui/DialogBase.h"

class CFilterDialog;
class RadioLink;
class SensorHardware;

class CConfigurationDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 130,
        kIdTimer = 1,
        kIdOk = 1,
        kIdCancel = 2,
        kIdRedWithBlue = 1010,
        kIdRedWithBase = 1011,
        kIdBlueWithBase = 1012,
        kIdRedWithBaseAvailable = 1013,
        kIdBlueWithBaseAvailable = 1014,
        kIdSetClock = 1040,
        kIdAdvanced = 1041,
        kIdInfo = 1042,
    };
    static constexpr int kCheckMs = 1000;

    // hardware answers the Base input and the platform version and, with
    // radio, serves the unit information screen; both outlive the screen.
    CConfigurationDialog(SensorHardware& hardware, RadioLink& radio, QWidget* parent = nullptr);

    // The filter screen the survey screen's custom settings open (optional).
    void SetFilterScreen(CFilterDialog* screen) { m_filterScreen = screen; }

    setup::StationChoice Choice() const { return m_choice; }
    bool BasePairsUsable() const { return m_baseUsable; }
    // Reads the Base input again (the timer's work).
    void CheckAvailability();

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;

private:
    void OnChoice(setup::StationChoice choice);
    void OnSetClock();
    void OnAdvanced();
    void OnInfo();
    void OnOk();
    void ShowValues();

    SensorHardware& m_hw;
    RadioLink& m_radio;
    CFilterDialog* m_filterScreen = nullptr;
    setup::StationChoice m_choice = setup::StationChoice::RedWithBlue;
    int32_t m_osVersion = 0;    // platform version x 100, read at opening
    bool m_baseUsable = false;  // the Base pairs may be chosen now
};
