#include "hardware/HardwareStartup.h"

#include "hardware/Power.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UserActivity.h"
#include "settings/Configuration.h"

void StartSensorHardware() {
    SensorHardware& hw = Hardware();
    LoadRange7Bases();
    SetBacklightControl([](int percent) { Hardware().SetBacklight(percent); });
    hw.SetBacklight(g_configuration.brightness * 10);
    hw.SetNotchMode(g_configuration.notchMode);
    if (g_configuration.testMode) Radio().DumpRadioInfo();
}

bool ExternalSupplyAtStart() { return IsExternalSupplyAtStart(Hardware()); }
