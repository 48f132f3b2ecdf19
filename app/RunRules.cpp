#include "app/RunRules.h"

#include <algorithm>
#include <cmath>

#include "dsp/Correlation.h"

namespace runrules {

AcquisitionRate RateForTravelTime(float travelMs) {
    AcquisitionRate r;
    if (!(travelMs > 0.0f)) return r;  // 0, negative or NaN: full rate
    const float n = std::ceil(kRangeMargin * travelMs / kTravelMsPerDecimation);
    r.decimation = n >= static_cast<float>(kMaxDecimation) ? kMaxDecimation : std::max(1, static_cast<int32_t>(n));
    r.rate = kUnitRate / r.decimation;
    return r;
}

RunRange RangeForStart(float travelMs, bool replay, int32_t recordedSurveyRange) {
    RunRange r;
    if (!replay || recordedSurveyRange == kSurveyNone) {
        const float range = kRangeMargin * travelMs;
        r.range = range > kMinRangeMs ? range : kMinRangeMs;  // NaN fails the test too
        r.unit = 1;
        r.described = true;
        return r;
    }
    r.described = false;
    switch (recordedSurveyRange) {
    case 1: r.range = 250.0f, r.unit = 1; break;
    case 2: r.range = 1.0f, r.unit = 0; break;
    case 3: r.range = 2.0f, r.unit = 0; break;
    default: r.range = 100.0f, r.unit = 1; break;
    }
    return r;
}

StartRefusal RefusalForRange(float range, int32_t unit, float rate, int32_t postFilter, bool useFftEngine) {
    const float samples = ConvertDelay(range, static_cast<DelayUnit>(unit), DelayUnit::Samples, rate);
    constexpr float kLargest = CCorrelation::kMaxLag - CCorrelation::kGuardLags;
    if (!(samples <= kLargest)) return StartRefusal::BeyondLagRange;  // NaN too
    const int32_t lags = static_cast<int32_t>(std::floor(std::max(samples, 0.0f) + 0.5f)) + CCorrelation::kGuardLags;
    const bool fftFits = useFftEngine && corr::FftSizeForLag(lags) <= CCorrelation::kFilteredCapacity;
    const bool filtered = postFilter == 0 || fftFits;
    if (filtered && 2 * int64_t{lags} + kFilteredStoreMargin > CCorrelation::kFilteredCapacity)
        return StartRefusal::BeyondFilteredStore;
    return StartRefusal::None;
}

bool StartCommandsEnabled(bool startAllowed, bool radioOk, bool testMode, bool replay) {
    return startAllowed && (radioOk || testMode || replay);
}

bool OptimiseCommandEnabled(int32_t traceCount, int32_t postFilter, int32_t filterOptimisation) {
    return traceCount == 1 && postFilter == 1 && filterOptimisation != 0;
}

void ApplyDefaultBands(CCorrelation& run) {
    const float rate = run.SampleRate();
    constexpr float kEdgesHz[CCorrelation::kTraces][2] = {{0.0f, 200.0f}, {200.0f, 400.0f}, {400.0f, 0.0f}};
    const bool single = run.TraceCount() == 1;
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        if (single && k > 0) {  // traces the default does not set are designed all the same
            run.RedFilter(k).Design(fir::kRectangular);
            run.BlueFilter(k).Design(fir::kRectangular);
            run.PostFilterOf(k).Design(fir::kWelch, CCorrelation::kPostFilterTaps);
            continue;
        }
        FilterBand band;
        if (single) {
            band.lowCut = run.Pipe().GetLowCutoff() / rate;
            band.highCut = run.Pipe().GetHighCutoff() / rate;
            band.notchOn = true;  // with an empty notch band (0, 0)
        } else {
            band.lowCut = kEdgesHz[k][0] / rate;
            band.highCut = kEdgesHz[k][1] / rate;
        }
        run.RedFilter(k).SetBand(band, fir::kRectangular);
        run.BlueFilter(k).SetBand(band, fir::kRectangular);
        run.PostFilterOf(k).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    }
}

}  // namespace runrules
