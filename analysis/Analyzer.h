#pragma once
// analysis/Analyzer.h — one Red/Blue pair analysed on a described pipe: the
// weighted correlation, its candidate peaks with the leak's distances, the
// SNR on the unit's scale, the coherence in the band and the 95 % interval
// on the best peak's position.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "analysis/Gcc.h"
#include "pipe/Pipe.h"

namespace analysis {

// Every candidate's relative height is at least this share of the best one's.
constexpr int32_t kDefaultPeaks = 3;
constexpr double kDefaultVelocityError = 0.02;
constexpr int32_t kSpreadBlocks = 8;
constexpr Weighting kDefaultWeighting = Weighting::Phat;

struct AnalysisRequest {
    CPipe pipe{10000.0f};                             // sections with velocities, station A = Red
    std::optional<std::pair<double, double>> bandHz;  // else the pipe's recommended cut-offs
    Weighting weighting = kDefaultWeighting;
    bool gate = true;
    bool notch = true;
    int32_t peaks = kDefaultPeaks;                    // 1 ... 20
    double velocityError = kDefaultVelocityError;     // relative, >= 0
    std::function<void(double)> progress;             // share of the spectra done, 0 ... 1
};

// The unit's own correlation of the pair, for the basic method: its values
// per lag (index lag + L), the peak it found and its SNR.
struct UnitCurve {
    std::vector<float> values;
    int32_t peakIndex = 0;
    float snr = 0;
    int32_t guard = 0;  // lags at either end the unit never searches
};

struct PeakReport {
    double lag = 0;        // samples, refined; positive: Red later
    double delayS = 0;
    double distanceA = 0;  // m
    double distanceB = 0;
    double relative = 1;   // height over the best peak's
};

struct AnalysisResult {
    Weighting weighting = kDefaultWeighting;
    bool unitEngine = false;   // the basic method on the unit's own correlation
    double rate = 0;
    int32_t maxLag = 0;
    int32_t segment = 0;       // Welch segment length, points
    int32_t segments = 0;
    int32_t segmentsKept = 0;
    double lowHz = 0, highHz = 0;
    int32_t tonesNotched = 0;  // bins
    double coherence = 0;      // mean magnitude-squared coherence in the band
    double snr = 0;
    std::vector<PeakReport> peaks;  // best first; empty: nothing to correlate
    int32_t blocks = 0;        // independent estimates behind the interval
    double delaySe = 0;        // s; NaN without an interval
    double ciLowA = 0, ciHighA = 0;  // m from A; NaN without an interval
};

// Lags a pipe needs: its travel time plus 10 %, at least 25 ms, at rate.
int32_t PipeMaxLag(const CPipe& pipe, double rate);

// red and blue at rate, equal length. Raises InputError when the recording is
// shorter than one segment for the pipe's lags.
AnalysisResult Analyze(std::span<const float> red, std::span<const float> blue, double rate,
                       const AnalysisRequest& request, const UnitCurve* unit = nullptr);

}  // namespace analysis
