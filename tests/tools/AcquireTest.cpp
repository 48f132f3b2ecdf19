// corrtool acquire as a user runs it: the virtual unit's world with a leak at
// a known place, and the run's answer against the world's truth.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "TempUnitRoot.h"
#include "ToolRun.h"

class AcquireCommand : public ::testing::Test {
protected:
    TempUnitRoot root;
    Args Base() const { return {"--root", root.Path().string(), "acquire"}; }
    // corrtool acquire with these options on the test's unit root.
    ToolResult Run(const Args& options) const {
        Args args = Base();
        args.insert(args.end(), options.begin(), options.end());
        return Tool(args);
    }
};

TEST_F(AcquireCommand, DefaultWorldIsFoundAtFullAndDecimatedRates) {
    for (const char* rate : {"10000", "2000"}) {
        const ToolResult r = Run({"--seconds", "6", "--rate", rate});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NEAR(NumberOf(r.out, "peak_lag"), NumberOf(r.out, "scenario_delay_samples"), 1.0) << r.out;
        EXPECT_NEAR(NumberOf(r.out, "distance_a_m"), NumberOf(r.out, "scenario_distance_a_m"), 1.5) << r.out;
        EXPECT_GT(NumberOf(r.out, "snr"), 9.0);
        EXPECT_EQ(NumberOf(r.out, "blocks_overrun"), 0);
        // The loop restarts every finished acquisition: most of the time is correlated.
        EXPECT_GT(NumberOf(r.out, "samples_correlated"), 0.8 * 6 * std::stod(rate)) << r.out;
    }
}

TEST_F(AcquireCommand, SwappedStationsTurnTheDelayRound) {
    const ToolResult r = Run({"--seconds", "5", "--stations", "2,1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_GT(NumberOf(r.out, "scenario_delay_samples"), 0);
    EXPECT_NEAR(NumberOf(r.out, "peak_lag"), NumberOf(r.out, "scenario_delay_samples"), 1.0);
    EXPECT_NEAR(NumberOf(r.out, "scenario_distance_a_m"), 130.0, 1e-9);  // leak 70 m from Red on 200 m
}

TEST_F(AcquireCommand, ScenarioFileWithDropoutsAndClippingStillLocates) {
    const auto file = root.Path() / "field.txt";
    std::ofstream(file) << "seed 5\nsection 250 1100\nleak 180 350\n"
                           "station red noise 60 clip 3 0.02\nstation blue dropout 4 0.5\n";
    const ToolResult r = Run({"--seconds", "8", "--scenario", file.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NEAR(NumberOf(r.out, "peak_lag"), NumberOf(r.out, "scenario_delay_samples"), 1.0) << r.out;
}

TEST_F(AcquireCommand, BadOptionsAndScenariosAreRefused) {
    ToolResult r = Run({"--rate", "3000"});  // not 10000 / D
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("bad value for --rate"), std::string::npos);
    EXPECT_EQ(Run({"--pipe", "100:0"}).code, 2);
    r = Run({"--second", "8"});  // a misspelt option is no licence to acquire with defaults
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    const auto file = root.Path() / "bad.txt";
    std::ofstream(file) << "section 100 1000\nleak 10 abc\n";
    r = Run({"--scenario", file.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "corrtool: scenario line 2: 'abc' is not a number\n");
}

// A run too short to fill its lag window correlates nothing: neither the
// acquisition nor a replay of what it saved may print a peak or distances
// as if they were a result.
TEST_F(AcquireCommand, NothingCorrelatedPrintsNoResult) {
    const std::string name = (root.Path() / "short").string();
    const ToolResult acquired = Run({"--seconds", "0.1", "--out", name});
    const ToolResult replayed = Tool({"corr", "replay", name + ".corr"});
    for (const ToolResult* r : {&acquired, &replayed}) {
        EXPECT_EQ(FieldOf(r->out, "samples_correlated"), "0") << r->out;
        EXPECT_EQ(r->code, 1);
        EXPECT_NE(r->err.find("nothing was correlated"), std::string::npos) << r->err;
        for (const char* key : {"peak_lag", "snr", "distance_a_m", "distance_b_m"})
            EXPECT_EQ(FieldOf(r->out, key), "") << key;
    }
}
