#include "pipe/SpeedOfSound.h"

#include <cmath>
#include <string>

#include "platform/Numbers.h"

SpeedOfSound ComputeSpeedOfSound(float pipeLength, std::optional<float> leakDistance, float delaySeconds) {
    SpeedOfSound result;
    const double d = leakDistance.value_or(0.0f);
    const double half = static_cast<double>(pipeLength) / 2.0;
    double h = std::fabs(half - d);
    if (h <= kMidpointTolerance * std::fmax(std::fabs(half), std::fabs(d))) h = 0.0;
    result.midpointDistance = static_cast<float>(h);
    const double tau = std::fabs(static_cast<double>(delaySeconds));
    if (!leakDistance || !std::isfinite(h) || !std::isfinite(tau) || tau == 0.0) return result;

    const double v = 2.0 * h / tau;
    if (!(v >= kSlowestUsableVelocity) || !std::isfinite(static_cast<float>(v))) return result;
    result.defined = true;
    result.velocity = static_cast<float>(v);
    // At one sample period or less the shorter delay would be 0 or negative.
    if (tau <= kDelayErrorSeconds) return result;
    const double slower = std::fabs(v - 2.0 * h / (tau + kDelayErrorSeconds));
    const double faster = std::fabs(v - 2.0 * h / (tau - kDelayErrorSeconds));
    result.accuracyDefined = true;
    result.accuracy = static_cast<float>(std::fmax(slower, faster));
    return result;
}

std::optional<float> ParseDistanceEntry(std::string_view text) {
    double value = 0;
    if (text.empty() || !platform::ParseWholeDouble(text, value)) return std::nullopt;
    return static_cast<float>(value);
}

std::optional<float> ParseBandField(std::string_view text) {
    double value = 0;
    if (platform::ParseDouble(text, value) == 0 || !std::isfinite(static_cast<float>(value))) return std::nullopt;
    return static_cast<float>(value);
}

BandEntryFault CheckBandEntry(float minDiameter, float maxDiameter, float velocity) {
    const auto usableDiameter = [](float mm) { return std::isfinite(mm) && mm >= 0.0f; };
    if (!usableDiameter(minDiameter) || !usableDiameter(maxDiameter)) return BandEntryFault::Diameter;
    if (minDiameter == 0.0f && maxDiameter == 0.0f) return BandEntryFault::EmptyRange;
    if (!std::isfinite(velocity) || !(velocity > 0.0f)) return BandEntryFault::Velocity;
    return BandEntryFault::None;
}
