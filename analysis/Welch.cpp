#include "analysis/Welch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/DSPLib.h"

namespace analysis {
namespace {

constexpr int32_t kMinSegment = 4096;
constexpr int32_t kWantedSegments = 8;

std::vector<float> Hann(int32_t n) {
    std::vector<float> w(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        w[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n));
    return w;
}

double Power(std::span<const float> x) {
    double s = 0;
    for (float v : x) s += double{v} * v;
    return s;
}

double Median(std::vector<double> v) {
    auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// Segments whose start is kept: all, or those under the gate on both channels.
std::vector<int64_t> KeptStarts(std::span<const float> red, std::span<const float> blue, int32_t n, bool gate) {
    std::vector<int64_t> starts;
    for (int64_t s = 0; s + n <= static_cast<int64_t>(red.size()); s += n / 2) starts.push_back(s);
    if (!gate || starts.size() < 3) return starts;
    std::vector<double> pr, pb;
    for (int64_t s : starts) {
        pr.push_back(Power(red.subspan(static_cast<size_t>(s), static_cast<size_t>(n))));
        pb.push_back(Power(blue.subspan(static_cast<size_t>(s), static_cast<size_t>(n))));
    }
    const double mr = Median(pr) * kGateRatio, mb = Median(pb) * kGateRatio;
    std::vector<int64_t> kept;
    for (size_t i = 0; i < starts.size(); ++i)
        if (pr[i] <= mr && pb[i] <= mb) kept.push_back(starts[i]);
    return kept;
}

void Transform(std::span<const float> x, const std::vector<float>& window, std::vector<float>& buffer) {
    const auto n = static_cast<int32_t>(window.size());
    for (int32_t i = 0; i < n; ++i) buffer[static_cast<size_t>(i)] = x[static_cast<size_t>(i)] * window[static_cast<size_t>(i)];
    dsp::RealFftForward(buffer.data(), n);
}

}  // namespace

int32_t SegmentLength(int32_t maxLag, int64_t frames) {
    const int64_t least = 2 * int64_t{maxLag} + 1;
    int64_t n = kMinSegment;
    while (n < 4 * int64_t{maxLag}) n *= 2;
    while (n / 2 >= least && (frames - n) / (n / 2) + 1 < kWantedSegments) n /= 2;
    return n <= frames && n >= least ? static_cast<int32_t>(n) : 0;
}

CrossSpectra Welch(std::span<const float> red, std::span<const float> blue, const WelchSettings& settings) {
    const int32_t n = settings.segment, bins = n / 2 + 1;
    CrossSpectra c;
    c.n = n;
    c.rr.assign(static_cast<size_t>(bins), 0.0);
    c.bb.assign(static_cast<size_t>(bins), 0.0);
    c.rb.assign(static_cast<size_t>(bins), {});
    const std::vector<int64_t> starts = KeptStarts(red, blue, n, settings.gate);
    c.segments = red.size() >= static_cast<size_t>(n) ? static_cast<int32_t>((red.size() - n) / (n / 2) + 1) : 0;
    c.kept = static_cast<int32_t>(starts.size());
    const int32_t blocks = std::clamp(settings.blocks, 1, std::max(c.kept, 1));
    c.blockRr.assign(static_cast<size_t>(blocks), std::vector<double>(static_cast<size_t>(bins)));
    c.blockBb = c.blockRr;
    c.blockRb.assign(static_cast<size_t>(blocks), std::vector<std::complex<double>>(static_cast<size_t>(bins)));
    const std::vector<float> window = Hann(n);
    std::vector<float> fr(static_cast<size_t>(n) + 2), fb(static_cast<size_t>(n) + 2);
    for (int32_t s = 0; s < c.kept; ++s) {
        if (settings.progress) settings.progress(static_cast<double>(s) / c.kept);
        const auto at = static_cast<size_t>(starts[static_cast<size_t>(s)]);
        Transform(red.subspan(at, static_cast<size_t>(n)), window, fr);
        Transform(blue.subspan(at, static_cast<size_t>(n)), window, fb);
        const auto b = static_cast<size_t>(int64_t{s} * blocks / c.kept);
        auto &blockRr = c.blockRr[b], &blockBb = c.blockBb[b];
        auto& block = c.blockRb[b];
        for (int32_t k = 0; k < bins; ++k) {
            const std::complex<double> r(fr[2 * k], fr[2 * k + 1]), b(fb[2 * k], fb[2 * k + 1]);
            const std::complex<double> x = r * std::conj(b);
            c.rr[k] += std::norm(r);
            c.bb[k] += std::norm(b);
            c.rb[k] += x;
            block[k] += x;
            blockRr[k] += std::norm(r);
            blockBb[k] += std::norm(b);
        }
    }
    if (settings.progress) settings.progress(1.0);
    const double scale = c.kept > 0 ? 1.0 / c.kept : 0.0;
    for (int32_t k = 0; k < bins; ++k) c.rr[k] *= scale, c.bb[k] *= scale, c.rb[k] *= scale;
    return c;
}

}  // namespace analysis
