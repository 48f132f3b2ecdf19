#include "pipe/ComputeResults.h"

#include <algorithm>
#include <cmath>

namespace {

std::u16string Line(const std::u16string& caption, const std::u16string& value) { return caption + u" " + value; }

// Steps of the series 1, 2, 2.5, 5 x 10^k tried for a mixed-sign delay axis;
// enough decades for any float delay.
constexpr int kMaxSeriesSteps = 4 * 48;

float GrowFactor(float step, float range, float f2, float f25, float f5) {
    if (f2 * step > range) return 2.0f;
    if (f25 * step > range) return 2.5f;
    if (f5 * step > range) return 5.0f;
    return 10.0f;
}

float SeriesStep(int j, int firstExponent) {
    constexpr double kMantissas[] = {1.0, 2.0, 2.5, 5.0};
    return static_cast<float>(kMantissas[j % 4] * std::pow(10.0, firstExponent + j / 4));
}

float MixedBase(float mean, float step) {
    const float b = std::floor(mean / step - 1.5f) * step;
    return std::max(std::min(b, 0.0f), -4.0f * step);
}

}  // namespace

ComputeFit FitLeakAndVelocity(const LinearRegression& points) {
    if (points.GetCount() < 2) return {};
    const float m = points.GetSlope();
    const float c = points.GetIntercept();
    const float source = 0.5f * (0.0f - c) / m;
    const float speed = std::fabs(1.0f / m);
    if (!points.HasLine() || !std::isfinite(source) || !std::isfinite(speed)) return {};
    return {true, source, speed};
}

ComputeResultTexts ComputeResults(const LinearRegression& points, size_t selected, LengthUnit length,
                                  TimeUnit time, const ComputeCaptions& captions) {
    ComputeResultTexts texts;
    if (points.Size() == 0) return texts;
    const bool feet = length == LengthUnit::Feet;
    const bool ms = time == TimeUnit::Milliseconds;
    std::u16string x, y, distance, velocity;
    const bool valid = selected < points.Size();
    if (valid) x = FormatNumber(feet ? "%.1fft" : "%.1fm", points.Point(selected).x);
    if (points.GetCount() >= 2) {
        if (valid) y = FormatNumber(ms ? "%.1fms" : "%.4fs", points.Point(selected).y);
        const ComputeFit fit = FitLeakAndVelocity(points);
        const char* format = feet ? (ms ? "%.4fft/ms" : "%.1fft/s") : (ms ? "%.4fm/ms" : "%.1fm/s");
        distance = fit.defined ? FormatNumber(feet ? "%.1fft" : "%.1fm", fit.leakDistance) : captions.undefined;
        velocity = fit.defined ? FormatNumber(format, fit.velocity) : captions.undefined;
    }
    texts.separation = Line(captions.separation, x);
    texts.leakDistance = Line(captions.leakDistance, distance);
    texts.velocity = Line(captions.velocity, velocity);
    texts.delay = Line(captions.delay, y);
    return texts;
}

std::u16string AxisTitle(std::u16string_view caption, std::u16string_view unit) {
    const size_t cut = caption.find(u'(');
    return std::u16string(caption.substr(0, cut)) + std::u16string(unit);
}

SeparationScale SeparationAxis(const LinearRegression& points) {
    float range = 0.0f;
    for (size_t i = 0; i < points.Size(); ++i) {
        if (std::isfinite(points.Point(i).x)) range = std::max(range, points.Point(i).x);
    }
    if (points.HasLine()) {
        const float crossing = -points.GetIntercept() / points.GetSlope();
        if (std::isfinite(crossing)) range = std::max(range, crossing);
    }
    SeparationScale scale;
    if (range > 1.0f) {
        do {
            scale.step *= GrowFactor(scale.step, range, 20.0f, 25.0f, 50.0f);
        } while (10.0f * scale.step < range);
    }
    while (static_cast<float>(scale.steps) * scale.step < range) ++scale.steps;
    return scale;
}

std::u16string SeparationTickLabel(const SeparationScale& scale, int k) {
    return FormatNumber("%.1f", static_cast<float>(k) * scale.step);
}

DelayScale DelayAxis(const LinearRegression& points, TimeUnit time) {
    const bool ms = time == TimeUnit::Milliseconds;
    DelayScale scale{0.0f, ms ? 0.1f : 0.0001f};
    float low = 0.0f, high = 0.0f;
    bool any = false;
    for (size_t i = 0; i < points.Size(); ++i) {
        const float y = points.Point(i).y;
        if (!std::isfinite(y)) continue;
        low = any ? std::min(low, y) : y;
        high = any ? std::max(high, y) : y;
        any = true;
    }
    if (!any) return scale;
    if (low >= 0.0f || (high <= 0.0f && low < 0.0f)) {
        const bool negative = low < 0.0f;
        const float range = negative ? -low : high;
        while (4.0f * scale.step < range) scale.step *= GrowFactor(scale.step, range, 8.0f, 10.0f, 20.0f);
        scale.bottom = negative ? -4.0f * scale.step : 0.0f;
        return scale;
    }
    const float mean = (low + high) * 0.5f;
    const int firstExponent = ms ? -1 : -4;
    for (int j = 0; j < kMaxSeriesSteps; ++j) {
        scale.step = SeriesStep(j, firstExponent);
        scale.bottom = MixedBase(mean, scale.step);
        if (scale.bottom <= low && scale.bottom + 4.0f * scale.step >= high) break;
    }
    return scale;
}

std::u16string DelayTickLabel(float value, TimeUnit time) {
    return FormatNumber(time == TimeUnit::Milliseconds ? "%.1f" : "%.4f", value);
}
