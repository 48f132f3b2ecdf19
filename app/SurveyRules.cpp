#include "app/SurveyRules.h"

#include <algorithm>

#include "app/RunRules.h"
#include "dsp/Correlation.h"
#include "settings/Configuration.h"

namespace survey {

namespace {

StationCode Station(int32_t code) { return IsStationCode(code) ? static_cast<StationCode>(code) : StationCode::Base; }

// Every trace's filters designed with the bands they hold, as START designs them.
void DesignAll(CCorrelation& run) {
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        run.RedFilter(k).Design(fir::kRectangular);
        run.BlueFilter(k).Design(fir::kRectangular);
        run.PostFilterOf(k).Design(fir::kWelch, CCorrelation::kPostFilterTaps);
    }
}

}  // namespace

RangeSettings RangeFor(int32_t configuredRange) {
    switch (configuredRange) {
    case 1: return {1, 10000, 10000.0f, 250.0f, 1};
    case 2: return {2, 5000, 5000.0f, 1.0f, 0};
    case 3: return {3, 2500, 2500.0f, 2.0f, 0};
    default: return {0, 10000, 10000.0f, 100.0f, 1};
    }
}

int32_t PresetFor(int32_t configuredPreset) {
    return configuredPreset >= kPresetMetallic && configuredPreset <= kPresetCustom ? configuredPreset : kPresetOpen;
}

FilterBand PresetBand(int32_t preset, const float* custom, float rate) {
    const auto fraction = [rate](float hz) {
        if (!(hz > 0) || !(rate > 0)) return 0.0f;
        return std::min(hz, rate / 2) / rate;
    };
    FilterBand band;
    // An empty notch (0, 0) leaves the response as it is, and keeps an open
    // band's filters designed as a reopened run rebuilds them.
    band.notchOn = true;
    switch (PresetFor(preset)) {
    case kPresetMetallic: band.lowCut = fraction(kMetallicLowHz); break;
    case kPresetPlastic: band.highCut = fraction(kPlasticHighHz); break;
    case kPresetCustom:
        band.lowCut = fraction(custom[0]);
        band.highCut = fraction(custom[1]);
        band.notchLow = fraction(custom[2]);
        band.notchHigh = fraction(custom[3]);
        break;
    default: break;  // open
    }
    return band;
}

RangeSettings PrepareRun(CCorrelation& run, const ConfigurationRecord& settings, bool defaultBands, bool replay) {
    RangeSettings range = RangeFor(settings.surveyRange);
    if (replay) range.sampleRate = run.SampleRate();
    run.SetTraceCount(settings.multiFilter ? CCorrelation::kTraces : 1);
    run.Pipe().Clear();
    run.Pipe().SetStations(Station(settings.stationA), Station(settings.stationB));
    run.SetPostFilter(settings.postFilter);
    run.SetSampleRate(range.sampleRate);
    run.SetRange(range.delayRange, range.delayUnit);
    run.Pipe().SetSurveyRange(range.range);

    if (defaultBands && run.TraceCount() > 1) {
        runrules::ApplyDefaultBands(run);  // the three fixed bands
    } else {
        if (defaultBands) {
            const FilterBand band = PresetBand(settings.surveyFilter, settings.surveyCustomCutoffs, range.sampleRate);
            run.RedFilter(0).SetBand(band, fir::kRectangular);
            run.BlueFilter(0).SetBand(band, fir::kRectangular);
            run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
        }
        DesignAll(run);
    }
    return range;
}

}  // namespace survey
