#pragma once
// A SensorHardware on a fresh virtual unit, a fake clock and a clean unit root.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScopedSettings.h"
#include "TempUnitRoot.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/DeviceIo.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"

// Collects what the acquisition chain hands over.
class CollectingSink : public SampleSink {
public:
    StationCode left = StationCode::Red, right = StationCode::Blue;
    float maxDelay = 0.1f;
    std::vector<int16_t> leftSamples, rightSamples;
    int32_t drops = 0, feeds = 0;

    StationCode LeftStation() const override { return left; }
    StationCode RightStation() const override { return right; }
    float MaxDelaySeconds() const override { return maxDelay; }
    void TakeSamples(const int16_t* l, int32_t nl, const int16_t* r, int32_t nr) override {
        leftSamples.insert(leftSamples.end(), l, l + nl);
        rightSamples.insert(rightSamples.end(), r, r + nr);
    }
    void DropUnread() override { ++drops; }
    int32_t FeedRecording(int32_t limit) override {
        ++feeds;
        return limit;
    }
};

// The shared buffers act registered and left registered: none should outlive
// the call or object that registered them.
inline std::vector<uint32_t> BuffersLeftRegistered(const std::function<void()>& act) {
    uint8_t marker = 0;
    const uint32_t before = platform::RegisterSharedBuffer(&marker, 1);
    act();
    const uint32_t after = platform::RegisterSharedBuffer(&marker, 1);
    std::vector<uint32_t> left;
    for (uint32_t token = before + 1; token < after; ++token)
        if (!platform::ResolveSharedBuffer(token).empty()) left.push_back(token);
    platform::UnregisterSharedBuffer(before);
    platform::UnregisterSharedBuffer(after);
    EXPECT_GT(after - before, 1u) << "nothing was registered";
    return left;
}

// A world without noise, hum or offsets unless a test adds them.
inline sim::Scenario QuietWorld() {
    sim::Scenario s = sim::DefaultScenario();
    for (sim::StationWorld& st : s.stations) st = sim::StationWorld{0.0, 0.0, 0.0, -60.0, {}, {}};
    s.leakLevel = 0;
    return s;
}

class HardwareFixture : public ::testing::Test {
protected:
    ScopedSettings settings;
    void SetUp() override {
        g_configuration = CConfiguration();
        g_factory = CFactoryRecord();
        g_replay = 0;
        unit = sim::InstallVirtualUnit(World());
        unit->ClearFaults();
        platform::SetDebugSink([this](std::string_view t) { debug += t; });
        hw = std::make_unique<SensorHardware>();
        unit->ClearRequests();
        debug.clear();
    }
    void TearDown() override {
        hw.reset();
        platform::SetDebugSink({});
        platform::SetDeviceProvider(nullptr);
        g_replay = 0;
    }
    // The world the unit starts in; fixtures override it.
    virtual sim::Scenario World() const { return QuietWorld(); }

    // Requests of one code sent since the last ClearRequests.
    size_t Sent(uint32_t code) const { return unit->RequestsWith(code).size(); }

    TempUnitRoot root;
    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
    std::shared_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<SensorHardware> hw;
    std::string debug;
};
