// The velocity computation file, read into both display units, and the
// results and graph scales the screen derives from its points.

#include <sstream>

#include "archive/Archive.h"
#include "fuzz/FuzzUnit.h"
#include "pipe/ComputationFile.h"
#include "pipe/ComputeResults.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes = fuzz::Bytes(data, size);
    for (const auto& [length, time] : {std::pair{LengthUnit::Metres, TimeUnit::Seconds},
                                       std::pair{LengthUnit::Feet, TimeUnit::Milliseconds}}) {
        Computation c;
        std::istringstream in(bytes);
        try {
            ReadComputation(in, c, length, time);
        } catch (const archive::ArchiveError&) {
            continue;
        }
        ComputeResults(c.points, 0, length, time);
        const SeparationScale separation = SeparationAxis(c.points);
        const DelayScale delay = DelayAxis(c.points, time);
        for (int k = 0; k <= separation.steps && k < 100; ++k) SeparationTickLabel(separation, k);
        for (int k = 0; k <= 4; ++k) DelayTickLabel(delay.bottom + static_cast<float>(k) * delay.step, time);
    }
    return 0;
}
