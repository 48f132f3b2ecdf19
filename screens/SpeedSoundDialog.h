#pragma once
// screens/SpeedSoundDialog.h — "LEAK LOCATION" / "CALCULATION": the speed of
// sound of the current pipe from a leak at a known position and the delay the
// correlation measured (SpeedOfSound in pipe/).
//
// BETWEEN SENSORS: the keypad enters the leak's distance from either station
// in the display length unit. OUT-OF-BRACKET: the noise lies beyond one
// station; the distance reads "0" and the keypad rests. APPLY (OK) gives the
// calculated velocity for the first section; DISCARD is cancel. APPLY is
// offered only for a usable velocity on a pipe that has a first section.
//
//   CSpeedSoundDialog screen(run.Pipe(), delaySeconds, this);
//   if (RunChild(screen) == kResultOk) run.Pipe().GetSection(0).SetVelocity(screen.Velocity());

#include <string>

#include "pipe/Pipe.h"
#include "pipe/SpeedOfSound.h"
#include "ui/DialogBase.h"

class CSpeedSoundDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 186,
        kIdLocationGroup = 1000,
        kIdEntry = 1001,
        kIdUnit = 1002,
        kIdBetweenSensors = 1010,
        kIdOutOfBracket = 1011,
        kIdFirstDigit = 1020,  // + 0-9
        kIdPoint = 1030,
        kIdClear = 1031,
        kIdDelay = 1041,
        kIdCurrentVelocity = 1043,
        kIdCalculatedVelocity = 1045,
        kIdAccuracy = 1047,
        kIdApply = 1,
        kIdDiscard = 2,
        kUndefinedString = 860,  // "UNDEFINED"
    };

    // pipe: the current correlation's pipe; delaySeconds: the delay it measured.
    CSpeedSoundDialog(const CPipe& pipe, float delaySeconds, QWidget* parent = nullptr);

    // The distance as typed ("0" out of bracket), and what it gives now.
    const std::string& EntryText() const { return m_text; }
    bool OutOfBracket() const { return m_outOfBracket; }
    const SpeedOfSound& Result() const { return m_result; }
    // After OK: the calculated velocity, m/s, and the pipe with it in the
    // first section's band.
    float Velocity() const { return m_result.velocity; }
    const CPipe& Pipe() const { return m_pipe; }

protected:
    void OnInitDialog() override;

private:
    void OnMode(bool outOfBracket);
    void OnKey(char key);
    void OnClear();
    void OnApply();
    bool CanApply() const;
    void ShowValues();
    void ShowLine(int id, const std::u16string& value);

    CPipe m_pipe;
    float m_delaySeconds;
    std::string m_text;
    bool m_outOfBracket = false;
    SpeedOfSound m_result;
};
