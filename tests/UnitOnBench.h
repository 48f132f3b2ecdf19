#pragma once
// A fixture base for screen tests that need the unit itself: the settings
// kept and put back, a fresh unit root, a fake clock, the virtual unit with a
// given world, and the program's hardware and radio link on it. Install()
// builds the unit; the destructor takes it down in the order it was built.

#include <gtest/gtest.h>

#include <memory>

#include "ScopedSettings.h"
#include "TempUnitRoot.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "sim/VirtualUnit.h"

class UnitOnBench : public ::testing::Test {
protected:
    ~UnitOnBench() override {
        radio.reset();
        hw.reset();
        platform::SetDeviceProvider(nullptr);
    }
    void Install(const sim::Scenario& world = sim::DefaultScenario()) {
        unit = sim::InstallVirtualUnit(world);
        hw = std::make_unique<SensorHardware>();
        radio = std::make_unique<RadioLink>(*hw);
    }

    ScopedSettings settings;
    TempUnitRoot root;
    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
    std::shared_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<SensorHardware> hw;
    std::unique_ptr<RadioLink> radio;
};
