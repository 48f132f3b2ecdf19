// A saved run as a velocity computation point: the pipe's length across, the
// peak delay up at the run's own rate, in the display units.

#include <gtest/gtest.h>

#include <sstream>

#include "dsp/RunPoint.h"

namespace {

// A run of two sections (100 m + 50 m) between Yellow and Blue whose
// correlation peaks at lag samples. Decimated as START decimates: the run's
// rate changes, its pipe keeps the 10000 Hz it was made with.
std::unique_ptr<CCorrelation> RunWithPeak(float rate, int32_t lag) {
    auto run = std::make_unique<CCorrelation>(500, 100, 100.0f, 1, 10000.0f);
    run->SetSampleRate(rate);
    run->SetRange(100.0f, 1);
    for (float metres : {100.0f, 50.0f}) {
        PipeSegment s;
        s.SetLength(metres, LengthUnit::Metres);
        s.SetVelocity(1250.0f);
        run->Pipe().AddSection(s);
    }
    run->Pipe().SetStations(StationCode::Yellow, StationCode::Blue);
    run->Accumulator(0)[static_cast<size_t>(run->MaxLag() + lag)] = 5000;
    return run;
}

std::optional<RunPoint> ThroughFile(const CCorrelation& run, LengthUnit length, TimeUnit time) {
    std::stringstream file;
    run.Write(file);
    return ReadRunPoint(file, {}, length, time);
}

}  // namespace

// The same lag is five times the delay in a run decimated to 2000 Hz, though
// its pipe record still says 10000; a reopened file keeps its rate, in any
// display unit.
TEST(RunPoint, DelayUsesTheRunsSampleRate) {
    struct Row { float rate; int32_t lag; LengthUnit length; TimeUnit time; float x, y; };
    for (const Row& r : {Row{10000.0f, -40, LengthUnit::Metres, TimeUnit::Seconds, 150.0f, -0.004f},
                         Row{2000.0f, -40, LengthUnit::Metres, TimeUnit::Seconds, 150.0f, -0.02f},
                         Row{2000.0f, 25, LengthUnit::Feet, TimeUnit::Milliseconds, 150.0f * 3.28084f, 12.5f}}) {
        const auto run = RunWithPeak(r.rate, r.lag);
        ASSERT_EQ(run->Pipe().GetSampleRate(), 10000.0f);
        for (const std::optional<RunPoint>& p : {PointOfRun(*run, r.length, r.time), ThroughFile(*run, r.length, r.time)}) {
            ASSERT_TRUE(p.has_value()) << r.rate;
            EXPECT_NEAR(p->separation, r.x, 1e-3f) << r.rate;
            EXPECT_FLOAT_EQ(p->delay, r.y) << r.rate << " " << r.lag;
            EXPECT_EQ(p->stationA, StationCode::Yellow);
        }
    }
}

// The first point names the stations at the graph's ends; later ones do not.
TEST(RunPoint, FirstPointSetsTheStationsAndEveryPointIsIncluded) {
    Computation c;
    AddRunPoint(c, RunPoint{100.0f, 0.01f, StationCode::Yellow, StationCode::Red});
    AddRunPoint(c, RunPoint{200.0f, 0.03f, StationCode::Blue, StationCode::Base});
    EXPECT_EQ(c.leftStation, 3);
    EXPECT_EQ(c.rightStation, 1);
    ASSERT_EQ(c.points.GetCount(), 2);
    EXPECT_EQ(c.points.Point(1).x, 200.0f);
}

TEST(RunPoint, UnreadableRunGivesNoPointAndTheReadersMessage) {
    std::istringstream junk("TkCo....");
    std::string error;
    EXPECT_FALSE(ReadRunPoint(junk, {}, LengthUnit::Metres, TimeUnit::Seconds, &error).has_value());
    EXPECT_NE(error.find("CCorrelation Read"), std::string::npos) << error;
    std::stringstream truncated;
    RunWithPeak(10000.0f, 3)->Write(truncated);
    std::istringstream cut(truncated.str().substr(0, truncated.str().size() - 9));
    EXPECT_FALSE(ReadRunPoint(cut, {}, LengthUnit::Metres, TimeUnit::Seconds).has_value());
}
