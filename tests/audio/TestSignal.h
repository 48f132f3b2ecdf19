#pragma once
// tests/audio/TestSignal.h — a two-channel capture as raw 16-bit little-endian
// frames: broadband noise (many sinusoids of random frequency and phase,
// 150 .. 4000 Hz) on both channels, the left one later by a known delay that
// need not be a whole number of samples at any rate, plus a little
// independent noise per channel. Evaluated exactly at each channel's sample
// times, so the delay is exact at any capture rate.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <random>
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

inline std::vector<int16_t> Make(const Signal& s) {
    constexpr int kTones = 400;
    std::mt19937 random(s.seed);
    std::uniform_real_distribution<double> freq(150.0, 4000.0), phase(0.0, 2 * std::numbers::pi);
    std::normal_distribution<double> own(0.0, s.ownNoise);
    const double amplitude = s.level * std::sqrt(2.0 / kTones);
    const double delay = s.leftDelaySamples / 10000.0;  // s
    // Each tone is a unit phasor turned by its step every sample, written out
    // rather than with std::complex, whose product checks for infinities and
    // is many times slower in the sanitized build.
    std::vector<double> leftRe(kTones), leftIm(kTones), rightRe(kTones), rightIm(kTones), stepRe(kTones), stepIm(kTones);
    for (int k = 0; k < kTones; ++k) {
        const double f = freq(random), p = phase(random);
        const double pl = p - 2 * std::numbers::pi * f * delay, ps = 2 * std::numbers::pi * f / s.rate;
        rightRe[k] = std::cos(p), rightIm[k] = std::sin(p);
        leftRe[k] = std::cos(pl), leftIm[k] = std::sin(pl);
        stepRe[k] = std::cos(ps), stepIm[k] = std::sin(ps);
    }
    const size_t frames = static_cast<size_t>(s.seconds * s.rate);
    std::vector<int16_t> out(2 * frames);
    auto sample = [](double v) {
        return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 32767.0 / 32768.0) * 32768.0));
    };
    const auto turn = [](double& re, double& im, double sr, double si) {
        const double r = re * sr - im * si;
        im = re * si + im * sr;
        re = r;
    };
    for (size_t n = 0; n < frames; ++n) {
        double l = 0, r = 0;
        for (int k = 0; k < kTones; ++k) {
            l += leftIm[k];
            r += rightIm[k];
            turn(leftRe[k], leftIm[k], stepRe[k], stepIm[k]);
            turn(rightRe[k], rightIm[k], stepRe[k], stepIm[k]);
        }
        out[2 * n] = sample(amplitude * l + own(random));
        out[2 * n + 1] = sample(amplitude * r + own(random));
    }
    return out;
}

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
