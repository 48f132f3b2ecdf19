#pragma once
// screens/ComputeGraph.h — the velocity computation's result graph: sensor
// separation across (0 ... steps x step), measured delay up (four steps from
// the scale's bottom), every point with the selected one ringed and excluded
// ones crossed out, and the fitted line when two points or more are included.

#include <QColor>
#include <QPointF>
#include <QRect>

#include "pipe/ComputeResults.h"
#include "pipe/LinearRegression.h"
#include "pipe/Units.h"

class QPainter;

// The plot area in screen pixels; tick labels lie left of and under it, the
// station pictures (32 x 32) sit centred under its two lower corners. The
// delay axis's title ends at y 150, clear of the plot and its fitted line.
constexpr QRect kComputePlot(80, 156, 513, 195);
constexpr int kComputeStationSize = 32;
constexpr int kComputeStationTop = 368;

struct ComputeGraphColours {
    QColor text, grid, line, selected, excluded;
};
ComputeGraphColours ComputeColours(bool inverted);

struct ComputeGraphInput {
    const LinearRegression* points = nullptr;
    size_t selected = 0;
    TimeUnit time = TimeUnit::Seconds;
    bool inverted = false;
};

// Where a value lands on the plot for the scales of these points.
QPointF ComputePlotPoint(const SeparationScale& across, const DelayScale& up, float x, float y);

void PaintComputeGraph(QPainter& painter, const ComputeGraphInput& in);
