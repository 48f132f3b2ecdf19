#pragma once
// screens/SetBrightnessDialog.h — the backlight: normal and dimmed brightness
// (10 % steps, previewed at once) and the time to dim in 5-minute steps
// ("---" never). OK stores the values; Cancel leaves them and the next touch
// returns the backlight to the stored level.

#include <cstdint>

#include "ui/DialogBase.h"

class SensorHardware;

class CSetBrightnessDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 315,
        kIdBrightnessDown = 1023,
        kIdBrightnessUp = 1024,
        kIdBrightness = 1200,
        kIdDimDown = 1025,
        kIdDimUp = 1028,
        kIdDim = 1199,
        kIdDelayDown = 1029,
        kIdDelayUp = 1030,
        kIdDelay = 1204,
        kIdOffDown = 1031,
        kIdOffUp = 1032,
        kIdOff = 1208,
    };

    // Previews on hardware's backlight; it outlives the screen.
    explicit CSetBrightnessDialog(SensorHardware& hardware, QWidget* parent = nullptr);

    // The working copies: brightness and dim level in tenths (1..10), the
    // times in 5-minute steps (0..6).
    int32_t Brightness() const { return m_brightness; }
    int32_t DimLevel() const { return m_dimLevel; }
    int32_t DimDelay() const { return m_dimDelay; }

protected:
    void OnInitDialog() override;

private:
    void OnLevel(int32_t& value, int delta);
    void OnTime(int32_t& value, int delta);
    void OnOk();
    void OnCancel();
    void ShowValues();

    SensorHardware& m_hw;
    int32_t m_brightness = 10, m_dimLevel = 1, m_dimDelay = 0, m_offDelay = 0;
};
