// corrtool corr replay on a saved run and its recording, saved again with
// --out. The input is a little-endian int32 byte count of the .corr file, the
// .corr file, then the recording.

#include <cstring>
#include <fstream>
#include <sstream>

#include "fuzz/FuzzUnit.h"
#include "tools/Corrtool.h"

namespace {

void WriteHost(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t corrBytes = 0;
    if (size < sizeof corrBytes) return 0;
    std::memcpy(&corrBytes, data, sizeof corrBytes);
    const std::string_view rest(reinterpret_cast<const char*>(data) + sizeof corrBytes, size - sizeof corrBytes);
    if (corrBytes > rest.size()) return 0;
    const auto folder = fuzz::ScratchUnit::Get().Root();
    WriteHost(folder / "in.corr", rest.substr(0, corrBytes));
    WriteHost(folder / "in_corr.wav", rest.substr(corrBytes));
    std::ostringstream out, err;
    // The FFT engine: the direct one over a long range makes each input take seconds.
    RunCorrtool({"corr", "replay", (folder / "in.corr").string(), "--engine", "fft", "--out", (folder / "out").string()},
                out, err);
    return 0;
}
