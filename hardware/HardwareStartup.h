#pragma once
// hardware/HardwareStartup.h — bringing the sensor hardware up at start-up.

// Makes the program's SensorHardware (opening every device), loads the Range
// 7 bases from the factory record, gives the user-activity rule its
// backlight, applies the configured backlight and notch, and in test mode
// writes the receivers' information to the event log.
void StartSensorHardware();

// The program's SensorHardware reports an external supply at start.
bool ExternalSupplyAtStart();
