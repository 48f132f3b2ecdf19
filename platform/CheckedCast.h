#pragma once
// platform/CheckedCast.h — floating-point values from devices and files to
// integers. A plain cast of NaN, an infinity or a value beyond the integer's
// range is undefined behaviour; these answer "nothing" instead.

#include <cmath>
#include <limits>
#include <optional>

namespace platform {

// The value truncated toward zero when that lies in Int's range; else nothing.
template <typename Int>
std::optional<Int> TruncateChecked(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // Both bounds are powers of two, so they are exact as doubles; the upper
    // one is max + 1, which a double holds where max itself may round up.
    constexpr double kLow = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double kAboveHigh = static_cast<double>(std::numeric_limits<Int>::max() / 2 + 1) * 2.0;
    const double whole = std::trunc(value);
    if (whole < kLow || whole >= kAboveHigh) return std::nullopt;
    return static_cast<Int>(whole);
}

}  // namespace platform
