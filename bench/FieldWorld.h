#pragma once
// bench/FieldWorld.h — synthetic field cases with a known leak: sources on
// or beyond a pipe, reflections at joints and closed ends, attenuation and
// dispersion, sensor resonances and gains, tones picked up by both stations
// and traffic bursts, rendered in the frequency domain (circular records of
// a power of two, so every delay may be a fraction of a sample).

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "dsp/DSPLib.h"

namespace field {

struct Source {
    double position;    // m from Red; the leak is sources[0]
    double gain = 1.0;
    double lowHz = 200, highHz = 1500;  // second-order edges
};

struct Reflector {
    double position;     // m from Red (beyond an end: < 0 or > length)
    double coefficient;  // of the reflected wave
};

struct Sensor {
    double gain = 1.0;
    double noise = 0.3;         // rms of its own white noise
    double resonanceHz = 0;     // 0: none
    double resonanceQ = 20;
    double resonancePeak = 20;  // gain at the resonance
};

struct Tone {
    double hz, amplitude;
};

struct World {
    std::string name;
    double length = 200, velocity = 1250;  // m, m/s
    double attenuation = 0;  // nepers per m per kHz
    double dispersion = 0;   // relative change of velocity per kHz about 500 Hz
    std::vector<Source> sources;
    std::vector<Reflector> reflectors;
    Sensor red, blue;
    std::vector<Tone> tones;   // in both channels, each with its own phase
    double burstsEvery = 0;    // s; traffic bursts at Red, 0.5 s long, 50 x
    double bandLow = 0, bandHigh = 0;  // what the operator sets, Hz

    double Truth() const { return sources.front().position; }
};

using Spectrum = std::vector<std::complex<double>>;

inline Spectrum NoiseSpectrum(int32_t n, std::mt19937& rng) {
    std::normal_distribution<float> g(0.0f, 1.0f);
    std::vector<float> x(static_cast<size_t>(n) + 2);
    for (int32_t i = 0; i < n; ++i) x[i] = g(rng);
    dsp::RealFftForward(x.data(), n);
    Spectrum s(static_cast<size_t>(n / 2 + 1));
    for (size_t k = 0; k < s.size(); ++k) s[k] = {x[2 * k], x[2 * k + 1]};
    return s;
}

inline std::vector<float> ToTime(Spectrum s, int32_t n) {
    std::vector<float> x(static_cast<size_t>(n) + 2);
    s.back() = s.back().real();
    for (size_t k = 0; k < s.size(); ++k) x[2 * k] = static_cast<float>(s[k].real()), x[2 * k + 1] = static_cast<float>(s[k].imag());
    dsp::RealFftInverse(x.data(), n);
    x.resize(static_cast<size_t>(n));
    return x;
}

// Path d metres long at f Hz: delay at the dispersive velocity, attenuation.
inline std::complex<double> Path(const World& w, double d, double f, double velocityScale) {
    const double v = w.velocity * velocityScale * (1 + w.dispersion * (f / 1000 - 0.5));
    return std::polar(std::exp(-w.attenuation * d * f / 1000), -2 * std::numbers::pi * f * d / v);
}

inline std::complex<double> SensorResponse(const Sensor& s, double f) {
    std::complex<double> h = s.gain;
    if (s.resonanceHz > 0 && f > 0) {
        const double x = s.resonanceQ * (f / s.resonanceHz - s.resonanceHz / f);
        h *= 1.0 + (s.resonancePeak - 1) / std::complex<double>(1.0, x);
    }
    return h;
}

inline double SourceShape(const Source& s, double f) {
    if (f <= 0) return 0;
    return 1 / std::sqrt((1 + std::pow(s.lowHz / f, 4)) * (1 + std::pow(f / s.highHz, 4)));
}

struct Pair {
    std::vector<float> red, blue;
};

// One recording of n frames at rate; seed draws every noise; velocityScale
// makes the world's true velocity differ from the one the analysis is told.
inline Pair Render(const World& w, int32_t n, double rate, uint32_t seed, double velocityScale = 1.0) {
    std::mt19937 rng(seed);
    const size_t bins = static_cast<size_t>(n / 2 + 1);
    Spectrum red(bins), blue(bins);
    for (const Source& src : w.sources) {
        const Spectrum s = NoiseSpectrum(n, rng);
        for (size_t k = 1; k < bins; ++k) {
            const double f = k * rate / n;
            const std::complex<double> x = s[k] * src.gain * SourceShape(src, f);
            std::complex<double> toRed = Path(w, std::fabs(src.position), f, velocityScale);
            std::complex<double> toBlue = Path(w, std::fabs(w.length - src.position), f, velocityScale);
            for (const Reflector& r : w.reflectors) {
                toRed += r.coefficient * Path(w, std::fabs(src.position - r.position) + std::fabs(r.position), f, velocityScale);
                toBlue += r.coefficient *
                          Path(w, std::fabs(src.position - r.position) + std::fabs(r.position - w.length), f, velocityScale);
            }
            red[k] += x * toRed * SensorResponse(w.red, f);
            blue[k] += x * toBlue * SensorResponse(w.blue, f);
        }
    }
    Pair p{ToTime(red, n), ToTime(blue, n)};
    std::normal_distribution<float> g(0.0f, 1.0f);
    std::uniform_real_distribution<double> phase(0, 2 * std::numbers::pi);
    for (int32_t i = 0; i < n; ++i) {
        p.red[i] += static_cast<float>(w.red.noise) * g(rng);
        p.blue[i] += static_cast<float>(w.blue.noise) * g(rng);
    }
    for (const Tone& t : w.tones) {
        const double a = phase(rng), b = phase(rng);
        for (int32_t i = 0; i < n; ++i) {
            p.red[i] += static_cast<float>(t.amplitude * std::sin(2 * std::numbers::pi * t.hz * i / rate + a));
            p.blue[i] += static_cast<float>(t.amplitude * std::sin(2 * std::numbers::pi * t.hz * i / rate + b));
        }
    }
    if (w.burstsEvery > 0) {
        const auto every = static_cast<int32_t>(w.burstsEvery * rate), length = static_cast<int32_t>(0.5 * rate);
        for (int32_t start = every / 2; start + length < n; start += every)
            for (int32_t i = start; i < start + length; ++i) p.red[i] *= 50;
    }
    return p;
}

// The cases of the field bench: each one defeats the plain band-passed
// correlation in its own way.
inline std::vector<World> Cases() {
    std::vector<World> c;
    World w;
    w.name = "steel, clean";
    w.sources = {{70}};
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "echoes: valve 1.5 m past Blue, tee 2 m past Red";
    w.length = 300, w.velocity = 1200;
    w.sources = {{110, 1.0, 150, 700}};
    w.reflectors = {{301.5, 0.9}, {-2, 0.7}};
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "plastic: attenuation and dispersion";
    w.length = 100, w.velocity = 350;
    w.attenuation = 0.05, w.dispersion = 0.08;
    w.sources = {{35, 1.0, 30, 300}};
    w.red.noise = w.blue.noise = 0.5;
    w.bandLow = 20, w.bandHigh = 800;
    c.push_back(w);

    w = {};
    w.name = "sensor resonance at 250 Hz";
    w.velocity = 1300;
    w.sources = {{130}};
    w.red.resonanceHz = w.blue.resonanceHz = 250;
    w.red.resonanceQ = w.blue.resonanceQ = 30;
    w.red.resonancePeak = w.blue.resonancePeak = 30;
    w.red.noise = w.blue.noise = 1.0;
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "common tones: mains harmonics, a pump's 1 kHz";
    w.length = 250;
    w.sources = {{90}};
    for (int h = 1; h <= 10; ++h) w.tones.push_back({50.0 * h, 5.0});
    w.tones.push_back({1000.0, 10.0});
    w.bandLow = 20, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "pump 30 m beyond Blue, louder than the leak";
    w.sources = {{80}, {230, 3.0, 50, 300}};
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "second leak, 0.7 of the first";
    w.length = 300;
    w.sources = {{100}, {220, 0.7}};
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "unequal gains: Blue 26 dB down";
    w.sources = {{60}};
    w.blue.gain = 0.05;
    w.red.noise = w.blue.noise = 0.05;
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);

    w = {};
    w.name = "traffic bursts at Red";
    w.sources = {{150}};
    w.burstsEvery = 4;
    w.bandLow = 100, w.bandHigh = 2000;
    c.push_back(w);
    return c;
}

}  // namespace field
