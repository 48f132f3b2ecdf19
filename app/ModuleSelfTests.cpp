#include "app/ModuleSelfTests.h"

#include "dsp/DSPLib.h"
#include "dsp/Filter.h"
#include "dsp/Wave.h"
#include "pipe/LinearRegression.h"
#include "pipe/Pipe.h"
#include "pipe/PipeSegment.h"

namespace {

// Start-up order: sample store, FFT, pipe model (two), band filters, linear regression.
constexpr ModuleSelfTest kSelfTests[] = {
    // sample store, FFT:
    {"wave", &CWave::SelfTest},
    {"fft", &dsp::DSPLibSelfTest},
    // pipe model (two):
    {"pipe-section", &PipeSegmentSelfTest},
    {"pipe", &PipeSelfTest},
    // band filters:
    {"filter", &CFilter::SelfTest},
    // linear regression:
    {"regression", &LinearRegressionSelfTest},
    {"", nullptr},  // end marker, skipped
};

}  // namespace

std::span<const ModuleSelfTest> ModuleSelfTests() { return kSelfTests; }

std::vector<std::string> RunModuleSelfTests() {
    std::vector<std::string> failures;
    for (const ModuleSelfTest& test : ModuleSelfTests()) {
        if (!test.run) continue;
        std::string text = test.run();
        if (!text.empty()) failures.push_back(std::move(text));
    }
    return failures;
}
