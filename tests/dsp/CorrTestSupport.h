#pragma once
// Inputs the correlation tests build by hand: seeded noise and recordings.

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dsp/WaveFile.h"

// Uniform integers in -amplitude ... amplitude from a fixed seed.
inline std::vector<int16_t> Noise(size_t n, uint32_t seed, int amplitude = 2047) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> u(-amplitude, amplitude);
    std::vector<int16_t> v(n);
    for (int16_t& x : v) x = static_cast<int16_t>(u(gen));
    return v;
}

// A stereo 16-bit recording of interleaved Red, Blue values; header by hand.
inline std::string WavBytes(const std::vector<int16_t>& frames, uint32_t rate = 10000) {
    WavHeader h{};
    std::memcpy(h.riff, "RIFF", 4);
    std::memcpy(h.wave, "WAVE", 4);
    std::memcpy(h.fmt, "fmt ", 4);
    std::memcpy(h.data, "data", 4);
    h.fmtSize = 16;
    h.format = 1;
    h.channels = 2;
    h.sampleRate = rate;
    h.byteRate = 4 * rate;
    h.blockAlign = 4;
    h.bitsPerSample = 16;
    h.dataSize = static_cast<uint32_t>(2 * frames.size());
    h.riffSize = 36 + h.dataSize;
    std::string bytes(reinterpret_cast<const char*>(&h), sizeof h);  // the host is little-endian
    bytes.append(reinterpret_cast<const char*>(frames.data()), 2 * frames.size());
    return bytes;
}
