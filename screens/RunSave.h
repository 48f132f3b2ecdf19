#pragma once
// screens/RunSave.h — the files SAVE writes for a run besides its pictures,
// as a set for platform::WriteFileSet: the recording "_corr.wav" first, then
// the run file ".corr". Each goes through a temporary and replaces an older
// run of the same name only when complete; one that fails keeps the old file
// and the other is still written. No Qt: the pictures are added by the
// caller (ui/ImageWriter writes them through temporaries too).
//
//   const auto paths = platform::RunFileNames(CConfiguration::DataFolder(), "A1");
//   const auto written = platform::WriteFileSet(RunDataFiles(run, paths));
//   WritePng(platform::HostPath(paths.png).string(), picture);

#include <vector>

#include "dsp/Correlation.h"
#include "platform/RunFiles.h"

// The recording and the run file of run under paths; run must outlive the
// returned writers (they read it when the set is written).
std::vector<platform::FileWrite> RunDataFiles(CCorrelation& run, const platform::RunFilePaths& paths);
