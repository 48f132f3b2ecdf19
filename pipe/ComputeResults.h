#pragma once
// pipe/ComputeResults.h — what the velocity computation screen shows, as pure
// functions of the point list: the four result lines, the axis titles and
// the scales of the result graph.
//
// A noise source at distance d from station A on a separation D gives the
// delay y = D / v - 2 d / v, so the fitted line y = m D + c yields the speed
// of sound |1 / m| and the source distance 0.5 (-c / m).

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

#include "pipe/LinearRegression.h"
#include "pipe/Units.h"

// The fitted line's answer in the points' units: the source's distance from
// station A, 0.5 (-c / m), and the speed of sound |1 / m|. Not defined (both
// NaN) with fewer than two included points or points that fix no line.
struct ComputeFit {
    bool defined = false;
    float leakDistance = std::numeric_limits<float>::quiet_NaN();
    float velocity = std::numeric_limits<float>::quiet_NaN();
};
ComputeFit FitLeakAndVelocity(const LinearRegression& points);

// Each line is its caption, a space and the value ("LEAK DISTANCE: 25.0m");
// all empty without points; with fewer than two included points the last
// three lines have empty values. Included points that fix no line (all at one
// separation, or a slope of 0) give the leak distance and the velocity the
// undefined text.
struct ComputeResultTexts {
    std::u16string separation;    // the selected point's x
    std::u16string leakDistance;  // 0.5 (-c / m)
    std::u16string velocity;      // |1 / m|
    std::u16string delay;         // the selected point's y
};

// The captions the values follow; a language pack gives its own.
struct ComputeCaptions {
    std::u16string separation = u"SENSOR SEPARATION:";
    std::u16string leakDistance = u"LEAK DISTANCE:";
    std::u16string velocity = u"CALCULATED VELOCITY:";
    std::u16string delay = u"MEASURED TIME DELAY:";
    std::u16string undefined = u"UNDEFINED";  // a value no line gives
};

// length: metres or feet (the configuration's unitSystem); time: seconds or
// milliseconds (velocityPerMs). The points are in those units.
ComputeResultTexts ComputeResults(const LinearRegression& points, size_t selected, LengthUnit length,
                                  TimeUnit time, const ComputeCaptions& captions = {});

// The caption cut at its first "(" and followed by "(m)", "(ft)", "(s)" or "(ms)".
std::u16string AxisTitle(std::u16string_view caption, std::u16string_view unit);

// Separation axis from 0 to steps x step.
struct SeparationScale {
    float step = 0.1f;
    int steps = 5;
};
// Covers the largest separation, and the fitted line's zero crossing -c / m
// when the included points fix a line and it lies further out.
SeparationScale SeparationAxis(const LinearRegression& points);
// k x step with "%.1f".
std::u16string SeparationTickLabel(const SeparationScale& scale, int k);

// Delay axis of four steps from bottom to bottom + 4 x step.
struct DelayScale {
    float bottom = 0.0f;
    float step = 0.0f;
};
// Delays of one sign: an axis from 0 growing by 2, 2.5, 5 or 10; delays of
// both signs: the step series 1, 2, 2.5, 5 x 10^k with a base that brackets
// them. The smallest step is 0.0001 s or 0.1 ms.
DelayScale DelayAxis(const LinearRegression& points, TimeUnit time);
// "%.4f" for seconds, "%.1f" for milliseconds.
std::u16string DelayTickLabel(float value, TimeUnit time);
