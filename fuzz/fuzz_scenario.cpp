// A scenario file, and the first samples its world gives every station.

#include <array>

#include "fuzz/FuzzUnit.h"
#include "sim/Scenario.h"
#include "sim/World.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::Scenario scenario;
    try {
        scenario = sim::ParseScenario(fuzz::Bytes(data, size));
        scenario.Validate();
    } catch (const sim::ScenarioError&) {
        return 0;
    }
    scenario.ExpectedDelaySamples();
    sim::SignalWorld world(scenario);
    std::array<int16_t, 256> samples{};
    for (int s = 0; s < sim::kStationCount; ++s) {
        world.Render(static_cast<sim::Station>(s), 0, samples);
        world.Render(static_cast<sim::Station>(s), 36000000, samples);  // an hour in
    }
    return 0;
}
