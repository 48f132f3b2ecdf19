#pragma once
// platform/Touch.h — the touch panel's calibration stand-in.
//
// The unit's own routine asks the user to touch targets and leaves its result
// in the registry value "CalibrationData" under HKLM "HARDWARE\DEVICEMAP\TOUCH".
// Here the default routine writes a fixed identity calibration there; tests
// install their own.

#include <functional>

namespace platform {

constexpr const char* kTouchKey = "HARDWARE\\DEVICEMAP\\TOUCH";
constexpr const char* kTouchValue = "CalibrationData";

// Runs the calibration routine in force; true when it completed.
bool TouchCalibrate();

// Replaces the routine; an empty function restores the default.
void SetTouchCalibrator(std::function<bool()> calibrator);

}  // namespace platform
