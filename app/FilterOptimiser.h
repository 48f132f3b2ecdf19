#pragma once
// app/FilterOptimiser.h — automatic choice of the first trace's band.
//
// The optimiser tries every band between two entries of a list of 11
// frequencies as the first trace's correlation filter, one band per run-loop
// tick, and keeps the band whose correlation is the sharpest. A band's score
// is its filtered correlation's mean square about its mean, divided by the
// square of its peak height (lower is sharper); a peak within 5 lags of zero
// delay counts five times worse (a common-mode disturbance, not a leak). Each
// band is filtered from the run's unfiltered accumulator in double precision
// and measured against its own peak, so a loud tone outside a band (mains hum
// heard by both stations) cannot set the scale that the band is judged by.
//
// The band in force is scored the same way on the same accumulator and stays
// unless a candidate scores strictly lower; when nothing scores (no
// unfiltered accumulator: pre-filter mode or the FFT engine; a flat one) the
// run keeps its filters. Trial bands are designed on the optimiser's own
// filter: the run's filters change only when a better band is applied.
//
// The list comes from the run's own noise: entries 1-9 are the frequencies
// below which 10 %, 20 % ... 90 % of the cross spectrum |X||Y| of the newest
// 1024 samples lies; entries 0 and 10 are 0, meaning no cut-off.
//
// Work, one call of Step per tick: step 0 builds the list and scores the band
// in force, steps 1-55 try the 55 bands (i < j), and the call after the last
// band applies the best one.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "dsp/Filter.h"

class CCorrelation;
class CWave;

class FilterOptimiser {
public:
    static constexpr int32_t kListSize = 11;
    static constexpr int32_t kStepCount = kListSize * (kListSize - 1) / 2 + 1;  // set-up + 55 bands
    static constexpr int32_t kSpectrumPoints = 1024;
    static constexpr int32_t kSpectrumBins = kSpectrumPoints / 2 + 1;
    static constexpr float kLowestHz = 10.0f;          // bins below are left out of the spectrum
    static constexpr int32_t kCentreLags = 5;          // |peak lag| <= 5: the centre penalty applies
    static constexpr double kCentrePenalty = 5.0;
    static constexpr double kNoScore = 1.0e38;
    // Hz; 0 = no cut-off.
    static constexpr std::array<float, kListSize> kDefaultList = {0,    100,  200,  300,  400, 600,
                                                                  800, 1000, 1500, 2000, 0};

    FilterOptimiser();

    // Begins an optimisation of run's first trace: step 0, pair (0, 1), no
    // best band yet.
    void Start(CCorrelation& run);
    // Drops an optimisation in progress (a new run object, say); trials never
    // touch the run, so its filters stay as they were.
    void Cancel() noexcept { m_step = m_count = 0; m_pending = false; }
    // True from Start until the best band has been applied.
    bool Pending() const noexcept { return m_pending; }

    enum class Outcome {
        Idle,     // nothing pending
        Stepped,  // the set-up or one band was done; Percent() tells how far
        Applied,  // the best band is on the first trace
    };
    // One tick's work on the run Start was given.
    Outcome Step(CCorrelation& run);

    // Steps done x 100 / 56 (integer): 1 after the set-up, 100 after the last band.
    int32_t Percent() const noexcept { return m_count > 0 ? m_step * 100 / m_count : 0; }
    int32_t StepIndex() const noexcept { return m_step; }
    // The frequency list in use, Hz.
    const std::array<float, kListSize>& List() const noexcept { return m_list; }
    // The best score so far (kNoScore: nothing scored); the best band is the
    // one in force until a candidate beats it.
    double BestScore() const noexcept { return m_bestScore; }
    bool BestIsInForce() const noexcept { return m_bestIsInForce; }
    float BestLowHz() const noexcept { return m_bestLow; }
    float BestHighHz() const noexcept { return m_bestHigh; }

    // Score of a correlation filter over an unfiltered accumulator of 2L + 1
    // lags (index i holds lag i - L), searched over lags -L + 88 ... L - 88 as
    // the peak search does: mean square about the mean over the squared peak
    // height (both polarities: the larger excursion), times 5 for a peak
    // within 5 lags of zero. kNoScore when the filtered correlation has no
    // positive peak height.
    static double Score(const CFilter& filter, std::span<const int64_t> unfiltered, bool bothPolarities);

    // The list from the newest 1024 samples of both raw stores; the default
    // list when either holds fewer or their cross spectrum is all zero (above
    // 10 Hz). The stores' read positions are left where they were.
    //  rate : samples per second, > 0
    std::array<float, kListSize> BuildList(CWave& red, CWave& blue, float rate);

    // Bin position of percentage p (0-100) of a spectrum taken as a
    // piecewise-linear density between bin centres (trapezoid rule, single
    // precision). p = 0 gives the first non-zero bin (n when none). Returns a
    // negative value when the spectrum has no area, so callers fall back.
    static float BinPosition(std::span<const float> s, float percent);

private:
    void ScoreBandInForce(CCorrelation& run);
    void TryBand(CCorrelation& run);
    void Apply(CCorrelation& run);

    std::array<float, kListSize> m_list = kDefaultList;
    int32_t m_step = 0, m_count = 0;
    bool m_pending = false;
    int32_t m_i = 0, m_j = 1;
    double m_bestScore = kNoScore;
    bool m_bestIsInForce = true;
    float m_bestLow = 0, m_bestHigh = 0;
    CFilter m_trial;                        // the band being tried
    std::vector<float> m_red, m_blue;       // kSpectrumPoints + 2 each
    std::vector<float> m_spectrum;          // kSpectrumBins
    std::vector<int16_t> m_samples;         // kSpectrumPoints
};
