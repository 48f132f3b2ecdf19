#pragma once
// pipe/ComputationFile.h — the velocity computation file ".comp": the point
// list in the units it was saved in and the stations shown at the ends of
// the result graph.
//
//   "TkLR", int32 2, int16 version 1
//   "LinR", int32 body size, body: int32 length unit, int32 time unit,
//           the point list (LinearRegression::Write)
//   "LRDt", int32 8, int32 left station, int32 right station

#include <cstdint>
#include <istream>
#include <ostream>

#include "pipe/LinearRegression.h"
#include "pipe/Units.h"

struct Computation {
    LinearRegression points;
    int32_t leftStation = 1;   // station code shown at the left end (0-3)
    int32_t rightStation = 2;  // and at the right end
};

// What a read found besides the points: the units they were stored in.
struct ComputationUnits {
    LengthUnit length = LengthUnit::Metres;
    TimeUnit time = TimeUnit::Seconds;
};

constexpr const char* kComputationUnknownType = "CComputeDialog Read: Unknown file type";
constexpr const char* kComputationUnsupportedVersion = "CComputeDialog Read: Unsupported version";

// Writes the points as they are, labelled with the display units they are in.
void WriteComputation(std::ostream& os, const Computation& c, LengthUnit length, TimeUnit time);

// Reads a file and converts every point into the display units. Raises
// kComputationUnknownType (also for a value that is not finite once
// converted), kComputationUnsupportedVersion,
// LinearRegression::kSizeError or the archive's errors; c changes only when
// the whole file was read, so a file broken anywhere leaves no stray points.
ComputationUnits ReadComputation(std::istream& is, Computation& c, LengthUnit length, TimeUnit time);
