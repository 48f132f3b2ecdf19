#pragma once
// analysis/WavInput.h — any WAV recording the office analysis reads: RIFF
// "WAVE" with a "fmt " chunk of integer PCM (16, 24 or 32 bits, format 1) or
// IEEE float (32 bits, format 3), also inside WAVE_FORMAT_EXTENSIBLE (0xFFFE),
// 1 to 8 channels, other chunks skipped. Samples come out as floats with full
// scale at +-1 (integers divided by 2^(bits-1)); a unit's recording, 12-bit
// samples scaled by 16, reads as counts / 2048.

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace analysis {

// Every input and option error of the analysis, with the message to show.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A recording: channels[c][frame], all of one length.
struct Audio {
    double rate = 0;  // frames per second, > 0
    int32_t bits = 0;
    bool isFloat = false;
    std::vector<std::vector<float>> channels;

    int64_t Frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels[0].size()); }
};

constexpr int32_t kMaxChannels = 8;
// 30 minutes at 48 kHz, and as many samples as such a stereo file: larger
// files are refused before any sample is read.
constexpr int64_t kMaxFrames = int64_t{48000} * 60 * 30;
constexpr int64_t kMaxSamples = 2 * kMaxFrames;

// Reads a whole recording; raises InputError "NAME: reason" for anything it
// cannot read (not RIFF/WAVE, no "fmt " or "data", an unsupported format, a
// chunk larger than the file, more frames or channels than the limits).
// A data chunk longer than the file keeps the whole frames present.
Audio ReadWav(std::istream& is, const std::string& name);
// The same from a host path; "NAME: cannot open" when it does not open.
Audio ReadWavFile(const std::string& path);

}  // namespace analysis
