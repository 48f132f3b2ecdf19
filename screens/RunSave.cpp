#include "screens/RunSave.h"

#include "dsp/WaveFile.h"

std::vector<platform::FileWrite> RunDataFiles(CCorrelation& run, const platform::RunFilePaths& paths) {
    return {
        {paths.wav, [&run](std::ostream& os) { return WriteRunRecording(run, os); }},
        {paths.corr, [&run](std::ostream& os) {
             run.Write(os);
             return static_cast<bool>(os);
         }},
    };
}
