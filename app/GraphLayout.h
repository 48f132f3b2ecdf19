#pragma once
// app/GraphLayout.h — the geometry and the texts of the correlation graph
// that need no widget: where the graph and its panes lie, which pixel column
// shows which display column, the zoom window rules, the SNR text and quality
// icon, the warnings and the distance texts. Pixel coordinates are those of
// the 640 x 480 screen; rectangles are inclusive on all four edges, as the
// paint names them.

#include <cstdint>
#include <string>
#include <vector>

class CPipe;

namespace graph {

// An inclusive rectangle of screen pixels.
struct PixelRect {
    int32_t left = 0, top = 0, right = -1, bottom = -1;
    int32_t Width() const noexcept { return right - left + 1; }
    int32_t Height() const noexcept { return bottom - top + 1; }
    // Edge pixels count as inside.
    bool Contains(int32_t x, int32_t y) const noexcept { return x >= left && x <= right && y >= top && y <= bottom; }
    bool operator==(const PixelRect&) const = default;
};

constexpr PixelRect kGraphArea{24, 91, 607, 315};
constexpr int32_t kMultiTraceLeft = 84;     // three traces: a strip for the row buttons
constexpr int32_t kPipeBarBand = 33;        // below the panes: pipe bar, ticks and delay text
constexpr int32_t kStripHeight = 26;        // panes beside an enlarged row
constexpr int32_t kStripGap = 3;
constexpr int32_t kLegendMargin = 10;       // legend width = widest band text + 10

// The graph area of a run: with more than one trace the left edge moves to 84
// and the panes end before the legend (legendWidth px, 0 with one trace).
PixelRect GraphAreaFor(int32_t traceCount, int32_t legendWidth);

// Panes stacked upwards from the bottom of the area (pane 0 at the bottom),
// over the area less the 33-pixel band. One pane takes all of it; n panes
// share the height equally, except that with enlargedRow 1 ... n (counted
// from the top: row r is pane n - r) the other panes are 26-pixel strips
// 3 pixels apart and that row takes the rest.
//  n : 1 ... 5 panes
std::vector<PixelRect> PaneRects(const PixelRect& area, int32_t n, int32_t enlargedRow);

// The display column a pixel column of a pane shows (0 ... columns - 1), and
// the pixel column a display column is drawn at. With as many columns as
// pixels both are the identity shift.
int32_t ColumnOfPixel(const PixelRect& pane, int32_t x, int32_t columns) noexcept;
int32_t PixelOfColumn(const PixelRect& pane, int32_t column, int32_t columns) noexcept;

// ---- zoom -----------------------------------------------------------------------
// A visible window in lags (samples), left <= right.
struct LagWindow {
    int32_t left = 0, right = 0;
    bool operator==(const LagWindow&) const = default;
};

// The zoom inputs: C cursor lag, the window L ... R, F the delay range in lags
// (the full window is -F ... F), N display columns, K the cursor's column.
struct ZoomInput {
    int32_t cursor = 0;
    LagWindow window;
    int32_t range = 0;
    int32_t columns = 0;
    int32_t cursorColumn = 0;
};

// Halves the window about the cursor; narrower than N - 1 lags becomes one
// lag per column with the cursor keeping its column. Then shifted into range.
LagWindow ZoomIn(const ZoomInput& z);
// Doubles the window about the cursor; wider than 2F becomes -F ... F.
LagWindow ZoomOut(const ZoomInput& z);
// -F ... F.
LagWindow FullPipeView(const ZoomInput& z);
// One lag per column with the cursor keeping its column, shifted into range.
LagWindow ZoomMax(const ZoomInput& z);
// Keeps the width and moves the window inside -F ... F, first against the
// left end, then against the right one.
LagWindow ShiftIntoRange(LagWindow w, int32_t range);

// ---- texts and rules ------------------------------------------------------------
// "SNR:" follows with ">99:1" above 99.0, the SNR rounded down as "%.0f:1"
// from above 0, "---" at 0 or below.
std::u16string SnrText(float snr);

enum class SnrQuality { Hidden, Poor, Medium, Good };
// Poor below 4.0, medium from 4.0, good from 9.0; hidden at 0 or below.
SnrQuality QualityForSnr(float snr);

enum class GraphWarning { None, OutOfBracket, CentreCorrelation };
// Out of bracket when the peak lies beyond the pipe's travel time either way;
// else, once results changed, a centre correlation when the peak lies within
// 0.25 ms of zero delay (inclusive).
//  peakSeconds, travelSeconds : s
GraphWarning WarningFor(float peakSeconds, float travelSeconds, bool resultsChanged);

// The distance labels: the leak at delaySeconds on a copy of the pipe,
// "12.5m" from station A and from B in the length unit; empty for a survey
// pipe or when results did not change.
struct DistanceTexts {
    std::u16string fromA, fromB;
};
DistanceTexts DistancesFor(const CPipe& pipe, float delaySeconds, int32_t unitSystem, bool resultsChanged);

// The filter and pipe labels' values after their prefixes.
std::u16string FilterLabelValue(const std::u16string& bandText, int32_t traceCount, int32_t sectionCount,
                                float velocity, const std::u16string& multiple);

}  // namespace graph
