// The FFT library's start-up self-test: complex and real round trips and the
// conjugate symmetry of a real signal's spectrum, at 1024 points.

#include <cstdio>
#include <vector>

#include "dsp/DSPLib.h"
#include "platform/SelfTestText.h"
#include "platform/Numbers.h"

namespace dsp {
namespace {

constexpr int32_t kPoints = 1024;

// The classic C library generator (seed 1, values 0 ... 32767), kept here so
// that the test data never depend on who else drew random numbers first.
class ClassicRandom {
public:
    float NextUnit() noexcept {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<float>((m_state >> 16) & 0x7FFF) / 32767.0f;
    }

private:
    uint32_t m_state = 1;
};

// A value whose ratio to its reference lies outside [0.999, 1.001] (or is
// not a number) counts as one failure.
int Deviates(float value, float reference) {
    const float ratio = value / reference;
    return ratio >= 0.999f && ratio <= 1.001f ? 0 : 1;
}

std::string Counted(int line, const char* format, int count) {
    char text[160];
    platform::FormatC(text, sizeof text, format, count);
    return platform::CheckFailure("DSPLib", line, text);
}

}  // namespace

std::string DSPLibSelfTest() {
    std::string failures;
    ClassicRandom random;

    std::vector<Complex> data(kPoints), saved(kPoints);
    for (Complex& c : data) c = {random.NextUnit(), random.NextUnit()};
    saved = data;
    FftForward(data.data(), kPoints);
    FftInverse(data.data(), kPoints);
    int counts = 0;
    for (int32_t i = 0; i < kPoints; ++i)
        counts += Deviates(data[i].re, saved[i].re) + Deviates(data[i].im, saved[i].im);
    if (counts) failures += Counted(__LINE__, "FFT->IFFT identity comparison failed (%d counts)\n", counts);

    std::vector<float> reals(kPoints + 2), savedReals(kPoints);
    for (int32_t i = 0; i < kPoints; ++i) savedReals[i] = reals[i] = random.NextUnit();
    RealFftForward(reals.data(), kPoints);
    RealFftInverse(reals.data(), kPoints);
    counts = 0;
    for (int32_t i = 0; i < kPoints; ++i) counts += Deviates(reals[i], savedReals[i]);
    if (counts)
        failures += Counted(__LINE__, "Real FFT->Real IFFT identity comparison failed (%d counts)\n", counts);

    for (Complex& c : data) c = {random.NextUnit(), 0.0f};
    FftForward(data.data(), kPoints);
    counts = 0;
    for (int32_t k = 1; k < kPoints / 2; ++k) {
        const Complex a = data[k], b = data[kPoints - k];
        counts += Deviates(a.re, b.re) + Deviates(-a.im, b.im);
    }
    if (counts)
        failures += Counted(__LINE__,
                            "FFT symmetry of real-valued time-domain signal test failed (%d counts)\n", counts);
    return failures;
}

}  // namespace dsp
