#pragma once
// screens/FileDetails.h — what the file list's information panel says about
// one saved file, as plain text lines (no Qt), each a string-table label and
// its value. A provider per file type: correlation runs (".corr", read header
// only), velocity computations (".comp"); a file whose header cannot be read
// gives one clear line and nothing else, so the list stays usable.

#include <functional>
#include <string>
#include <vector>

#include "dsp/Filter.h"
#include "pipe/Units.h"

// String-table identifiers the panel uses besides the labels of a run.
constexpr int kStringUnreadableFile = 940;  // "TYPE: UNREADABLE FILE"
constexpr int kStringPoints = 941;          // "POINTS:"

// Where the lines take their words: the string table of the language in
// force, the filter words, and the display length unit.
struct DetailWords {
    std::function<std::u16string(int id)> text;
    FilterWords filters;
    LengthUnit length = LengthUnit::Metres;
};

// The lines of a file's panel, at most twelve; the device path decides the
// provider by its extension (any case). Unknown types give no lines.
std::vector<std::u16string> FileDetailLines(const std::string& devicePath, const DetailWords& words);

// A run file: type, recorded seconds, pipe, filters, stations, sensor, title,
// the three comment lines and the reference.
std::vector<std::u16string> CorrelationDetailLines(const std::string& devicePath, const DetailWords& words);

// A velocity computation file: type, stations and the number of points.
std::vector<std::u16string> ComputationDetailLines(const std::string& devicePath, const DetailWords& words);
