#pragma once
// tests/audio/TestSignal.h — a two-channel capture as raw 16-bit little-endian
// frames: broadband noise (many sinusoids of random frequency and phase,
// 150 .. 4000 Hz) on both channels, the left one later by a known delay that
// need not be a whole number of samples at any rate, plus a little
// independent noise per channel. Evaluated exactly at each channel's sample
// times, so the delay is exact at any capture rate.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testsignal {

struct Signal {
    unsigned rate = 48000;         // Hz
    double seconds = 8.0;
    double leftDelaySamples = 0;   // at 10 kHz; the left channel hears it this much later
    double level = 0.08;           // RMS of the common noise, full scale 1
    double ownNoise = 0.01;        // RMS of each channel's own noise
    uint32_t seed = 7;
};

// The capture's interleaved frames, left first. Built without instrumentation
// and optimised in every build (tests/audio/tool/TestSignal.cpp): it is test
// data, and its tone loop is the slowest code the audio tests run.
std::vector<int16_t> Make(const Signal& s);

inline bool Write(const std::string& path, const std::vector<int16_t>& frames) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(frames.data()), static_cast<std::streamsize>(frames.size() * 2));
    return static_cast<bool>(f);
}

// An ALSA configuration defining capture device `name` that reads `rawFile`
// (the file plugin over the null device). Pass its path in ALSA_CONFIG_PATH.
inline std::string FileDeviceConfig(const std::string& name, const std::string& rawFile) {
    return "pcm." + name + " {\n  type file\n  slave.pcm { type null }\n  file \"/dev/null\"\n  infile \"" + rawFile +
           "\"\n  format \"raw\"\n  hint { show on description \"test capture " + name + "\" }\n}\n";
}

}  // namespace testsignal
