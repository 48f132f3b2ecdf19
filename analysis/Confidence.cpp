#include "analysis/Confidence.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace analysis {
namespace {

constexpr double kNormal975 = 1.959964;

}  // namespace

double StudentT975(int32_t dof) {
    static constexpr double kTable[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                                        2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086};
    if (dof < 1) return std::numeric_limits<double>::infinity();
    if (dof <= 20) return kTable[dof - 1];
    // Cornish-Fisher expansion in 1/dof: within 0.001 of the exact value above 20.
    const double z = kNormal975, z3 = z * z * z, v = dof;
    return z + (z3 + z) / (4 * v) + (5 * z3 * z * z + 16 * z3 + 3 * z) / (96 * v * v);
}

double StandardError(const std::vector<double>& x) {
    const auto n = static_cast<double>(x.size());
    if (x.size() < 2) return std::numeric_limits<double>::quiet_NaN();
    double mean = 0, ss = 0;
    for (double v : x) mean += v;
    mean /= n;
    for (double v : x) ss += (v - mean) * (v - mean);
    return std::sqrt(ss / (n - 1) / n);
}

double RelativeSlopeError(const LinearRegression& fit) {
    double n = 0, sx = 0, sy = 0;
    for (size_t i = 0; i < fit.Size(); ++i)
        if (const RegressionPoint& p = fit.Point(i); p.included) ++n, sx += p.x, sy += p.y;
    if (n < 3) return std::numeric_limits<double>::quiet_NaN();
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (size_t i = 0; i < fit.Size(); ++i)
        if (const RegressionPoint& p = fit.Point(i); p.included) sxx += (p.x - mx) * (p.x - mx), sxy += (p.x - mx) * (p.y - my);
    if (!(sxx > 0)) return std::numeric_limits<double>::quiet_NaN();
    const double slope = sxy / sxx;
    double ssr = 0;
    for (size_t i = 0; i < fit.Size(); ++i)
        if (const RegressionPoint& p = fit.Point(i); p.included) {
            const double r = p.y - my - slope * (p.x - mx);
            ssr += r * r;
        }
    return std::sqrt(ssr / (n - 2) / sxx) / std::fabs(slope);
}

double DistanceFromA(CPipe pipe, double delayS, double velocityScale) {
    for (int32_t i = 0; i < pipe.GetSectionCount(); ++i) {
        PipeSegment& s = pipe.GetSection(i);
        s.SetVelocity(static_cast<float>(s.GetVelocity() * velocityScale));
    }
    pipe.SetDelay(static_cast<float>(delayS), DelayUnit::Seconds);
    return pipe.GetDistanceFromA(LengthUnit::Metres);
}

Interval LeakInterval(const CPipe& pipe, double delayS, double delaySe, int32_t dof, double velocityError) {
    const double centre = DistanceFromA(pipe, delayS);
    const double dt = StudentT975(dof) * delaySe;
    const double byDelay = std::fabs(DistanceFromA(pipe, delayS + dt) - DistanceFromA(pipe, delayS - dt)) / 2;
    const double dv = kNormal975 * velocityError;
    const double byVelocity = std::fabs(DistanceFromA(pipe, delayS, 1 + dv) - DistanceFromA(pipe, delayS, 1 - dv)) / 2;
    const double half = std::hypot(byDelay, byVelocity);
    const double length = pipe.GetTotalLength(LengthUnit::Metres);
    return {std::clamp(centre - half, 0.0, length), std::clamp(centre + half, 0.0, length)};
}

}  // namespace analysis
