#pragma once
// app/StartupSteps.h — the device preparation the application runs before its
// main screen: touch calibration, time zone, file protection, data folder,
// tidying of stray results and the profile key. No Qt here.

#include <filesystem>
#include <string>

#include "platform/Clock.h"
#include "settings/Configuration.h"

namespace startup {

constexpr const char* kProgramFile = "\\NandFlash\\TamrikDialogs.exe";
constexpr const char* kProfileKey = "Ostrelon Limited";
// Calibration attempts before start-up gives up and carries on uncalibrated.
constexpr int kMaxCalibrationAttempts = 5;

// The calibration counts as present when the touch key cannot be opened, or
// when it holds "CalibrationData".
bool TouchCalibrationPresent();

// Before 2010 (a reset clock) or without calibration data: put the stored copy
// back, or calibrate again and keep a copy in the configuration (saved).
void RestoreTouchCalibration(CConfiguration& config, const platform::SystemTime& now);

// An all-zero time-zone record: the unit's clock runs in UTC.
void ApplyTimeZone();

// Read-only and hidden on the program and its libraries; hidden on the data files.
void ProtectFiles();

// "\NandFlash\Data\"; an existing folder is no error.
void CreateDataFolder();

// Moves stray results from "\NandFlash\" into dataFolder, unless it is that
// folder itself. A failed move is ignored.
void TidyStrayResults(const std::string& dataFolder);

// Puts the language packs shipped with the program (host folder of "DEU.txt",
// "FAS.txt": codes of one to four letters) on the flash as
// "\NandFlash\TamrikDialogsDEU.dll", each only when the unit has no pack of
// that code, so that a pack the unit already carries is never replaced.
// Returns the number of packs copied; a missing folder copies none.
int InstallShippedLanguagePacks(const std::filesystem::path& folder);

// The registry key under which the program keeps its profile settings.
void SetProfileKey();

// Steps one to six in order: time read, calibration, time zone, protection,
// data folder, tidying.
void PrepareDevice(CConfiguration& config);

}  // namespace startup
