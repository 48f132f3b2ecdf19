#pragma once
// hardware/Power.h — battery readings and the power policy the main screen's
// half-second timer runs: the battery picture, the charger, power-off.

#include <cstdint>
#include <optional>

class SensorHardware;

// Pack voltage: battery channel x Vref / 1024 x 43/15 (the divider). nullopt
// when the converter gave no reading.
std::optional<float> ReadBatteryVoltage(SensorHardware& hardware);
// The same with a failed reading as 0 V.
float GetBatteryVoltage(SensorHardware& hardware);
// -1..5: > 7.3 V 5, > 7.225 V 4, > 7.15 V 3, > 7.075 V 2, > 7.0 V 1,
// > 6.5 V 0, else -1 (flat: switch off). Strict comparisons.
int32_t GetBatteryBars(float volts);
int32_t GetBatteryBars(SensorHardware& hardware);
// The unit was switched on by connecting a supply (VEXT_DET reads 0).
bool IsExternalSupplyAtStart(SensorHardware& hardware);

// The charger stops above this pack voltage on an external supply.
constexpr float kChargerStopVolts = 8.3f;
// On an external supply: whether the charger is held off at this pack voltage
// (strictly above kChargerStopVolts).
bool ChargerStops(float packVolts);

// What the battery icon shows after one policy step.
struct PowerStatus {
    enum class Picture {
        Charging,  // animation frame `frame` 0..4
        Full,      // external supply, not charging
        Level,     // bars `level` 1..5
        Empty,     // bars 0 (or a flat battery)
        Blank,     // the off phase of the empty picture's blink
    };
    int32_t source = 2;  // 0 charging, 1 external, 2 battery
    Picture picture = Picture::Empty;
    int32_t frame = 0;
    int32_t level = 0;
    bool batteryRead = true;  // false: the converter gave no reading
    bool poweredOff = false;  // PowerOff was requested
};

// One step, `halfSeconds` counting the calls: charging animates; an external
// supply stops the charger above 8.3 V and allows it at or below; on battery
// a flat pack (bars -1) switches the unit off. A battery that cannot be read
// shows empty and never switches the unit off.
PowerStatus PowerPolicyStep(SensorHardware& hardware, uint32_t halfSeconds);
