// Velocity computation: the least-squares fit, the ".comp" file, the result
// lines and the graph scales.

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <vector>
#include <tuple>

#include "Bytes.h"
#include "archive/Archive.h"
#include "pipe/ComputationFile.h"
#include "pipe/ComputeResults.h"

namespace {

LinearRegression Points(std::initializer_list<std::pair<float, float>> xy) {
    LinearRegression r;
    for (const auto& [x, y] : xy) r.Append(x, y);
    return r;
}

std::string Point(float x, float y, uint8_t included) {
    return bytes::F32(x) + bytes::F32(y) + std::string{static_cast<char>(included), 0, 0, 0};
}

// (100 m, 0.05 s) and (200 m, 0.15 s, excluded), stations Blue and Red.
std::string CompFile(int16_t version = 1, int32_t listSize = 28, int32_t lrdtSize = 8, int32_t right = 1) {
    const std::string body = bytes::I32(0) + bytes::I32(0) + bytes::I32(listSize) + bytes::I32(2) +
                             Point(100.0f, 0.05f, 1) + Point(200.0f, 0.15f, 0);
    return std::string("TkLR") + bytes::I32(2) + bytes::I16(version) + "LinR" + bytes::I32(40) + body + "LRDt" +
           bytes::I32(lrdtSize) + bytes::I32(2) + bytes::I32(right);
}

// The four result lines, one a line.
std::u16string Lines(const ComputeResultTexts& t) {
    return t.separation + u"\n" + t.leakDistance + u"\n" + t.velocity + u"\n" + t.delay;
}

std::string ReadError(const std::string& file, Computation& c) {
    std::istringstream is(file);
    try {
        ReadComputation(is, c, LengthUnit::Metres, TimeUnit::Seconds);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(LeastSquares, TwoPointsGiveVelocityAndSourceDistance) {
    const LinearRegression r = Points({{100.0f, 0.05f}, {200.0f, 0.15f}});
    EXPECT_NEAR(r.GetSlope(), 0.001f, 1e-7f);
    EXPECT_NEAR(r.GetIntercept(), -0.05f, 1e-6f);
    EXPECT_EQ(Lines(ComputeResults(r, 1, LengthUnit::Metres, TimeUnit::Seconds)),
              u"SENSOR SEPARATION: 200.0m\nLEAK DISTANCE: 25.0m\nCALCULATED VELOCITY: 1000.0m/s\nMEASURED TIME DELAY: 0.1500s");
}

TEST(ResultTexts, EmptyWithoutPointsAndValuelessWithOneIncluded) {
    LinearRegression r;
    EXPECT_EQ(Lines(ComputeResults(r, 0, LengthUnit::Metres, TimeUnit::Seconds)), u"\n\n\n");
    r = Points({{328.0f, 50.0f}, {656.0f, 150.0f}});
    r.ToggleIncluded(0);
    EXPECT_EQ(Lines(ComputeResults(r, 0, LengthUnit::Feet, TimeUnit::Milliseconds)),
              u"SENSOR SEPARATION: 328.0ft\nLEAK DISTANCE: \nCALCULATED VELOCITY: \nMEASURED TIME DELAY: ");
    r.ToggleIncluded(0);
    const ComputeResultTexts t = ComputeResults(r, 0, LengthUnit::Feet, TimeUnit::Milliseconds);
    EXPECT_EQ(t.velocity + t.delay, u"CALCULATED VELOCITY: 3.2800ft/msMEASURED TIME DELAY: 50.0ms");
    EXPECT_EQ(AxisTitle(u"SENSOR SEPARATION (m)", u"(ft)"), u"SENSOR SEPARATION (ft)");
}

// Included points at one separation fix no line: the division by zero once
// showed "nanm/s" and "-nanm", and the float sums' rounding a velocity that
// looks real (three points at 60.96 m: "4096.0m/s"). A point left out does
// not count; a slope of 0 gives no speed either.
TEST(ResultTexts, PointsAtOneSeparationLeaveVelocityAndDistanceUndefined) {
    struct Row { std::vector<std::pair<float, float>> xy; LengthUnit unit; };
    const Row rows[] = {
        {{{100.0f, 0.05f}, {100.0f, 0.15f}}, LengthUnit::Metres},
        {{{328.084f, 10.0f}, {328.084f, 20.0f}, {328.084f, 45.0f}}, LengthUnit::Feet},
        {{{60.96f, 0.01f}, {60.96f, 0.02f}, {60.96f, 0.045f}, {200.0f, 0.15f}}, LengthUnit::Metres},
        {{{100.0f, 0.05f}, {200.0f, 0.05f}}, LengthUnit::Metres},
    };
    for (const Row& row : rows) {
        LinearRegression r;
        for (const auto& [x, y] : row.xy) r.Append(x, y);
        if (r.Size() == 4) r.ToggleIncluded(3);  // the one at another separation
        const ComputeResultTexts t = ComputeResults(r, 0, row.unit, TimeUnit::Seconds);
        EXPECT_EQ(t.velocity, u"CALCULATED VELOCITY: UNDEFINED") << r.Size();
        EXPECT_EQ(t.leakDistance, u"LEAK DISTANCE: UNDEFINED") << r.Size();
        EXPECT_NE(t.delay, u"MEASURED TIME DELAY: ") << r.Size();
    }
}

TEST(ComputationFile, WritesTheHandBuiltBytesThatReadBackInFeetAndMilliseconds) {
    Computation c;
    c.points = Points({{100.0f, 0.05f}, {200.0f, 0.15f}});
    c.points.ToggleIncluded(1);
    c.leftStation = 2;
    c.rightStation = 1;
    std::ostringstream os;
    WriteComputation(os, c, LengthUnit::Metres, TimeUnit::Seconds);
    EXPECT_EQ(os.str(), CompFile());
    EXPECT_EQ(os.str().size(), 10u + 8u + 40u + 16u);
    c = Computation{};
    std::istringstream is(CompFile());
    const ComputationUnits stored = ReadComputation(is, c, LengthUnit::Feet, TimeUnit::Milliseconds);
    EXPECT_TRUE(stored.length == LengthUnit::Metres && stored.time == TimeUnit::Seconds);
    ASSERT_EQ(c.points.Size(), 2u);
    EXPECT_FLOAT_EQ(c.points.Point(0).x, 100.0f * 3.28084f);
    EXPECT_FLOAT_EQ(c.points.Point(1).y, 150.0f);
    EXPECT_EQ(std::vector<int>({c.points.Point(1).included, c.leftStation, c.rightStation}), std::vector<int>({0, 2, 1}));
}

TEST(ComputationFile, EachDefectRaisesItsOwnMessage) {
    Computation c;
    EXPECT_EQ(ReadError(CompFile(2), c), "CComputeDialog Read: Unsupported version");
    EXPECT_EQ(ReadError(CompFile(1, 12 * 2 + 8), c), "Error in size of linear regression data chunk");
    EXPECT_EQ(ReadError("TkLr" + CompFile().substr(4), c), "CComputeDialog Read: Unknown file type");
    EXPECT_EQ(ReadError(CompFile(1, 28, 9), c), "CComputeDialog Read: Unknown file type");
    EXPECT_EQ(ReadError(CompFile().substr(0, 60), c), "CComputeDialog Read: Unknown file type");
    EXPECT_EQ(ReadError("", c), "CComputeDialog Read: Unknown file type");
    // A separation or delay that is not a number has no place in the fit.
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        for (size_t at : {34u, 38u}) {
            std::string file = CompFile();
            file.replace(at, 4, bytes::F32(bad));
            EXPECT_EQ(ReadError(file, c), "CComputeDialog Read: Unknown file type") << at;
        }
    }
    // A rejected header leaves the points alone.
    c.points = Points({{1.0f, 2.0f}});
    ReadError(CompFile(2), c);
    ASSERT_EQ(c.points.Size(), 1u);
    EXPECT_EQ(c.points.Point(0).x, 1.0f);
}

// However far the reading got, a broken file leaves the points the screen
// had: none of the file's, none lost.
TEST(ComputationFile, ReadBrokenAnywhereKeepsThePreviousPoints) {
    const std::string file = CompFile();
    for (size_t cut = 0; cut < file.size(); ++cut) {
        Computation c;
        c.points = Points({{1.0f, 2.0f}, {3.0f, 4.0f}});
        c.leftStation = 3;
        EXPECT_NE(ReadError(file.substr(0, cut), c), "") << cut;
        ASSERT_EQ(c.points.Size(), 2u) << cut;
        EXPECT_EQ(c.points.Point(1).x, 3.0f) << cut;
        EXPECT_EQ(c.leftStation, 3) << cut;
    }
    Computation c;
    c.points = Points({{1.0f, 2.0f}});
    EXPECT_EQ(ReadError(CompFile(1, 28, 8, 7), c), "CComputeDialog Read: Unknown file type");
    EXPECT_EQ(c.points.Size(), 1u);
}

TEST(ComputationFile, HostileCountsAllocateNothing) {
    Computation c;
    // 12 x 0x20000000 + 4 wraps to this in 32 bits.
    std::string wrapped = CompFile();
    wrapped.replace(26, 8, bytes::I32(static_cast<int32_t>(0x80000004u)) + bytes::I32(0x20000000));
    EXPECT_EQ(ReadError(wrapped, c), "Error in size of linear regression data chunk");
    std::string huge = CompFile();
    huge.replace(26, 8, bytes::I32(1200000004) + bytes::I32(100000000));
    EXPECT_EQ(ReadError(huge, c), "CComputeDialog Read: Unknown file type");
    EXPECT_LE(c.points.Size(), 3u);
}

TEST(SeparationAxis, StepGrowsToCoverTheFarthestPointOrZeroCrossing) {
    for (const auto& [x, step, steps] : {std::tuple{0.8f, 0.1f, 8}, {3.0f, 0.5f, 6}, {120.0f, 20.0f, 6}}) {
        const SeparationScale s = SeparationAxis(Points({{x, 0.0f}}));
        EXPECT_FLOAT_EQ(s.step, step) << x;
        EXPECT_EQ(s.steps, steps) << x;
    }
    // The line y = 0.0005 x - 0.015 crosses zero at 30, beyond both points.
    const SeparationScale s = SeparationAxis(Points({{10.0f, -0.01f}, {20.0f, -0.005f}}));
    EXPECT_FLOAT_EQ(s.step, 5.0f);
    EXPECT_EQ(s.steps, 6);
    EXPECT_EQ(SeparationTickLabel(s, 3), u"15.0");
}

TEST(DelayAxis, OneSignStartsAtZeroAndMixedSignsBracketBoth) {
    DelayScale d = DelayAxis(Points({{1.0f, 0.05f}, {2.0f, 0.15f}}), TimeUnit::Seconds);
    EXPECT_EQ(d.bottom, 0.0f);
    EXPECT_NEAR(d.step, 0.05f, 1e-6f);
    d = DelayAxis(Points({{1.0f, -30.0f}, {2.0f, -3.0f}}), TimeUnit::Milliseconds);
    EXPECT_NEAR(d.step, 10.0f, 1e-4f);
    EXPECT_NEAR(d.bottom, -40.0f, 1e-4f);
    d = DelayAxis(Points({{1.0f, -3.0f}, {2.0f, 5.0f}}), TimeUnit::Milliseconds);
    EXPECT_FLOAT_EQ(d.step, 2.5f);
    EXPECT_FLOAT_EQ(d.bottom, -5.0f);
    EXPECT_EQ(DelayTickLabel(d.bottom, TimeUnit::Milliseconds), u"-5.0");
    EXPECT_EQ(DelayTickLabel(0.05f, TimeUnit::Seconds), u"0.0500");
}
