#include "hardware/Power.h"

#include "hardware/SensorHardware.h"

namespace {

constexpr int32_t kBatteryChannel = 4;
constexpr float kDivider = 2.8666668f;  // 43/15
constexpr float kBarEdges[] = {7.3f, 7.225f, 7.15f, 7.075f, 7.0f, 6.5f};  // 5 bars down to 0

}  // namespace

std::optional<float> ReadBatteryVoltage(SensorHardware& hardware) {
    const int32_t raw = hardware.ReadAuxAdc(kBatteryChannel);
    if (raw < 0) return std::nullopt;
    return static_cast<float>(raw) * static_cast<float>(SensorHardware::ReferenceVoltage()) / 1024.0f * kDivider;
}

float GetBatteryVoltage(SensorHardware& hardware) { return ReadBatteryVoltage(hardware).value_or(0.0f); }

int32_t GetBatteryBars(float volts) {
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kBarEdges)); ++i)
        if (volts > kBarEdges[i]) return 5 - i;
    return -1;
}

int32_t GetBatteryBars(SensorHardware& hardware) { return GetBatteryBars(GetBatteryVoltage(hardware)); }

bool IsExternalSupplyAtStart(SensorHardware& hardware) { return hardware.IsExternalSupplyPresent(); }

bool ChargerStops(float packVolts) { return packVolts > kChargerStopVolts; }

PowerStatus PowerPolicyStep(SensorHardware& hardware, uint32_t halfSeconds) {
    PowerStatus s;
    s.source = hardware.GetPowerSource();
    if (s.source == 0) {
        s.picture = PowerStatus::Picture::Charging;
        s.frame = static_cast<int32_t>(halfSeconds % 5);
        return s;
    }
    const std::optional<float> volts = ReadBatteryVoltage(hardware);
    s.batteryRead = volts.has_value();
    if (s.source == 1) {
        s.picture = PowerStatus::Picture::Full;
        hardware.SetChargerShutdown(ChargerStops(volts.value_or(0.0f)));
        return s;
    }
    // A reading that never came is no flat battery: a unit whose converter
    // does not answer keeps running and shows the empty picture.
    if (!volts) return s;
    s.level = GetBatteryBars(*volts);
    if (s.level < 0) {
        hardware.PowerOff();
        s.poweredOff = true;
        s.level = 0;
    }
    if (s.level == 0) s.picture = halfSeconds % 2 ? PowerStatus::Picture::Blank : PowerStatus::Picture::Empty;
    else s.picture = PowerStatus::Picture::Level;
    return s;
}
