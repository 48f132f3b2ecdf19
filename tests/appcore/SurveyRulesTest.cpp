// Survey runs: the range table as a run applies it and the bands a survey
// gives its traces (journey 5 runs a medium-range survey on the default world).

#include <gtest/gtest.h>

#include "app/SurveyRules.h"
#include "dsp/Correlation.h"
#include "settings/Configuration.h"

namespace {

class SurveyRun : public ::testing::Test {
protected:
    void SetUp() override {
        settings = CConfiguration();
        run = std::make_unique<CCorrelation>(500, 100, 100.0f, 1, 10000.0f);
    }
    CConfiguration settings;
    std::unique_ptr<CCorrelation> run;
};

}  // namespace

// A stored range the table does not know (a damaged or foreign setting)
// runs as short: full rate, 100 ms.
TEST_F(SurveyRun, UnknownConfiguredRangeRunsAsShort) {
    for (int32_t configured : {7, -1, 0}) {
        settings.surveyRange = configured;
        const survey::RangeSettings r = survey::PrepareRun(*run, settings, true);
        EXPECT_EQ(std::tuple(r.outputRate, run->SampleRate(), run->Range(), run->RangeUnit(), run->MaxLag(), run->Pipe().GetSurveyRange()),
                  std::tuple(10000, 10000.0f, 100.0f, 1, 1000 + CCorrelation::kGuardLags, 0)) << configured;
    }
    settings.surveyRange = 3;
    const survey::RangeSettings r = survey::PrepareRun(*run, settings, true);
    EXPECT_EQ(r.outputRate, 2500);
    EXPECT_EQ(run->MaxLag(), 5000 + CCorrelation::kGuardLags);  // 2 s at 2500 Hz
    EXPECT_FLOAT_EQ(run->Pipe().GetTotalTime(DelayUnit::Seconds), 2.0f);
    EXPECT_EQ(run->Pipe().GetSectionCount(), 0);
}

// A replayed recording was made at its own rate: a survey over it measures
// lags at that rate, not at the range's.
TEST_F(SurveyRun, ReplayKeepsTheRecordingsRate) {
    run = std::make_unique<CCorrelation>(500, 100, 100.0f, 1, 2000.0f);
    settings.surveyRange = 3;  // 2 s, 2500 Hz when live
    survey::PrepareRun(*run, settings, true, true);
    EXPECT_FLOAT_EQ(run->SampleRate(), 2000.0f);
    EXPECT_EQ(run->MaxLag(), 4000 + CCorrelation::kGuardLags);
}

TEST_F(SurveyRun, PresetsApplyOnlyWhileTheDefaultBandsFlagIsSet) {
    settings.surveyRange = 2;  // 5000 Hz
    settings.surveyFilter = survey::kPresetMetallic;
    survey::PrepareRun(*run, settings, true);
    EXPECT_EQ(run->RedFilter(0).BandText(run->SampleRate()), u"350Hz+");
    EXPECT_EQ(run->PostFilterOf(0).FirTaps().length, CCorrelation::kPostFilterTaps);

    FilterBand mine;
    mine.lowCut = 0.1f;
    run->RedFilter(0).SetBand(mine);
    settings.surveyFilter = survey::kPresetPlastic;
    survey::PrepareRun(*run, settings, false);
    EXPECT_EQ(run->RedFilter(0).Band().lowCut, 0.1f);

    // A custom band beyond the long range's 2500 Hz is designed at 2500 Hz.
    settings.surveyFilter = survey::kPresetCustom;
    const float custom[4] = {100.0f, 4000.0f, 1000.0f, 1200.0f};
    std::copy(custom, custom + 4, settings.surveyCustomCutoffs);
    survey::PrepareRun(*run, settings, true);
    const FilterBand& b = run->BlueFilter(0).Band();
    EXPECT_TRUE(b.notchOn);
    EXPECT_FLOAT_EQ(b.highCut, 0.5f);
    EXPECT_FLOAT_EQ(b.lowCut * 5000.0f, 100.0f);
    EXPECT_FLOAT_EQ(b.notchHigh * 5000.0f, 1200.0f);

    // No cut-off: the post filter is designed as a reopened run rebuilds it
    // (not bypassed), so the saved filtered accumulator is the one derived.
    settings.surveyFilter = survey::kPresetOpen;
    survey::PrepareRun(*run, settings, true);
    EXPECT_FALSE(run->PostFilterOf(0).Bypass());
}

TEST_F(SurveyRun, MultiFilterGivesTheThreeFixedBandsInsteadOfAPreset) {
    settings.multiFilter = 1;
    settings.surveyFilter = survey::kPresetMetallic;
    survey::PrepareRun(*run, settings, true);
    EXPECT_EQ(run->TraceCount(), 3);
    EXPECT_EQ(run->RedFilter(0).BandText(10000.0f) + u"," + run->BlueFilter(1).BandText(10000.0f) + u"," +
                  run->PostFilterOf(2).BandText(10000.0f), u"0-200Hz,200-400Hz,400Hz+");
}
