#include "app/GraphLayout.h"

#include <algorithm>
#include <cmath>

#include "pipe/Pipe.h"
#include "pipe/Units.h"

namespace graph {

namespace {
constexpr float kHighestSnr = 99.0f;
constexpr float kMediumSnr = 4.0f;
constexpr float kGoodSnr = 9.0f;
constexpr float kCentreMs = 0.25f;
}  // namespace

PixelRect GraphAreaFor(int32_t traceCount, int32_t legendWidth) {
    PixelRect area = kGraphArea;
    if (traceCount > 1) {
        area.left = kMultiTraceLeft;
        area.right = std::max(area.left + 1, area.right - std::max(legendWidth, 0));
    }
    return area;
}

std::vector<PixelRect> PaneRects(const PixelRect& area, int32_t n, int32_t enlargedRow) {
    n = std::max(n, 1);
    const int32_t bottom = area.bottom - kPipeBarBand;
    const int32_t height = bottom - area.top + 1;
    std::vector<PixelRect> panes;
    if (n == 1) return {PixelRect{area.left, area.top, area.right, bottom}};
    if (enlargedRow >= 1 && enlargedRow <= n) {
        // The strips keep 26 px each; the enlarged row takes what is left.
        // Rows count from the top, panes from the bottom.
        const int32_t big = std::max(1, height - (n - 1) * (kStripHeight + kStripGap));
        const int32_t enlargedPane = n - enlargedRow;
        int32_t y = bottom;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t h = i == enlargedPane ? big : kStripHeight;
            panes.push_back({area.left, y - h + 1, area.right, y});
            y -= h + kStripGap;
        }
        return panes;
    }
    const int32_t h = std::max(1, height / n);
    for (int32_t i = 0; i < n; ++i) panes.push_back({area.left, bottom - (i + 1) * h + 1, area.right, bottom - i * h});
    return panes;
}

int32_t ColumnOfPixel(const PixelRect& pane, int32_t x, int32_t columns) noexcept {
    const int32_t width = pane.Width();
    if (columns <= 0 || width <= 0) return 0;
    const int64_t dx = std::clamp(x - pane.left, 0, width - 1);
    return static_cast<int32_t>(dx * columns / width);
}

int32_t PixelOfColumn(const PixelRect& pane, int32_t column, int32_t columns) noexcept {
    const int32_t width = pane.Width();
    if (columns <= 0 || width <= 0) return pane.left;
    // The first pixel whose column is this one.
    const int64_t c = column;
    return pane.left + static_cast<int32_t>((c * width + columns - 1) / columns);
}

LagWindow ShiftIntoRange(LagWindow w, int32_t range) {
    const int64_t width = static_cast<int64_t>(w.right) - w.left;
    if (w.left < -range) {
        w.left = -range;
        w.right = static_cast<int32_t>(std::min<int64_t>(-static_cast<int64_t>(range) + width, INT32_MAX));
    }
    if (w.right > range) {
        w.right = range;
        w.left = static_cast<int32_t>(std::max<int64_t>(range - width, INT32_MIN));
    }
    return w;
}

namespace {
LagWindow OneLagPerColumn(const ZoomInput& z) {
    const int32_t left = z.cursor - z.cursorColumn;
    return {left, left + std::max(z.columns - 1, 0)};
}
}  // namespace

LagWindow ZoomIn(const ZoomInput& z) {
    LagWindow w{(z.cursor + z.window.left) / 2, (z.cursor + z.window.right) / 2};
    if (w.right - w.left < z.columns - 1) w = OneLagPerColumn(z);
    return ShiftIntoRange(w, z.range);
}

LagWindow ZoomOut(const ZoomInput& z) {
    const int64_t left = 2LL * z.window.left - z.cursor, right = 2LL * z.window.right - z.cursor;
    if (right - left > 2LL * z.range) return {-z.range, z.range};
    return ShiftIntoRange({static_cast<int32_t>(left), static_cast<int32_t>(right)}, z.range);
}

LagWindow FullPipeView(const ZoomInput& z) { return {-z.range, z.range}; }

LagWindow ZoomMax(const ZoomInput& z) { return ShiftIntoRange(OneLagPerColumn(z), z.range); }

std::u16string SnrText(float snr) {
    if (snr > kHighestSnr) return u">99:1";
    if (!(snr > 0)) return u"---";
    return FormatNumber("%.0f:1", std::floor(snr));
}

SnrQuality QualityForSnr(float snr) {
    if (!(snr > 0)) return SnrQuality::Hidden;
    if (snr < kMediumSnr) return SnrQuality::Poor;
    if (snr < kGoodSnr) return SnrQuality::Medium;
    return SnrQuality::Good;
}

GraphWarning WarningFor(float peakSeconds, float travelSeconds, bool resultsChanged) {
    if (peakSeconds > travelSeconds || peakSeconds < -travelSeconds) return GraphWarning::OutOfBracket;
    const float ms = ConvertTime(peakSeconds, TimeUnit::Seconds, TimeUnit::Milliseconds);
    if (resultsChanged && ms >= -kCentreMs && ms <= kCentreMs) return GraphWarning::CentreCorrelation;
    return GraphWarning::None;
}

DistanceTexts DistancesFor(const CPipe& pipe, float delaySeconds, int32_t unitSystem, bool resultsChanged) {
    if (pipe.IsSurvey() || !resultsChanged) return {};
    CPipe placed = pipe;
    placed.SetDelay(delaySeconds, DelayUnit::Seconds);
    const auto unit = static_cast<LengthUnit>(unitSystem);
    return {FormatLengthWithUnit(placed.GetDistanceFromA(LengthUnit::Metres), unit),
            FormatLengthWithUnit(placed.GetDistanceFromB(LengthUnit::Metres), unit)};
}

std::u16string FilterLabelValue(const std::u16string& bandText, int32_t traceCount, int32_t sectionCount,
                                float velocity, const std::u16string& multiple) {
    if (traceCount > 1) return multiple;
    if (sectionCount != 1) return bandText;
    return bandText + FormatNumber(" (%.1fm/s)", velocity);
}

}  // namespace graph
