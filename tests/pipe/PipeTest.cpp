// The pipe: leak position from a delay, totals, cut-offs, descriptions, the
// section slots and the pipe record.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <tuple>
#include <vector>

#include "Bytes.h"
#include "archive/Archive.h"
#include "pipe/Materials.h"
#include "pipe/Pipe.h"

namespace {

PipeSegment Section(float metres, float velocity, std::u16string name = u"STEEL") {
    PipeSegment s;
    s.SetMaterial(name);
    s.SetLength(metres, LengthUnit::Metres);
    DiameterBand band{100.0f, 199.0f, velocity, {}, {}};
    for (int i = 0; i < kRangeCount; ++i) {
        band.general[i] = {100 * (i + 1), 2000 - 100 * i};
        band.hydrophone[i] = {10 * (i + 1), 600};
    }
    s.SetBand(band);
    return s;
}

CPipe PipeOf(std::initializer_list<PipeSegment> sections) {
    CPipe pipe(10000.0f);
    for (const PipeSegment& s : sections) pipe.AddSection(s);
    return pipe;
}

}  // namespace

TEST(LeakPosition, EmptyPipeGivesZerosAndTheOpenBand) {
    CPipe pipe(10000.0f);
    pipe.SetDelay(0.05f, DelayUnit::Seconds);
    EXPECT_EQ(std::vector<float>({pipe.GetTotalTime(DelayUnit::Seconds), pipe.GetTotalLength(LengthUnit::Metres),
                                  pipe.GetDistanceFromA(LengthUnit::Metres), pipe.GetDistanceFromB(LengthUnit::Metres),
                                  pipe.GetLowCutoff(), pipe.GetHighCutoff()}),
              std::vector<float>({0, 0, 0, 0, 0, 5000}));
    EXPECT_EQ(pipe.GetDescription(LengthUnit::Metres), u"");
}

TEST(LeakPosition, SingleSectionMidpointEndAndBeyond) {
    CPipe pipe = PipeOf({Section(100.0f, 1000.0f)});
    // No delay: the middle; 1000 samples (+0.1 s): the far end; 200 ms, beyond the pipe: clamped there.
    for (const auto& [delay, unit, fromA] : {std::tuple{0.0f, DelayUnit::Seconds, 50.0f}, {1000.0f, DelayUnit::Samples, 100.0f},
                                             {200.0f, DelayUnit::Milliseconds, 100.0f}}) {
        pipe.SetDelay(delay, unit);
        EXPECT_FLOAT_EQ(pipe.GetDistanceFromA(LengthUnit::Metres), fromA) << delay;
        EXPECT_FLOAT_EQ(pipe.GetDistanceFromB(LengthUnit::Metres), 100.0f - fromA) << delay;
    }
    pipe.SetDelay(-0.05f, DelayUnit::Seconds);
    EXPECT_FLOAT_EQ(pipe.GetDistanceFromA(LengthUnit::Feet), 25.0f * 3.28084f);
}

TEST(LeakPosition, TwoSectionsOfDifferentVelocityWalkFromEachEnd) {
    CPipe pipe = PipeOf({Section(100.0f, 1000.0f), Section(100.0f, 500.0f)});
    pipe.SetDelay(0.0f, DelayUnit::Seconds);
    EXPECT_FLOAT_EQ(pipe.GetTotalTime(DelayUnit::Seconds), 0.3f);
    EXPECT_NEAR(pipe.GetDistanceFromA(LengthUnit::Metres), 125.0f, 1e-3f);
    EXPECT_NEAR(pipe.GetDistanceFromB(LengthUnit::Metres), 75.0f, 1e-3f);
}

TEST(LeakPosition, SurveyRangeFixesTheTotalTime) {
    CPipe pipe(10000.0f);
    pipe.SetSurveyRange(kSurveyMaximum);
    EXPECT_FLOAT_EQ(pipe.GetTotalTime(DelayUnit::Samples), 20000.0f);
    pipe.SetSurveyRange(kSurveyLong);
    EXPECT_TRUE(pipe.IsSurvey());
    EXPECT_FLOAT_EQ(pipe.GetTotalTime(DelayUnit::Seconds), 1.0f);
    EXPECT_EQ(pipe.GetDescription(LengthUnit::Metres), u"SURVEY LONG RANGE");
    pipe.Clear();
    EXPECT_FALSE(pipe.IsSurvey());
}

// A band velocity of 0 used to divide by zero: infinite total time and NaN
// distances. Such a section now has no travel time.
TEST(LeakPosition, ZeroVelocitySectionGivesFiniteDistancesAndDescriptions) {
    CPipe pipe = PipeOf({Section(100.0f, 0.0f), Section(100.0f, 1000.0f)});
    pipe.SetDelay(0.0f, DelayUnit::Seconds);
    EXPECT_FLOAT_EQ(pipe.GetTotalTime(DelayUnit::Seconds), 0.1f);
    EXPECT_FLOAT_EQ(pipe.GetDistanceFromA(LengthUnit::Metres), 150.0f);
    EXPECT_FLOAT_EQ(pipe.GetDistanceFromB(LengthUnit::Metres), 50.0f);
    CPipe zeroOnly = PipeOf({Section(0.0f, 0.0f)});
    EXPECT_EQ(zeroOnly.GetTotalTime(DelayUnit::Samples), 0.0f);
    EXPECT_EQ(zeroOnly.GetDistanceFromA(LengthUnit::Metres), 0.0f);
    EXPECT_TRUE(std::isfinite(zeroOnly.GetLowCutoff()));
    EXPECT_EQ(pipe.GetSection(0).GetDescription(0, 0), u"100.0m STEEL (100 - 199mm, 0.0m/s)");
}

TEST(RecommendedCutoffs, LowestLowAndHighestHighOfTheRangeIndexAndSensorGroup) {
    // 100 m at 1000 m/s: 100 ms, range index 1.
    PipeSegment other = Section(50.0f, 1000.0f);
    DiameterBand band = other.GetBand();
    band.general[1] = {150, 2500};
    other.SetBand(band);
    CPipe pipe = PipeOf({Section(50.0f, 1000.0f), other});
    EXPECT_EQ(pipe.GetLowCutoff(), 150.0f);
    EXPECT_EQ(pipe.GetHighCutoff(), 2500.0f);
    pipe.SetSensorType(1);
    EXPECT_EQ(pipe.GetLowCutoff(), 20.0f);
    EXPECT_EQ(pipe.GetHighCutoff(), 600.0f);
}

// The words come from the language's string table: a German unit's saved
// picture read "MULTI-SECTION" and "SURVEY LONG RANGE".
TEST(PipeDescription, NamesTheMaterialOrMultiSectionInTheLanguage) {
    CPipe pipe = PipeOf({Section(100.0f, 1000.0f, u"PVC")});
    EXPECT_EQ(pipe.GetDescription(LengthUnit::Metres), u"100.0m PVC");
    pipe.AddSection(Section(100.0f, 1000.0f));
    EXPECT_EQ(pipe.GetDescription(LengthUnit::Feet), u"656.2ft MULTI-SECTION");
    CPipe survey(10000.0f);
    survey.SetSurveyRange(kSurveyLong);
    SetMaterialNameSource([](uint32_t id) -> std::optional<std::u16string> {
        if (id == 610) return u"MEHRERE ABSCHNITTE";
        if (id == 613) return u"\u00DCBERSICHT LANG";
        return std::nullopt;
    });
    EXPECT_EQ(pipe.GetDescription(LengthUnit::Metres), u"200.0m MEHRERE ABSCHNITTE");
    EXPECT_EQ(survey.GetDescription(LengthUnit::Metres), u"\u00DCBERSICHT LANG");
    SetMaterialNameSource({});
    PipeSegment feet = Section(0.0f, 1200.0f);
    feet.SetLength(12.5f, LengthUnit::Feet);
    EXPECT_EQ(feet.GetDescription(1, 1), u"12.5ft STEEL (3.9 - 7.8in, 3.9370ft/ms)");
}

TEST(PipeSections, TenthInsertionLosesTheLastSectionAndKeepsTheCount) {
    CPipe pipe(10000.0f);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(pipe.AddSection(Section(static_cast<float>(i + 1), 1000.0f)));
    EXPECT_FALSE(pipe.AddSection(Section(99.0f, 1000.0f)));
    EXPECT_TRUE(pipe.InsertSection(0, Section(42.0f, 1000.0f)));
    EXPECT_EQ(pipe.GetSectionCount(), 10);
    EXPECT_EQ(pipe.GetSection(0).GetLength(LengthUnit::Metres), 42.0f);
    EXPECT_EQ(pipe.GetSection(9).GetLength(LengthUnit::Metres), 9.0f);
    EXPECT_FALSE(pipe.InsertSection(10, Section(1.0f, 1.0f)));
}

TEST(PipeSections, RemoveShiftsDownAndInsertShiftsUp) {
    CPipe pipe = PipeOf({Section(1.0f, 1000.0f), Section(2.0f, 1000.0f), Section(3.0f, 1000.0f)});
    pipe.RemoveSection(0);
    ASSERT_EQ(pipe.GetSectionCount(), 2);
    EXPECT_EQ(pipe.GetSection(0).GetLength(LengthUnit::Metres), 2.0f);
    pipe.InsertSection(1, Section(7.0f, 1000.0f));
    EXPECT_EQ(pipe.GetSectionCount(), 3);
    EXPECT_EQ(pipe.GetSection(1).GetLength(LengthUnit::Metres), 7.0f);
    EXPECT_EQ(pipe.GetSection(2).GetLength(LengthUnit::Metres), 3.0f);
    EXPECT_FALSE(pipe.RemoveSection(-1));
    EXPECT_THROW(pipe.GetSection(10), std::out_of_range);
}

namespace {

// One 25 ft "PVC" section at 480 m/s, cut-offs (1, 2) everywhere: the record by hand.
std::string OneSectionRecord(int32_t count, float rate = 10000.0f, int32_t stationA = 2) {
    std::string band = bytes::F32(75.0f) + bytes::F32(99.0f) + bytes::F32(480.0f);
    for (int i = 0; i < 12; ++i) band += bytes::I32(1) + bytes::I32(2);
    std::string body = bytes::I32(count) + bytes::I32(stationA) + bytes::I32(3) + bytes::F32(-0.025f) + bytes::F32(rate) +
                       bytes::I32(4 * 16 + 1);
    body += bytes::F32(25.0f) + bytes::I32(1) + band + bytes::Str("PVC") + bytes::I32(1);
    return bytes::I32(static_cast<int32_t>(body.size())) + body;
}

PipeSegment PvcSection() {
    PipeSegment s;
    s.SetMaterial(u"PVC");
    s.SetMaterialGroup(1);
    s.SetLength(25.0f, LengthUnit::Feet);
    DiameterBand band{75.0f, 99.0f, 480.0f, {}, {}};
    for (int i = 0; i < kRangeCount; ++i) band.general[i] = band.hydrophone[i] = {1, 2};
    s.SetBand(band);
    return s;
}

}  // namespace

// The writer is pinned to the hand-built bytes, so a pipe read from them
// that writes them back has read every field, the packed word too.
TEST(PipeRecord, WritesTheHandBuiltBytesAndReadsThemBack) {
    CPipe pipe(10000.0f);
    pipe.SetStations(StationCode::Blue, StationCode::Yellow);
    pipe.SetSensorType(1);
    pipe.SetDelay(-0.025f, DelayUnit::Seconds);
    pipe.AddSection(PvcSection());
    std::ostringstream os, again;
    pipe.Write(os);
    EXPECT_EQ(os.str().size(), 4u + 24u + 130u);
    EXPECT_EQ(os.str(), OneSectionRecord(1));
    std::istringstream is(OneSectionRecord(1));
    CPipe read(10000.0f);
    read.Read(is);
    read.Write(again);
    EXPECT_EQ(again.str(), OneSectionRecord(1));
    EXPECT_FLOAT_EQ(read.GetSection(0).GetLength(LengthUnit::Metres), 7.62f);
}

// A section count above ten used to be written into the ten slots and past
// them; a station code outside 0-3 would index past the converter and radio
// tables. Such a record is refused and the pipe keeps what it had.
TEST(PipeRecord, SectionCountOrStationCodeOutOfRangeIsRefused) {
    for (const std::string& record : {OneSectionRecord(11), OneSectionRecord(-1), OneSectionRecord(0x7FFFFFFF),
                                      OneSectionRecord(1, 10000.0f, 4), OneSectionRecord(1, 10000.0f, -1)}) {
        CPipe pipe = PipeOf({Section(5.0f, 1000.0f)});
        std::istringstream is(record);
        try {
            pipe.Read(is);
            ADD_FAILURE() << "record accepted";
        } catch (const archive::ArchiveError& e) {
            EXPECT_STREQ(e.what(), kPipeRecordError);
        }
        EXPECT_EQ(pipe.GetSectionCount(), 1);
        EXPECT_EQ(pipe.GetStationA(), StationCode::Red);
        EXPECT_EQ(pipe.GetSection(0).GetLength(LengthUnit::Metres), 5.0f);
    }
}

TEST(PipeRecord, TruncatedOrRatelessRecordIsRefused) {
    const std::string whole = OneSectionRecord(1);
    for (size_t cut : {size_t{3}, size_t{20}, size_t{100}, whole.size() - 1}) {
        CPipe pipe(10000.0f);
        std::istringstream is(whole.substr(0, cut));
        EXPECT_THROW(pipe.Read(is), archive::ArchiveError) << cut;
        EXPECT_EQ(pipe.GetSectionCount(), 0);
    }
    CPipe pipe(10000.0f);
    std::istringstream is(OneSectionRecord(1, 0.0f));
    EXPECT_THROW(pipe.Read(is), archive::ArchiveError);
}

// Lengths and travel times size a run's lag range: +3e38 m and -3e38 m at
// 1e-30 m/s made the total travel time NaN, and a replay of the run aborted.
TEST(PipeRecord, LengthsOrTimesThatAreNotFiniteNumbersAreRefused) {
    const float kHuge = 3e38f, kInf = std::numeric_limits<float>::infinity();
    const std::vector<std::vector<PipeSegment>> pipes = {
        {Section(kHuge, 1e-30f), Section(-kHuge, 1e-30f)},  // each time infinite, the sum NaN
        {Section(-5.0f, 1000.0f)},                          // no pipe is shorter than nothing
        {Section(kHuge, 1.0f), Section(kHuge, 1.0f)},       // finite sections, infinite total
        {Section(kInf, 1000.0f)},
    };
    for (size_t row = 0; row < pipes.size(); ++row) {
        CPipe written(10000.0f);
        for (const PipeSegment& s : pipes[row]) written.AddSection(s);
        std::stringstream ss;
        written.Write(ss);
        CPipe pipe = PipeOf({Section(5.0f, 1000.0f)});
        EXPECT_THROW(pipe.Read(ss), archive::ArchiveError) << row;
        EXPECT_EQ(pipe.GetTotalLength(LengthUnit::Metres), 5.0f) << row;
    }
    CPipe nanDelay(10000.0f);
    nanDelay.SetDelay(std::numeric_limits<float>::quiet_NaN(), DelayUnit::Seconds);
    std::stringstream ss;
    nanDelay.Write(ss);
    EXPECT_THROW(CPipe(10000.0f).Read(ss), archive::ArchiveError);
}

TEST(PipeRecord, TenSectionsRoundTrip) {
    CPipe pipe(5000.0f);
    pipe.SetSurveyRange(kSurveyMedium);
    for (int i = 0; i < 10; ++i) pipe.AddSection(Section(10.0f * (i + 1), 900.0f + i, u"S" + std::u16string(i, u'x')));
    std::stringstream ss;
    pipe.Write(ss);
    CPipe back(10000.0f);
    back.Read(ss);
    EXPECT_EQ(back.GetSectionCount(), 10);
    EXPECT_EQ(back.GetSampleRate(), 5000.0f);
    EXPECT_EQ(back.GetSurveyRange(), kSurveyMedium);
    EXPECT_EQ(back.GetSection(9).GetMaterial(), u"Sxxxxxxxxx");
    EXPECT_EQ(back.GetSection(9).GetVelocity(), 909.0f);
}
