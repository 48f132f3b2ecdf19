#pragma once
// app/UnitCareHooks.h — where the unit-care screens join the program: the
// power screen at start-up, the status screen behind the About screen's
// STATUS, and the names a script opens them by.

// Fills the power-screen start-up hook and the About screen's status hook,
// and registers the script screens "status", "listen", "service", "clock",
// "brightness" and "touch-test" (ui/ScriptRunner.h "open NAME").
void InstallUnitCareHooks();
