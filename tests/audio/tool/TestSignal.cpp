#include "../TestSignal.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace testsignal {

std::vector<int16_t> Make(const Signal& s) {
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

}  // namespace testsignal
