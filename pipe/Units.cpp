#include "pipe/Units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pipe/DiameterBand.h"
#include "platform/Numbers.h"

namespace {

float LengthToMetres(float v, LengthUnit u) {
    switch (u) {
    case LengthUnit::Feet: return v * 0.3048f;
    case LengthUnit::Inches: return v * 0.0254f;
    case LengthUnit::Millimetres: return v * 0.001f;
    default: return v;
    }
}

float MetresToLength(float v, LengthUnit u) {
    switch (u) {
    case LengthUnit::Feet: return v * 3.28084f;
    case LengthUnit::Inches: return v * 39.37008f;
    case LengthUnit::Millimetres: return v * 1000.0f;
    default: return v;
    }
}

float VelocityToMetresPerSecond(float v, VelocityUnit u) {
    switch (u) {
    case VelocityUnit::FeetPerSecond: return v * 0.30479997f;
    case VelocityUnit::MetresPerMs: return v * 1000.0f;
    case VelocityUnit::FeetPerMs: return v * 304.8f;
    default: return v;
    }
}

float MetresPerSecondToVelocity(float v, VelocityUnit u) {
    switch (u) {
    case VelocityUnit::FeetPerSecond: return v * 3.28084f;
    case VelocityUnit::MetresPerMs: return v * 0.001f;
    case VelocityUnit::FeetPerMs: return v * 0.00328084f;
    default: return v;
    }
}

}  // namespace

const char* LengthUnitName(LengthUnit unit) {
    switch (unit) {
    case LengthUnit::Metres: return "m";
    case LengthUnit::Feet: return "ft";
    case LengthUnit::Inches: return "in";
    case LengthUnit::Millimetres: return "mm";
    }
    return "?unit?";
}

const char* VelocityUnitName(VelocityUnit unit) {
    switch (unit) {
    case VelocityUnit::MetresPerSecond: return "m/s";
    case VelocityUnit::FeetPerSecond: return "ft/s";
    case VelocityUnit::MetresPerMs: return "m/ms";
    case VelocityUnit::FeetPerMs: return "ft/ms";
    }
    return "?unit?";
}

float ConvertLength(float value, LengthUnit from, LengthUnit to) {
    return MetresToLength(LengthToMetres(value, from), to);
}

float ConvertVelocity(float value, VelocityUnit from, VelocityUnit to) {
    return MetresPerSecondToVelocity(VelocityToMetresPerSecond(value, from), to);
}

float ConvertTime(float value, TimeUnit from, TimeUnit to) {
    if (from == TimeUnit::Milliseconds) value /= 1000.0f;
    if (to == TimeUnit::Milliseconds) value *= 1000.0f;
    return value;
}

bool IsUnitRate(float rate) {
    if (!std::isfinite(rate)) return false;
    for (int32_t n = 1; n <= kMaxDecimation; ++n)
        if (std::fabs(rate - static_cast<float>(kUnitSampleRate) / static_cast<float>(n)) < 0.5f) return true;
    return false;
}

float ConvertDelay(float value, DelayUnit from, DelayUnit to, float sampleRate) {
    if (from == DelayUnit::Milliseconds) value = value * sampleRate / 1000.0f;
    else if (from != DelayUnit::Samples) value *= sampleRate;
    if (to == DelayUnit::Milliseconds) value = value * 1000.0f / sampleRate;
    else if (to != DelayUnit::Samples) value /= sampleRate;
    return value;
}

int RangeIndexForTime(float value, TimeUnit unit) {
    const float ms = ConvertTime(value, unit, TimeUnit::Milliseconds);
    constexpr float kThresholds[] = {29.65f, 224.25f, 897.05f, 1558.65f, 3795.45f};
    int index = 0;
    for (float limit : kThresholds) {
        if (ms < limit) return index;
        ++index;
    }
    return index;
}

VelocityUnit DisplayVelocityUnit(int32_t unitSystem, int32_t velocityPerMs) {
    if (unitSystem == 0) return velocityPerMs == 1 ? VelocityUnit::MetresPerMs : VelocityUnit::MetresPerSecond;
    if (unitSystem == 1) {
        if (velocityPerMs == 0) return VelocityUnit::FeetPerSecond;
        if (velocityPerMs == 1) return VelocityUnit::FeetPerMs;
    }
    return VelocityUnit::MetresPerSecond;
}

std::u16string FormatNumber(const char* format, double value) {
    // The widest "%.4f" of a float fits (39 digits, sign, point, decimals).
    char text[64];
    const int n = platform::FormatC(text, sizeof text, format, value);
    if (n < 0) return u"";
    const size_t used = std::min<size_t>(static_cast<size_t>(n), sizeof text - 1);
    return std::u16string(text, text + used);
}

std::u16string FormatLength(float metres, LengthUnit unit) {
    const float x = ConvertLength(metres, LengthUnit::Metres, unit);
    switch (unit) {
    case LengthUnit::Inches:
        if (x < 10.0f) return FormatNumber("%.1f", std::floor(x * 10.0f + 0.5f) / 10.0f);
        return FormatNumber("%.0f", std::floor(x + 0.5f));
    case LengthUnit::Millimetres: return FormatNumber("%.0f", std::floor(x + 0.5f));
    default: return FormatNumber("%.1f", x);
    }
}

std::u16string FormatLengthWithUnit(float metres, LengthUnit unit) {
    const char* name = LengthUnitName(unit);
    return FormatLength(metres, unit) + std::u16string(name, name + std::char_traits<char>::length(name));
}

std::u16string FormatVelocity(float metresPerSecond, VelocityUnit unit) {
    const float v = ConvertVelocity(metresPerSecond, VelocityUnit::MetresPerSecond, unit);
    const bool perMs = unit == VelocityUnit::MetresPerMs || unit == VelocityUnit::FeetPerMs;
    return FormatNumber(perMs ? "%.4f" : "%.1f", v);
}

std::u16string FormatVelocityWithUnit(float metresPerSecond, VelocityUnit unit) {
    const char* name = VelocityUnitName(unit);
    return FormatVelocity(metresPerSecond, unit) + std::u16string(name, name + std::char_traits<char>::length(name));
}

std::u16string FormatTime(float seconds, TimeUnit unit) {
    if (unit == TimeUnit::Milliseconds) return FormatNumber("%.1fms", ConvertTime(seconds, TimeUnit::Seconds, unit));
    return FormatNumber("%.4fs", seconds);
}

std::u16string FormatDiameterRange(const DiameterBand& band, LengthUnit unit) {
    if (band.minDiameter == 0.0f && band.maxDiameter == 0.0f) return u"";
    const float low = ConvertLength(band.minDiameter, LengthUnit::Millimetres, LengthUnit::Metres);
    if (band.maxDiameter == 0.0f) return FormatLengthWithUnit(low, unit) + u" +";
    const float high = ConvertLength(band.maxDiameter, LengthUnit::Millimetres, LengthUnit::Metres);
    return FormatLength(low, unit) + u" - " + FormatLengthWithUnit(high, unit);
}
