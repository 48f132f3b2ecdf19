// A recording played back whole, then from its middle.

#include <memory>
#include <sstream>
#include <vector>

#include "dsp/WaveFile.h"
#include "fuzz/FuzzUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CWaveReader reader;
    if (!reader.Open(std::make_unique<std::istringstream>(fuzz::Bytes(data, size)))) return 0;
    constexpr int32_t kBlock = 1000;
    std::vector<int16_t> frames(2 * kBlock);
    int64_t total = 0;
    for (int32_t got; (got = reader.ReadFrames(kBlock, frames.data())) > 0;) {
        total += got;
        if (total > reader.FrameCount()) fuzz::Fail("more frames played than the recording holds");
    }
    reader.SetPosition(reader.FrameCount() / 2);
    reader.ReadFrames(kBlock, frames.data());
    return 0;
}
