#pragma once
// tools/Manifest.h — the pairs of `corrtool batch`: JSON lines, one flat
// object of strings a line ({"red": "a.wav", "blue": "b.wav", "pipe":
// "200:1250"}), or CSV whose first line names the columns (fields with a
// comma in double quotes). Keys: run, red, blue, stereo, pipe, band,
// weighting. Blank lines and lines starting with '#' are no pairs. Relative
// paths are taken from the manifest's folder.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "tools/AnalyzeJob.h"

struct ManifestEntry {
    int32_t line = 0;   // 1-based line of the manifest
    AnalyzeJob job;
    std::string error;  // why the line is no pair; empty when it is one
};

// Every pair in manifest order; a line that cannot be read is an entry with
// its error, never the end of the manifest.
std::vector<ManifestEntry> ReadManifest(std::istream& is, const std::string& folder);
