#pragma once
// app/SurveyRules.h — a survey run: a correlation without a pipe description,
// over one of four fixed delay ranges, with a preset band. Pure rules and the
// run's set-up, so the main screen's SURVEY, corrtool and the tests agree.
//
//   range    output rate   delay range
//   0 short    10000 Hz      100 ms
//   1 medium   10000 Hz      250 ms
//   2 long      5000 Hz      1 s
//   3 maximum   2500 Hz      2 s
// Any other configured range runs as short.

#include <cstdint>

#include "dsp/Fir.h"

class CCorrelation;
struct ConfigurationRecord;

namespace survey {

// Presets of surveyFilter.
enum Preset : int32_t {
    kPresetOpen = 0,      // no cut-off (material not known)
    kPresetMetallic = 1,  // 350 Hz upward
    kPresetPlastic = 2,   // up to 200 Hz
    kPresetCustom = 3,    // surveyCustomCutoffs, notch on
};

constexpr float kMetallicLowHz = 350.0f;
constexpr float kPlasticHighHz = 200.0f;

// What one survey range asks of the hardware and the correlation.
struct RangeSettings {
    int32_t range = 0;          // 0 ... 3, the pipe's survey range
    int32_t outputRate = 10000; // Hz, for SensorHardware::SetOutputSampleRate
    float sampleRate = 10000.0f;
    float delayRange = 100.0f;  // in delayUnit
    int32_t delayUnit = 1;      // 1 ms, 0 s
};

// The row of the table above; values other than 1, 2 and 3 give short.
RangeSettings RangeFor(int32_t configuredRange);
// The configured preset as the screen and the run read it: 1, 2 and 3 as
// they are, anything else open.
int32_t PresetFor(int32_t configuredPreset);

// The band of a preset as fractions of rate. Custom takes low, high, notch
// low and notch high in Hz with the notch on; limits above rate / 2 become
// rate / 2, negative or undefined ones 0.
//  custom : the configuration's surveyCustomCutoffs, 4 values
FilterBand PresetBand(int32_t preset, const float* custom, float rate);

// Sets run up for a survey as SURVEY does, after its Reset: trace count 3
// with multiFilter, else 1; the pipe cleared (no sections) with the
// configured stations and the range's survey code; postFilter copied; sample
// rate and delay range of the range; then the bands: with multiFilter the
// three fixed bands, else (only while defaultBands is set) the preset on the
// first trace; every trace's filters designed as START designs them. Returns
// the range row, whose output rate the caller hands to the hardware.
// In a replay (replay true) the run keeps the rate its recording was made at:
// the delay range and the bands follow the table at that rate.
RangeSettings PrepareRun(CCorrelation& run, const ConfigurationRecord& settings, bool defaultBands,
                         bool replay = false);

}  // namespace survey
