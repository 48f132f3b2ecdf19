#include "analysis/Analyzer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Confidence.h"
#include "analysis/Peaks.h"
#include "analysis/WavInput.h"
#include "dsp/PeakSnr.h"

namespace analysis {
namespace {

constexpr double kLagMargin = 1.1;
constexpr double kLeastRangeS = 0.025;
constexpr int32_t kLeastSeparation = 3;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::pair<double, double> Band(const AnalysisRequest& r, double rate) {
    if (r.bandHz) return *r.bandHz;
    const double high = r.pipe.GetHighCutoff();
    return {r.pipe.GetLowCutoff(), high > 0 ? std::min(high, rate / 2) : rate / 2};
}

PeakReport Report(const CPipe& pipe, double lag, double rate, double relative) {
    PeakReport p;
    p.lag = lag;
    p.delayS = lag / rate;
    p.distanceA = DistanceFromA(pipe, p.delayS);
    p.distanceB = pipe.GetTotalLength(LengthUnit::Metres) - p.distanceA;
    p.relative = relative;
    return p;
}

// The delay's spread over the blocks, each block's correlation searched
// within a main lobe of the best peak.
void Spread(const CrossSpectra& s, const std::vector<double>& w, int32_t maxLag, int32_t bestIndex,
            int32_t lobe, AnalysisResult& r) {
    std::vector<double> lags;
    for (const auto& block : s.blockRb) {
        const std::vector<float> c = Correlate(block, w, s.n, maxLag);
        lags.push_back(LocalPeakLag(c, bestIndex, lobe));
    }
    r.blocks = static_cast<int32_t>(lags.size());
    r.delaySe = StandardError(lags) / r.rate;
}

}  // namespace

int32_t PipeMaxLag(const CPipe& pipe, double rate) {
    const double seconds = std::max(kLagMargin * pipe.GetTotalTime(DelayUnit::Seconds), kLeastRangeS);
    return static_cast<int32_t>(std::ceil(seconds * rate));
}

AnalysisResult Analyze(std::span<const float> red, std::span<const float> blue, double rate,
                       const AnalysisRequest& request, const UnitCurve* unit) {
    AnalysisResult r;
    r.weighting = request.weighting;
    r.unitEngine = unit != nullptr;
    r.rate = rate;
    r.maxLag = unit ? static_cast<int32_t>(unit->values.size() / 2) : PipeMaxLag(request.pipe, rate);
    const int64_t frames = static_cast<int64_t>(std::min(red.size(), blue.size()));
    r.segment = SegmentLength(r.maxLag, frames);
    if (r.segment == 0)
        throw InputError("recording too short: " + std::to_string(frames) + " frames for lags up to " +
                         std::to_string(r.maxLag));
    std::tie(r.lowHz, r.highHz) = Band(request, rate);
    const CrossSpectra s = Welch(red.first(static_cast<size_t>(frames)), blue.first(static_cast<size_t>(frames)),
                                 {r.segment, request.gate, kSpreadBlocks});
    r.segments = s.segments;
    r.segmentsKept = s.kept;
    const std::vector<double> mask = BandMask(s.n, rate, r.lowHz, r.highHz);
    std::vector<bool> notched = request.notch ? CommonTones(s) : std::vector<bool>(mask.size(), false);
    r.tonesNotched = static_cast<int32_t>(std::count(notched.begin(), notched.end(), true));
    r.coherence = BandCoherence(s, mask, notched);
    // The basic method keeps the unit's own curve; the interval's spread then
    // comes from the band alone, as the unit weighs nothing.
    const Weighting method = unit ? Weighting::None : request.weighting;
    const std::vector<double> w = Weights(s, method, mask, notched);
    const std::vector<float> curve = unit ? unit->values : Correlate(s.rb, w, s.n, r.maxLag);
    const double bandwidth = std::max(r.highHz - r.lowHz, 1.0);
    const int32_t lobe = std::max(kLeastSeparation, static_cast<int32_t>(std::ceil(rate / bandwidth)));
    std::vector<Candidate> found = FindPeaks(curve, request.peaks, lobe);
    if (unit && !found.empty() && found.front().index != unit->peakIndex) {
        // The unit's search (guard lags, plateaus) decides the best peak.
        const auto i = static_cast<int32_t>(unit->peakIndex);
        found.insert(found.begin(), Candidate{LocalPeakLag(curve, i, 0), i, 1.0});
        if (static_cast<int32_t>(found.size()) > request.peaks) found.pop_back();
    }
    r.snr = unit ? unit->snr : dsp::PeakSnr(curve, 0);
    for (const Candidate& c : found) r.peaks.push_back(Report(request.pipe, c.lag, rate, c.relative));
    r.delaySe = r.ciLowA = r.ciHighA = kNaN;
    if (r.peaks.empty() || s.kept == 0) return r;
    Spread(s, w, r.maxLag, found.front().index, lobe, r);
    if (std::isfinite(r.delaySe)) {
        const Interval ci = LeakInterval(request.pipe, r.peaks.front().delayS, r.delaySe, r.blocks - 1,
                                         request.velocityError);
        r.ciLowA = ci.low;
        r.ciHighA = ci.high;
    }
    return r;
}

}  // namespace analysis
