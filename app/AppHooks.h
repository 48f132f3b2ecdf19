#pragma once
// app/AppHooks.h — the start-up steps that belong to other modules: hardware,
// language, material table, power and language screens. Start-up calls each
// once at its place; a hook left empty does nothing.

#include <functional>

struct StartupHooks {
    std::function<void()> startHardware;           // bring up the sensor hardware
    std::function<void()> applyLanguage;           // load the configured language library
    std::function<void()> createMaterials;         // create the global material table
    std::function<bool()> isExternalSupplyAtStart; // the unit was started on its charger
    std::function<void()> showPowerScreen;         // modal power screen
    std::function<void()> showLanguageScreen;      // modal language choice
    std::function<void()> destroyMaterials;        // at shutdown
};

// The hooks in force; modules fill them as they land.
StartupHooks& AppHooks();
