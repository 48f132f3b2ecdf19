#pragma once
// analysis/Confidence.h — the 95 % interval on the leak's position.
//
// The delay's standard error comes from the jackknife over blocks of
// consecutive segments (the caller's), taken with Student's t for blocks - 1
// degrees of freedom. The velocity's relative error (the
// operator's, or a computation file's) is taken as normal. The two parts'
// half-widths in metres, each through the pipe's own sections, add in
// quadrature.

#include <cstdint>
#include <vector>

#include "pipe/LinearRegression.h"
#include "pipe/Pipe.h"

namespace analysis {

// Two-sided 97.5 % point of Student's t for dof >= 1 degrees of freedom.
double StudentT975(int32_t dof);

// Standard error of the mean of the estimates (NaN below two).
double StandardError(const std::vector<double>& estimates);

struct Interval {
    double low = 0;   // m from station A
    double high = 0;
};

// pipe: sections with velocities; delayS: the measured delay;
// delaySe: its standard error (s) with dof degrees of freedom;
// velocityError: relative standard error of every section's velocity.
Interval LeakInterval(const CPipe& pipe, double delayS, double delaySe, int32_t dof, double velocityError);

// The relative standard error of a velocity computation's slope (delay per
// separation, the inverse of the speed of sound), from the residuals of its
// included points; NaN with fewer than three or a single separation.
double RelativeSlopeError(const LinearRegression& fit);

// Metres from station A for a delay with every velocity scaled.
double DistanceFromA(CPipe pipe, double delayS, double velocityScale = 1.0);

}  // namespace analysis
