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

// The delay's standard error by the jackknife over the blocks: the best
// peak found again (within a main lobe) with each block left out in turn,
// weighted from the spectra that remain, as the whole was. Each estimate
// keeps nearly the whole recording's SNR, so a weak leak's short blocks add
// no scatter of their own.
void Spread(const CrossSpectra& s, Weighting method, const std::vector<double>& mask,
            const std::vector<bool>& notched, int32_t bestIndex, int32_t lobe, AnalysisResult& r) {
    const auto m = static_cast<int32_t>(s.blockRb.size());
    r.blocks = m;
    r.delaySe = kNaN;
    if (m < 2) return;
    CrossSpectra total = s, rest = s;
    total.rr.assign(s.rr.size(), 0.0);
    total.bb.assign(s.bb.size(), 0.0);
    total.rb.assign(s.rb.size(), {});
    for (int32_t b = 0; b < m; ++b)
        for (size_t k = 0; k < s.rb.size(); ++k)
            total.rr[k] += s.blockRr[b][k], total.bb[k] += s.blockBb[b][k], total.rb[k] += s.blockRb[b][k];
    std::vector<double> lags;
    for (int32_t b = 0; b < m; ++b) {
        for (size_t k = 0; k < s.rb.size(); ++k) {
            rest.rr[k] = total.rr[k] - s.blockRr[b][k];
            rest.bb[k] = total.bb[k] - s.blockBb[b][k];
            rest.rb[k] = total.rb[k] - s.blockRb[b][k];
        }
        const std::vector<float> c = Correlate(rest.rb, Weights(rest, method, mask, notched), s.n, r.maxLag);
        lags.push_back(LocalPeakLag(c, bestIndex, lobe));
    }
    // Jackknife: (m - 1) / m times the sum of squares, i.e. (m - 1) times the
    // standard error of the mean of the leave-one-out estimates.
    r.delaySe = StandardError(lags) * (m - 1) / r.rate;
}

// The unit's search (guard lags, plateaus, polarity) decides the basic
// method's best peak, as the replay reports it.
void PutUnitPeakFirst(std::vector<Candidate>& found, std::span<const float> curve, int32_t index, int32_t k) {
    std::erase_if(found, [&](const Candidate& c) { return c.index == index; });
    found.insert(found.begin(), Candidate{LocalPeakLag(curve, index, 0), index, 1.0});
    if (static_cast<int32_t>(found.size()) > k) found.resize(static_cast<size_t>(k));
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
                                 {r.segment, request.gate, kSpreadBlocks, request.progress});
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
    // Candidates stand two envelope widths apart: the band's own ringing
    // around a peak is no second source.
    std::vector<Candidate> found = FindPeaks(curve, request.peaks, 2 * lobe, unit ? unit->guard : 0);
    if (unit) PutUnitPeakFirst(found, curve, unit->peakIndex, request.peaks);
    r.snr = unit ? unit->snr : dsp::PeakSnr(curve, 0);
    for (const Candidate& c : found) r.peaks.push_back(Report(request.pipe, c.lag, rate, c.relative));
    r.delaySe = r.ciLowA = r.ciHighA = kNaN;
    if (r.peaks.empty() || s.kept == 0) return r;
    Spread(s, method, mask, notched, found.front().index, lobe, r);
    if (std::isfinite(r.delaySe)) {
        const Interval ci = LeakInterval(request.pipe, r.peaks.front().delayS, r.delaySe, r.blocks - 1,
                                         request.velocityError);
        r.ciLowA = ci.low;
        r.ciHighA = ci.high;
    }
    return r;
}

}  // namespace analysis
