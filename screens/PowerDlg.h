#pragma once
// screens/PowerDlg.h — shown at start-up instead of the main screen's start
// when the unit was switched on by connecting an external supply: a black
// screen with one POWER button. The display goes off 5 s after opening and 5 s
// after each touch; while the battery charges the red LED blinks. POWER
// switches the display on and lets start-up go on. The screen is black in
// either colour scheme, so its button is drawn as the light-on-black scheme
// draws it while the screen is shown.

#include <cstdint>

#include "ui/DialogBase.h"

class SensorHardware;

class CPowerDlg : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 312,
        kIdPower = 1000,
        kIdTimer = 1,
    };
    static constexpr int kTickMs = 100;
    static constexpr uint32_t kDisplayOnMs = 5000;  // after opening and after each touch
    static constexpr int kLedPeriod = 20;      // blink counter 0 ... 20
    static constexpr int kLedOnCounts = 10;    // red for counts 0 ... 9

    // Drives hardware's display power and LEDs; it outlives the screen.
    explicit CPowerDlg(SensorHardware& hardware, QWidget* parent = nullptr);

    // One timer step: the display goes off once 5 s have passed on the
    // platform clock since opening or the last touch; the LEDs follow the
    // power source.
    void Tick();
    bool DisplayOn() const { return m_displayOn; }

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnPaint(QPainter& painter) override;
    void OnPenDown(QPoint at) override;
    void done(int result) override;  // the operator's colours return

private:
    void OnPower();
    void SetDisplay(bool on);

    SensorHardware& m_hw;
    uint32_t m_touchTick = 0;  // platform tick count of the opening or last touch
    int m_ledCounter = 0;
    bool m_displayOn = true;
    int m_savedScheme = 0;
    bool m_schemeForced = false;  // m_savedScheme holds the operator's scheme
};
