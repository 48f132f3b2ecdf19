#pragma once
// screens/SetClockDialog.h — "SET DATE AND TIME": year, month, day, hour and
// minute, each stepped by one or ten within its limits. OK sets the unit's
// clock when the record was changed. The platform refuses a date that does
// not exist (31 April), so such an entry leaves the clock as it was.

#include "hardware/UnitCare.h"
#include "platform/Clock.h"
#include "ui/DialogBase.h"

class CSetClockDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 316,
        kIdOk = 1110,
        kIdYear = 1212,
        kIdMonth = 1213,
        kIdDay = 1214,
        kIdHour = 1215,
        kIdMinute = 1216,
    };
    // One step button: its identifier, the field and the step.
    struct ClockStep {
        int id;
        unitcare::ClockField field;
        int delta;
    };
    static const ClockStep kSteps[20];

    explicit CSetClockDialog(QWidget* parent = nullptr);

    // The record as it stands, and whether OK's request to set it succeeded
    // (false also when nothing had changed).
    const platform::SystemTime& Time() const { return m_time; }
    bool ClockSet() const { return m_clockSet; }

protected:
    void OnInitDialog() override;

private:
    void OnStep(const ClockStep& step);
    void OnOk();
    void ShowValues();

    platform::SystemTime m_time;
    platform::SystemTime m_read;  // as read, seconds cleared
    bool m_clockSet = false;
};
